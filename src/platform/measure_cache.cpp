#include "platform/measure_cache.h"

#include <fcntl.h>
#include <pwd.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <utility>
#include <vector>

#include "platform/descriptor.h"
#include "platform/encoding.h"
#include "platform/file_io.h"

namespace kalmero {

namespace {

// Raised whenever measuring gives other answers for an unchanged file, so that the answers
// of an older program are measured again rather than believed.
constexpr int kMeasuringVersion = 1;
// Raised when the table changes; a cache of ours of another layout is emptied. 2: the 100 ms
// block energies that runs of files are gated over; 3: the change time in the key; 4: the
// silences at a spot's start and end.
constexpr int kSchemaVersion = 4;
// The layouts before caches carried kApplicationId; such a file holding our table alone is ours.
constexpr int kLastUnmarkedSchemaVersion = 2;
// PRAGMA application_id of our caches ("Kalm"): what tells them from other SQLite files.
constexpr std::uint32_t kApplicationId = 0x4B61'6C6D;

constexpr const char* kCreate =
    "DROP TABLE IF EXISTS spot;"
    "CREATE TABLE spot(path BLOB PRIMARY KEY, device INTEGER NOT NULL, inode INTEGER NOT NULL,"
    " size INTEGER NOT NULL, mtime_s INTEGER NOT NULL, mtime_ns INTEGER NOT NULL,"
    " ctime_s INTEGER NOT NULL, ctime_ns INTEGER NOT NULL, version INTEGER NOT NULL, header_ms "
    "INTEGER NOT NULL, header_problem TEXT NOT NULL,"
    " decoded_ms INTEGER NOT NULL, integrated REAL, short_term REAL, true_peak REAL,"
    " problem TEXT NOT NULL, blocks BLOB, leading_silence_ms INTEGER NOT NULL,"
    " trailing_silence_ms INTEGER NOT NULL) WITHOUT ROWID;";
constexpr const char* kFind =
    "SELECT header_ms, header_problem, decoded_ms, integrated, short_term, true_peak, problem,"
    " blocks, leading_silence_ms, trailing_silence_ms"
    " FROM spot WHERE path = ?1 AND device = ?2 AND inode = ?3 AND size = ?4 AND mtime_s = ?5"
    " AND mtime_ns = ?6 AND ctime_s = ?7 AND ctime_ns = ?8 AND version = ?9";
constexpr const char* kStore =
    "INSERT OR REPLACE INTO spot VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13,"
    " ?14, ?15, ?16, ?17, ?18, ?19)";
// Columns of kStore after the identity's.
constexpr int kFirstFigure = 10;

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
    ::sqlite3_bind_int64(statement, 7, file.changedSeconds);
    ::sqlite3_bind_int64(statement, 8, file.changedNanoseconds);
    ::sqlite3_bind_int(statement, 9, kMeasuringVersion);
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

// The running account's home; empty when none is known. A folder every account may write
// (/tmp) would be no place for measurings that others could plant.
std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return home;
    }
    const passwd* user = ::getpwuid(::getuid());
    return user != nullptr && user->pw_dir != nullptr && user->pw_dir[0] == '/' ? user->pw_dir : "";
}

// What stands at the cache's place, from its first bytes. Whose an SQLite file is only
// SQLite can tell: what a writer changed may still wait in its write-ahead log.
enum class FileKind { Empty, Sqlite, Foreign };

FileKind kindOf(int fd, off_t size) {
    if (size == 0) {
        return FileKind::Empty;
    }
    static constexpr char kMagic[] = "SQLite format 3";  // with its NUL, 16 bytes
    char header[sizeof kMagic];
    return ::pread(fd, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header) &&
                   std::memcmp(header, kMagic, sizeof kMagic) == 0
               ? FileKind::Sqlite
               : FileKind::Foreign;
}

constexpr const char* kPlantedLink = "dowiązanie innego konta w folderze, do którego piszą inni";

// `folder`, made as needed, opened by the link rule of the outputs: each folder made is made
// in its parent as opened, never through a link the rule refuses.
int openFolderMaking(const std::filesystem::path& folder, bool& refused, int depth = 0) {
    const int fd = openFolderWithLinkRule(folder.string(), refused);
    constexpr int kDeepest = 64;
    if (fd >= 0 || refused || errno != ENOENT || depth == kDeepest || !folder.has_relative_path() ||
        folder.filename().empty()) {
        return fd;
    }
    const Descriptor parent(openFolderMaking(folder.parent_path(), refused, depth + 1));
    if (parent.get() < 0) {
        return -1;
    }
    if (::mkdirat(parent.get(), folder.filename().c_str(), 0777) != 0 && errno != EEXIST) {
        return -1;
    }
    return openFolderWithLinkRule(folder.string(), refused);
}

// The path of an opened folder, as the kernel knows it.
std::string pathOfFolder(int fd) {
    std::string path(PATH_MAX, '\0');
    const ssize_t size =
        ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path.data(), path.size());
    if (size <= 0 || static_cast<std::size_t>(size) == path.size() || path[0] != '/') {
        return {};
    }
    path.resize(static_cast<std::size_t>(size));
    return path;
}

// Where the cache file is: the folder holding its name as given, and the file's path with
// every link resolved (each followed only as the rule of the outputs allows).
struct CachePlace {
    Descriptor folder{-1};
    std::string name;
    std::string resolved;
    FileKind kind = FileKind::Empty;
};

// Reaches the cache file at `path`, making it (empty) and its folders when missing; why it
// can't be used (Polish), or "" when `place` is filled.
std::string reachCacheFile(const std::string& path, CachePlace& place) {
    const std::filesystem::path given(path);
    place.name = given.filename().string();
    if (place.name.empty() || place.name == "." || place.name == "..") {
        return "to nie jest nazwa pliku";
    }
    bool refused = false;
    place.folder.reset(openFolderMaking(given.parent_path(), refused));
    if (refused) {
        return kPlantedLink;
    }
    const std::string folder = place.folder.get() >= 0 ? pathOfFolder(place.folder.get()) : "";
    if (folder.empty()) {
        return systemReason(errno);
    }
    const char* name = place.name.c_str();
    struct stat info {};
    if (::fstatat(place.folder.get(), name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        const Descriptor made(
            errno == ENOENT ? ::openat(place.folder.get(), name,
                                       O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666)
                            : -1);
        if ((made.get() < 0 && errno != EEXIST) ||
            ::fstatat(place.folder.get(), name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            return systemReason(errno);
        }
    }
    place.resolved = (folder == "/" ? "" : folder) + "/" + place.name;
    if (S_ISLNK(info.st_mode)) {
        // Walking the whole path as folders applies the rule to the link and to every link
        // it leads through; the walk then stops at the file.
        const Descriptor walked(openFolderWithLinkRule(place.resolved, refused));
        if (refused) {
            return kPlantedLink;
        }
        std::error_code error;
        place.resolved = std::filesystem::canonical(place.resolved, error).string();
        if (error) {
            return error == std::errc::no_such_file_or_directory ? "dowiązanie prowadzi donikąd"
                                                                 : error.message();
        }
    }
    const Descriptor file(
        ::open(place.resolved.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0) {
        return systemReason(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return "to nie jest zwykły plik";
    }
    place.kind = kindOf(file.get(), info.st_size);
    return {};
}

// Moves a file that is no cache of ours out of the cache's way, with whatever SQLite keeps
// beside it, under a name not taken; its bytes stay as they were. The new name, or "".
std::string moveAside(const CachePlace& place) {
    for (int n = 1; n < 100; ++n) {
        const std::string aside = place.name + ".obcy-" + std::to_string(n);
        if (::renameat2(place.folder.get(), place.name.c_str(), place.folder.get(), aside.c_str(),
                        RENAME_NOREPLACE) != 0) {
            if (errno == EEXIST) {
                continue;
            }
            return {};
        }
        for (const char* suffix : {"-wal", "-shm", "-journal"}) {
            ::renameat2(place.folder.get(), (place.name + suffix).c_str(), place.folder.get(),
                        (aside + suffix).c_str(), RENAME_NOREPLACE);
        }
        return aside;
    }
    return {};
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
                        static_cast<std::int64_t>(info.st_mtim.tv_nsec),
                        static_cast<std::int64_t>(info.st_ctim.tv_sec),
                        static_cast<std::int64_t>(info.st_ctim.tv_nsec)};
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

MeasureCache::MeasureCache(std::string path, std::chrono::milliseconds busyWait)
    : m_path(std::move(path)), m_busyWait(busyWait) {
    const std::lock_guard lock(m_mutex);
    const int code = open();
    if (code != SQLITE_OK && !failed(code)) {
        close();
    }
}

MeasureCache::~MeasureCache() { close(); }

std::string MeasureCache::defaultPath() {
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    if (cacheHome != nullptr && cacheHome[0] == '/') {
        return std::string(cacheHome) + "/kalmero/spoty.sqlite";
    }
    const std::string home = homeFolder();
    return home.empty() ? std::string() : home + "/.cache/kalmero/spoty.sqlite";
}

std::string MeasureCacheOnDemand::path() {
    const std::lock_guard lock(m_mutex);
    if (!m_path) {
        m_path = MeasureCache::defaultPath();
    }
    return *m_path;
}

MeasureCache& MeasureCacheOnDemand::cache() {
    const std::string where = path();
    const std::lock_guard lock(m_mutex);
    if (!m_cache) {
        m_cache = std::make_unique<MeasureCache>(where);
    }
    return *m_cache;
}

int MeasureCache::open() {
    if (m_path.empty()) {
        warnOnce(
            "nie wiadomo, gdzie jest katalog domowy (brak HOME i wpisu w passwd); spoty "
            "zmierzono bez pamięci pomiarów");
        return SQLITE_CANTOPEN;
    }
    CachePlace found;
    std::string why = reachCacheFile(m_path, found);
    if (why.empty() && found.kind == FileKind::Sqlite) {
        int code = openFile(found.resolved);
        const Owner owner = code == SQLITE_OK ? ownerOfOpened(code) : Owner::Unknown;
        if (owner == Owner::Unknown) {
            return code;
        }
        if (owner == Owner::Stranger) {
            close();
            found.kind = FileKind::Foreign;
        }
    }
    CachePlace made;
    const CachePlace* place = &found;
    if (why.empty() && found.kind == FileKind::Foreign) {
        const std::string aside = moveAside(found);
        if (aside.empty()) {
            why = "plik nie jest pamięcią pomiarów Kalmero, a nie udało się go przenieść";
        } else {
            warnOnce("plik " + m_path +
                     " nie był pamięcią pomiarów Kalmero; przeniesiono go jako " + aside +
                     " i utworzono nową pamięć");
            why = reachCacheFile(m_path, made);
            place = &made;
            // Another process may have made it meanwhile; a stranger again is left alone.
            int code = SQLITE_OK;
            if (why.empty() && made.kind != FileKind::Empty &&
                (made.kind != FileKind::Sqlite || openFile(made.resolved) != SQLITE_OK ||
                 ownerOfOpened(code) != Owner::Us)) {
                close();
                why = "plik nie jest pamięcią pomiarów Kalmero";
            }
        }
    }
    if (!why.empty()) {
        warnOnce("pamięć pomiarów " + m_path + " nieużyta (" + why + "); spoty zmierzono bez niej");
        return SQLITE_CANTOPEN;
    }
    if (m_db == nullptr) {
        if (const int code = openFile(place->resolved); code != SQLITE_OK) {
            return code;
        }
    }
    // Only now, the file known to be ours, may it be changed or made anew.
    m_resolved = place->resolved;
    int code = useWal();
    if (code == SQLITE_OK && schemaVersion() != kSchemaVersion) {
        code = createTable();
    }
    if (code == SQLITE_OK) {
        code = createCopyTable();
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

int MeasureCache::useWal() {
    // WAL: the window reads while the night's run writes, and a process killed mid-write
    // leaves the file whole. Switching a new file needs it alone, and SQLite answers busy at
    // once, not after the busy wait, while another process of ours opens it too.
    const auto end = std::chrono::steady_clock::now() + m_busyWait;
    for (;;) {
        const int code = ::sqlite3_exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;",
                                        nullptr, nullptr, nullptr);
        if ((code & 0xFF) != SQLITE_BUSY || std::chrono::steady_clock::now() >= end) {
            return code;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int MeasureCache::openFile(const std::string& resolved) {
    // The file was made by reachCacheFile: SQLite only opens it, never through a link.
    const int code = ::sqlite3_open_v2(
        resolved.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX,
        nullptr);
    if (code == SQLITE_OK) {
        ::sqlite3_busy_timeout(m_db, static_cast<int>(m_busyWait.count()));
    }
    return code;
}

MeasureCache::Owner MeasureCache::ownerOfOpened(int& code) {
    sqlite3_stmt* raw = nullptr;
    code = ::sqlite3_prepare_v2(m_db,
                                "SELECT (SELECT application_id FROM pragma_application_id),"
                                " (SELECT user_version FROM pragma_user_version),"
                                " (SELECT count(*) FROM sqlite_master),"
                                " (SELECT count(*) FROM sqlite_master WHERE name = 'spot')",
                                -1, &raw, nullptr);
    const Statement statement(raw);
    if (code == SQLITE_OK) {
        code = ::sqlite3_step(raw);
        code = code == SQLITE_ROW ? SQLITE_OK : code;
    }
    if (code != SQLITE_OK) {
        // A file SQLite can't read as a database is no cache of ours; a locked one may be.
        return isCorrupt(code & 0xFF) ? Owner::Stranger : Owner::Unknown;
    }
    const auto applicationId = static_cast<std::uint32_t>(::sqlite3_column_int64(raw, 0));
    const int userVersion = ::sqlite3_column_int(raw, 1);
    const int objects = ::sqlite3_column_int(raw, 2);
    const int ourTable = ::sqlite3_column_int(raw, 3);
    if (applicationId == kApplicationId) {
        return Owner::Us;
    }
    // Made empty a moment ago by another process of ours, or our cache from before the mark.
    return applicationId == 0 && objects == ourTable && userVersion >= 0 &&
                   userVersion <= kLastUnmarkedSchemaVersion
               ? Owner::Us
               : Owner::Stranger;
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
        const std::string create = std::string(kCreate) +
                                   "PRAGMA user_version=" + std::to_string(kSchemaVersion) +
                                   "; PRAGMA application_id=" + std::to_string(kApplicationId);
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
        // Each later spot would wait the whole timeout again.
        warnOnce("pamięć pomiarów " + m_path +
                 " zajęta przez inny proces; do końca pracy spoty mierzone są bez niej");
        close();
        return false;
    }
    if (isCorrupt(code) && !m_rebuilt && !m_resolved.empty()) {
        // Only a file found to be ours gets this far.
        m_rebuilt = true;
        close();
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
            ::unlink((m_resolved + suffix).c_str());
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
        ::sqlite3_bind_int64(statement, kFirstFigure, loudness.header.ms);
        ::sqlite3_bind_text(statement, kFirstFigure + 1, loudness.header.problem.c_str(), -1,
                            SQLITE_TRANSIENT);
        ::sqlite3_bind_int64(statement, kFirstFigure + 2, loudness.decodedMs);
        bindFigure(statement, kFirstFigure + 3, loudness.integratedLufs);
        bindFigure(statement, kFirstFigure + 4, loudness.maxShortTermLufs);
        bindFigure(statement, kFirstFigure + 5, loudness.truePeakDbtp);
        ::sqlite3_bind_text(statement, kFirstFigure + 6, loudness.problem.c_str(), -1,
                            SQLITE_TRANSIENT);
        ::sqlite3_bind_blob(statement, kFirstFigure + 7, loudness.blockEnergies.data(),
                            static_cast<int>(loudness.blockEnergies.size() * sizeof(float)),
                            SQLITE_TRANSIENT);
        ::sqlite3_bind_int64(statement, kFirstFigure + 8, loudness.leadingSilenceMs);
        ::sqlite3_bind_int64(statement, kFirstFigure + 9, loudness.trailingSilenceMs);
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

std::string MeasureCache::takeWarning() {
    const std::lock_guard lock(m_mutex);
    if (m_warningTaken) {
        return {};
    }
    m_warningTaken = !m_warning.empty();
    return m_warning;
}

}  // namespace kalmero
