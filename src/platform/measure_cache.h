#pragma once

#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

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
    // A rewrite in place that puts the old size and modification time back still moves the
    // change time, which no one but the kernel can set.
    std::int64_t changedSeconds = 0;
    std::int64_t changedNanoseconds = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the file `info` describes, reached by `pathCp1250`.
FileIdentity identityOf(std::string_view pathCp1250, const struct stat& info);

// The identity of the regular file a path (Windows-1250) names now; nullopt when it names
// none. Never blocks on FIFOs or devices.
std::optional<FileIdentity> identifyFile(std::string_view pathCp1250);

// Spot measurings kept between runs in an SQLite file, shared by every process of the
// program (the window and the night's batch may run at once). It never fails a caller: a
// cache of ours that is corrupt is made anew; a file at its place that is no cache of ours
// is moved aside untouched (or, when it can't be, left alone and the cache not used); one
// that can't be opened or written, or that another process keeps locked past the busy
// timeout, is bypassed from then on; warning() says so once. The file and its folders are
// reached by the link rule of the outputs: a link that another account planted in a folder
// others may write is not followed. Thread-safe.
class MeasureCache {
public:
    // The other process's write is one row; this is far more than any should take.
    static constexpr std::chrono::milliseconds kBusyWait{5'000};

    // The cache in the file at `path` (UTF-8), created with its folder when missing; an
    // empty path is no cache at all (defaultPath found no home). `busyWait`: how long to
    // wait for another process's lock before going on without the cache.
    explicit MeasureCache(std::string path, std::chrono::milliseconds busyWait = kBusyWait);
    ~MeasureCache();
    MeasureCache(const MeasureCache&) = delete;
    MeasureCache& operator=(const MeasureCache&) = delete;

    // $XDG_CACHE_HOME/kalmero/spoty.sqlite, $XDG_CACHE_HOME being ~/.cache when unset or
    // not absolute; empty when neither an absolute HOME nor a passwd entry names a home.
    static std::string defaultPath();

    // What was measured for exactly this file (path, device, inode, size, modification and
    // change time all equal, by this program's way of measuring); nullopt otherwise.
    std::optional<SpotLoudness> find(const FileIdentity& file);

    // Keeps the measuring of `file`, replacing whatever its path had.
    void store(const FileIdentity& file, const SpotLoudness& loudness);

    // A lowered copy this program wrote: the original as it was then, the gain in tenths of
    // a dB, and the copy as it was left. Paths as the identities spell them.
    struct CopyRecord {
        FileIdentity source;
        int gainTenths = 0;
        FileIdentity copy;
        friend bool operator==(const CopyRecord&, const CopyRecord&) = default;
    };
    // The copy last made for the name `nameCp1250`: the copy at that name, or the one made in
    // its place (its path then another); nullopt when none was (or no cache is used).
    std::optional<CopyRecord> findCopy(std::string_view nameCp1250);
    // Keeps the record of the copy made for a name, replacing whatever the name had.
    void storeCopy(std::string_view nameCp1250, const CopyRecord& record);

    // Why the cache was made anew or isn't used (Polish, UTF-8); empty when all went well.
    std::string warning() const;
    // warning(), given once: later calls give "" (for a cache shared by several runs).
    std::string takeWarning();

private:
    struct Statements;

    // An SQLite result code.
    int open();
    // SQLite's opening of the cache file at its resolved path.
    int openFile(const std::string& resolved);
    // Puts the opened file in WAL mode (a no-op when it is already).
    int useWal();
    // Whose the file opened is: ours (or empty) to use and shape, a stranger's to leave as it
    // is, or unknown for now (locked, unreadable: `code` says why).
    enum class Owner { Us, Stranger, Unknown };
    Owner ownerOfOpened(int& code);
    int schemaVersion();
    int createTable();
    // The table of copies, kept across changes of the measurings' layout.
    int createCopyTable();
    void close();
    // Deals with an SQLite failure; true when the operation should be tried again.
    bool failed(int code);
    void warnOnce(const std::string& text);

    mutable std::mutex m_mutex;
    std::string m_path;
    std::chrono::milliseconds m_busyWait;
    // The file SQLite opened: m_path with its links resolved.
    std::string m_resolved;
    sqlite3* m_db = nullptr;
    std::unique_ptr<Statements> m_statements;
    bool m_rebuilt = false;
    std::string m_warning;
    bool m_warningTaken = false;
};

// A program's cache of measurings, made where the program starts and handed to whatever
// measures, so that the window's or the night's days share one. The file is opened at the
// first use, at the path given or else at defaultPath() as the environment names it then (the
// night sets its cache folder after it starts), so that a run that measures nothing never
// makes it. Thread-safe.
class MeasureCacheOnDemand {
public:
    MeasureCacheOnDemand() = default;
    explicit MeasureCacheOnDemand(std::string path) : m_path(std::move(path)) {}
    MeasureCacheOnDemand(const MeasureCacheOnDemand&) = delete;
    MeasureCacheOnDemand& operator=(const MeasureCacheOnDemand&) = delete;

    // The cache file (UTF-8), fixed from the first call on; empty when there is none.
    std::string path();
    // The cache, opened at path() on the first call.
    MeasureCache& cache();

private:
    std::mutex m_mutex;
    std::optional<std::string> m_path;
    std::unique_ptr<MeasureCache> m_cache;
};

}  // namespace kalmero
