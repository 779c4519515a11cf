#include <sqlite3.h>

#include <memory>

#include "platform/measure_cache.h"

namespace kalmero {

namespace {

constexpr const char* kCreateCopies =
    "CREATE TABLE IF NOT EXISTS copy(name BLOB PRIMARY KEY, path BLOB NOT NULL,"
    " device INTEGER NOT NULL,"
    " inode INTEGER NOT NULL, size INTEGER NOT NULL, mtime_s INTEGER NOT NULL,"
    " mtime_ns INTEGER NOT NULL, ctime_s INTEGER NOT NULL, ctime_ns INTEGER NOT NULL,"
    " source BLOB NOT NULL, s_device INTEGER NOT NULL, s_inode INTEGER NOT NULL,"
    " s_size INTEGER NOT NULL, s_mtime_s INTEGER NOT NULL, s_mtime_ns INTEGER NOT NULL,"
    " s_ctime_s INTEGER NOT NULL, s_ctime_ns INTEGER NOT NULL, gain_tenths INTEGER NOT NULL)"
    " WITHOUT ROWID";
constexpr const char* kFindCopy = "SELECT * FROM copy WHERE name = ?1";
constexpr const char* kStoreCopy =
    "INSERT OR REPLACE INTO copy VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13,"
    " ?14, ?15, ?16, ?17, ?18)";
constexpr int kIdentityColumns = 8;

struct Finalizer {
    void operator()(sqlite3_stmt* statement) const { ::sqlite3_finalize(statement); }
};

void bind(sqlite3_stmt* statement, int first, const FileIdentity& file) {
    ::sqlite3_bind_blob(statement, first, file.path.data(), static_cast<int>(file.path.size()),
                        SQLITE_TRANSIENT);
    const sqlite3_int64 numbers[] = {static_cast<sqlite3_int64>(file.device),
                                     static_cast<sqlite3_int64>(file.inode),
                                     file.size,
                                     file.modifiedSeconds,
                                     file.modifiedNanoseconds,
                                     file.changedSeconds,
                                     file.changedNanoseconds};
    for (int i = 0; i < kIdentityColumns - 1; ++i) {
        ::sqlite3_bind_int64(statement, first + 1 + i, numbers[i]);
    }
}

FileIdentity column(sqlite3_stmt* statement, int first) {
    FileIdentity file;
    const auto* path = static_cast<const char*>(::sqlite3_column_blob(statement, first));
    file.path.assign(path != nullptr ? path : "",
                     static_cast<std::size_t>(::sqlite3_column_bytes(statement, first)));
    const auto number = [&](int i) { return ::sqlite3_column_int64(statement, first + 1 + i); };
    file.device = static_cast<std::uint64_t>(number(0));
    file.inode = static_cast<std::uint64_t>(number(1));
    file.size = number(2);
    file.modifiedSeconds = number(3);
    file.modifiedNanoseconds = number(4);
    file.changedSeconds = number(5);
    file.changedNanoseconds = number(6);
    return file;
}

}  // namespace

int MeasureCache::createCopyTable() {
    return ::sqlite3_exec(m_db, kCreateCopies, nullptr, nullptr, nullptr);
}

std::optional<MeasureCache::CopyRecord> MeasureCache::findCopy(std::string_view copyPathCp1250) {
    const std::lock_guard lock(m_mutex);
    for (int attempt = 0; attempt < 2 && m_db != nullptr; ++attempt) {
        int code = SQLITE_OK;
        {
            sqlite3_stmt* raw = nullptr;
            code = ::sqlite3_prepare_v2(m_db, kFindCopy, -1, &raw, nullptr);
            const std::unique_ptr<sqlite3_stmt, Finalizer> statement(raw);
            if (code == SQLITE_OK) {
                ::sqlite3_bind_blob(raw, 1, copyPathCp1250.data(),
                                    static_cast<int>(copyPathCp1250.size()), SQLITE_TRANSIENT);
                code = ::sqlite3_step(raw);
                if (code == SQLITE_ROW) {
                    return CopyRecord{column(raw, 1 + kIdentityColumns),
                                      ::sqlite3_column_int(raw, 1 + 2 * kIdentityColumns),
                                      column(raw, 1)};
                }
            }
        }
        // The statement is gone before a failure closes the database.
        if (code == SQLITE_DONE || !failed(code)) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

void MeasureCache::storeCopy(std::string_view nameCp1250, const CopyRecord& record) {
    const std::lock_guard lock(m_mutex);
    for (int attempt = 0; attempt < 2 && m_db != nullptr; ++attempt) {
        int code = SQLITE_OK;
        {
            sqlite3_stmt* raw = nullptr;
            code = ::sqlite3_prepare_v2(m_db, kStoreCopy, -1, &raw, nullptr);
            const std::unique_ptr<sqlite3_stmt, Finalizer> statement(raw);
            if (code == SQLITE_OK) {
                ::sqlite3_bind_blob(raw, 1, nameCp1250.data(), static_cast<int>(nameCp1250.size()),
                                    SQLITE_TRANSIENT);
                bind(raw, 2, record.copy);
                bind(raw, 2 + kIdentityColumns, record.source);
                ::sqlite3_bind_int(raw, 2 + 2 * kIdentityColumns, record.gainTenths);
                code = ::sqlite3_step(raw);
            }
        }
        if (code == SQLITE_DONE || !failed(code)) {
            return;
        }
    }
}

}  // namespace kalmero
