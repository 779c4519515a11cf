#include "platform/measure_cache.h"

#include <pwd.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "platform/encoding.h"

namespace kalmero {

namespace {

// Raised whenever measuring gives other answers for an unchanged file, so that the answers
// of an older program are measured again rather than believed.
constexpr int kMeasuringVersion = 1;
// Raised when the table changes; a file of another layout is emptied. 2: the 100 ms block
// energies that runs of files are gated over; 3: the silences at a spot's start and end.
constexpr int kSchemaVersion = 3;
// The other process's write is one row; this is far more than any should take.
constexpr int kBusyMs = 5'000;

constexpr const char* kCreate =
    "DROP TABLE IF EXISTS spot;"
    "CREATE TABLE spot(path BLOB PRIMARY KEY, device INTEGER NOT NULL, inode INTEGER NOT NULL,"
    " size INTEGER NOT NULL, mtime_s INTEGER NOT NULL, mtime_ns INTEGER NOT NULL,"
    " version INTEGER NOT NULL, header_ms INTEGER NOT NULL, header_problem TEXT NOT NULL,"
    " decoded_ms INTEGER NOT NULL, integrated REAL, short_term REAL, true_peak REAL,"
    " problem TEXT NOT NULL, blocks BLOB, leading_silence_ms INTEGER NOT NULL,"
    " trailing_silence_ms INTEGER NOT NULL) WITHOUT ROWID;";
constexpr const char* kFind =
    "SELECT header_ms, header_problem, decoded_ms, integrated, short_term, true_peak, problem,"
    " blocks, leading_silence_ms, trailing_silence_ms"
    " FROM spot WHERE path = ?1 AND device = ?2 AND inode = ?3 AND size = ?4 AND mtime_s = ?5"
    " AND mtime_ns = ?6 AND version = ?7";
constexpr const char* kStore =
    "INSERT OR REPLACE INTO spot VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13,"
    " ?14, ?15, ?16, ?17)";

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { ::sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

bool isCorrupt(int code) { return code == SQLITE_CORRUPT || code == SQLITE_NOTADB; }

void bindIdentity(sqlite3_stmt* statement, const FileIdentity& file) {
    ::sqlite3_bind_blob(statement, 1, file.path.data(), static_cast<int>(file.path.size()),
                        SQLITE_TRANSIENT);
    // Device and inode numbers are unsigned 64-bit; SQLite keeps their bits as signed.
    ::sqlite3_bind_int64(statement, 2, static_cast<sqlite3_int64>(file.device));
    ::sqlite3_bind_int64(statement, 3, static_cast<sqlite3_int64>(file.inode));
    ::sqlite3_bind_int64(statement, 4, file.size);
    ::sqlite3_bind_int64(statement, 5, file.modifiedSeconds);
    ::sqlite3_bind_int64(statement, 6, file.modifiedNanoseconds);
    ::sqlite3_bind_int(statement, 7, kMeasuringVersion);
}

void bindFigure(sqlite3_stmt* statement, int index, std::optional<double> figure) {
    if (figure) {
        ::sqlite3_bind_double(statement, index, *figure);
    } else {
        ::sqlite3_bind_null(statement, index);
    }
}

std::optional<double> columnFigure(sqlite3_stmt* statement, int index) {
    if (::sqlite3_column_type(statement, index) == SQLITE_NULL) {
        return std::nullopt;
    }
    return ::sqlite3_column_double(statement, index);
}

std::string columnText(sqlite3_stmt* statement, int index) {
    const auto* text = ::sqlite3_column_text(statement, index);
    return text != nullptr ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

// The floats as this machine holds them: the cache is one user's, on one machine.
std::vector<float> columnEnergies(sqlite3_stmt* statement, int index) {
    const auto bytes = static_cast<std::size_t>(::sqlite3_column_bytes(statement, index));
    std::vector<float> energies(bytes / sizeof(float));
    if (!energies.empty()) {
        std::memcpy(energies.data(), ::sqlite3_column_blob(statement, index),
                    energies.size() * sizeof(float));
    }
    return energies;
}

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    const passwd* user = ::getpwuid(::getuid());
    return user != nullptr && user->pw_dir != nullptr ? user->pw_dir : "/tmp";
}

}  // namespace

struct MeasureCache::Statements {
    Statement find;
    Statement store;
};

FileIdentity identityOf(std::string_view pathCp1250, const struct stat& info) {
    return FileIdentity{std::string(pathCp1250),
                        static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino),
                        static_cast<std::int64_t>(info.st_size),
                        static_cast<std::int64_t>(info.st_mtim.tv_sec),
                        static_cast<std::int64_t>(info.st_mtim.tv_nsec)};
}

std::optional<FileIdentity> identifyFile(std::string_view pathCp1250) {
    if (pathCp1250.empty() || pathCp1250.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    struct stat info {};
    if (::stat(cp1250ToUtf8(pathCp1250).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return identityOf(pathCp1250, info);
}

MeasureCache::MeasureCache(std::string path) : m_path(std::move(path)) {
    const std::lock_guard lock(m_mutex);
    const int code = open();
    if (code != SQLITE_OK && !failed(code)) {
        close();
    }
}

MeasureCache::~MeasureCache() { close(); }

std::string MeasureCache::defaultPath() {
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    const std::string folder = cacheHome != nullptr && cacheHome[0] == '/'
                                   ? std::string(cacheHome)
                                   : homeFolder() + "/.cache";
    return folder + "/kalmero/spoty.sqlite";
}

int MeasureCache::open() {
    std::error_code ignored;  // a folder that can't be made shows as a file that can't be opened
    std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), ignored);
    int code = ::sqlite3_open_v2(m_path.c_str(), &m_db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
    if (code != SQLITE_OK) {
        return code;
    }
    ::sqlite3_busy_timeout(m_db, kBusyMs);
    // WAL: the window reads while the night's run writes, and a process killed mid-write
    // leaves the file whole.
    code = ::sqlite3_exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr,
                          nullptr, nullptr);
    if (code == SQLITE_OK && schemaVersion() != kSchemaVersion) {
        code = createTable();
    }
    if (code != SQLITE_OK) {
        return code;
    }
    auto statements = std::make_unique<Statements>();
    sqlite3_stmt* find = nullptr;
    sqlite3_stmt* store = nullptr;
    code = ::sqlite3_prepare_v3(m_db, kFind, -1, SQLITE_PREPARE_PERSISTENT, &find, nullptr);
    statements->find.reset(find);
    if (code == SQLITE_OK) {
        code = ::sqlite3_prepare_v3(m_db, kStore, -1, SQLITE_PREPARE_PERSISTENT, &store, nullptr);
        statements->store.reset(store);
    }
    if (code == SQLITE_OK) {
        m_statements = std::move(statements);
    }
    return code;
}

int MeasureCache::schemaVersion() {
    sqlite3_stmt* raw = nullptr;
    if (::sqlite3_prepare_v2(m_db, "PRAGMA user_version", -1, &raw, nullptr) != SQLITE_OK) {
        return -1;
    }
    const Statement statement(raw);
    return ::sqlite3_step(raw) == SQLITE_ROW ? ::sqlite3_column_int(raw, 0) : -1;
}

int MeasureCache::createTable() {
    int code = ::sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        return code;
    }
    // Another process may have made the table meanwhile.
    if (schemaVersion() != kSchemaVersion) {
        const std::string create =
            std::string(kCreate) + "PRAGMA user_version=" + std::to_string(kSchemaVersion);
        code = ::sqlite3_exec(m_db, create.c_str(), nullptr, nullptr, nullptr);
    }
    if (code == SQLITE_OK) {
        code = ::sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    }
    if (code != SQLITE_OK) {
        ::sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    return code;
}

void MeasureCache::close() {
    m_statements.reset();
    if (m_db != nullptr) {
        ::sqlite3_close(m_db);
        m_db = nullptr;
    }
}

bool MeasureCache::failed(int code) {
    code &= 0xFF;
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
        warnOnce("pamięć pomiarów " + m_path +
                 " zajęta przez inny proces; część spotów zmierzono bez niej");
        return false;
    }
    if (isCorrupt(code) && !m_rebuilt) {
        m_rebuilt = true;
        close();
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
            ::unlink((m_path + suffix).c_str());
        }
        const int again = open();
        if (again == SQLITE_OK) {
            warnOnce("pamięć pomiarów " + m_path + " była uszkodzona; utworzono ją od nowa");
            return true;
        }
        code = again & 0xFF;
    }
    warnOnce("pamięć pomiarów " + m_path + " niedostępna (" + ::sqlite3_errstr(code) +
             "); spoty zmierzono bez niej");
    close();
    return false;
}

void MeasureCache::warnOnce(const std::string& text) {
    if (m_warning.empty()) {
        m_warning = text;
    }
}

std::optional<SpotLoudness> MeasureCache::find(const FileIdentity& file) {
    const std::lock_guard lock(m_mutex);
    for (int attempt = 0; attempt < 2 && m_statements; ++attempt) {
        sqlite3_stmt* statement = m_statements->find.get();
        bindIdentity(statement, file);
        const int code = ::sqlite3_step(statement);
        if (code == SQLITE_ROW) {
            SpotLoudness loudness;
            loudness.header.ms = ::sqlite3_column_int64(statement, 0);
            loudness.header.problem = columnText(statement, 1);
            loudness.decodedMs = ::sqlite3_column_int64(statement, 2);
            loudness.integratedLufs = columnFigure(statement, 3);
            loudness.maxShortTermLufs = columnFigure(statement, 4);
            loudness.truePeakDbtp = columnFigure(statement, 5);
            loudness.problem = columnText(statement, 6);
            loudness.blockEnergies = columnEnergies(statement, 7);
            loudness.leadingSilenceMs = ::sqlite3_column_int64(statement, 8);
            loudness.trailingSilenceMs = ::sqlite3_column_int64(statement, 9);
            ::sqlite3_reset(statement);
            return loudness;
        }
        ::sqlite3_reset(statement);
        if (code == SQLITE_DONE || !failed(code)) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

void MeasureCache::store(const FileIdentity& file, const SpotLoudness& loudness) {
    const std::lock_guard lock(m_mutex);
    for (int attempt = 0; attempt < 2 && m_statements; ++attempt) {
        sqlite3_stmt* statement = m_statements->store.get();
        bindIdentity(statement, file);
        ::sqlite3_bind_int64(statement, 8, loudness.header.ms);
        ::sqlite3_bind_text(statement, 9, loudness.header.problem.c_str(), -1, SQLITE_TRANSIENT);
        ::sqlite3_bind_int64(statement, 10, loudness.decodedMs);
        bindFigure(statement, 11, loudness.integratedLufs);
        bindFigure(statement, 12, loudness.maxShortTermLufs);
        bindFigure(statement, 13, loudness.truePeakDbtp);
        ::sqlite3_bind_text(statement, 14, loudness.problem.c_str(), -1, SQLITE_TRANSIENT);
        ::sqlite3_bind_blob(statement, 15, loudness.blockEnergies.data(),
                            static_cast<int>(loudness.blockEnergies.size() * sizeof(float)),
                            SQLITE_TRANSIENT);
        ::sqlite3_bind_int64(statement, 16, loudness.leadingSilenceMs);
        ::sqlite3_bind_int64(statement, 17, loudness.trailingSilenceMs);
        const int code = ::sqlite3_step(statement);
        ::sqlite3_reset(statement);
        if (code == SQLITE_DONE || !failed(code)) {
            return;
        }
    }
}

std::string MeasureCache::warning() const {
    const std::lock_guard lock(m_mutex);
    return m_warning;
}

}  // namespace kalmero
