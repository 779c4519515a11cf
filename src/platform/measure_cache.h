#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "model/spot_loudness.h"

struct sqlite3;

namespace kalmero {

// Which file a measuring belongs to: the same path naming the same unchanged file.
struct FileIdentity {
    std::string path;  // as the list spells it, Windows-1250 bytes
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the file `info` describes, reached by `pathCp1250`.
FileIdentity identityOf(std::string_view pathCp1250, const struct stat& info);

// The identity of the regular file a path (Windows-1250) names now; nullopt when it names
// none. Never blocks on FIFOs or devices.
std::optional<FileIdentity> identifyFile(std::string_view pathCp1250);

// Spot measurings kept between runs in an SQLite file, shared by every process of the
// program (the window and the night's batch may run at once). It never fails a caller: a
// cache file that is corrupt is made anew, one that can't be opened, is locked too long
// or can't be written is bypassed, and warning() says so once. Thread-safe.
class MeasureCache {
public:
    // The cache in the file at `path` (UTF-8), created with its folder when missing.
    explicit MeasureCache(std::string path);
    ~MeasureCache();
    MeasureCache(const MeasureCache&) = delete;
    MeasureCache& operator=(const MeasureCache&) = delete;

    // $XDG_CACHE_HOME/kalmero/spoty.sqlite, $XDG_CACHE_HOME being ~/.cache when unset or
    // not absolute.
    static std::string defaultPath();

    // What was measured for exactly this file (path, device, inode, size and modification
    // time all equal, by this program's way of measuring); nullopt otherwise.
    std::optional<SpotLoudness> find(const FileIdentity& file);

    // Keeps the measuring of `file`, replacing whatever its path had.
    void store(const FileIdentity& file, const SpotLoudness& loudness);

    // Why the cache was made anew or isn't used (Polish, UTF-8); empty when all went well.
    std::string warning() const;

private:
    struct Statements;

    // An SQLite result code.
    int open();
    int schemaVersion();
    int createTable();
    void close();
    // Deals with an SQLite failure; true when the operation should be tried again.
    bool failed(int code);
    void warnOnce(const std::string& text);

    mutable std::mutex m_mutex;
    std::string m_path;
    sqlite3* m_db = nullptr;
    std::unique_ptr<Statements> m_statements;
    bool m_rebuilt = false;
    std::string m_warning;
};

}  // namespace kalmero
