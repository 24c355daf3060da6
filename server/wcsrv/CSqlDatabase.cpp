#include "server/wcsrv/CSqlDatabase.h"

#include <sqlite3.h>

#include "server/wcsrv/CSqlError.h"

CSqlDatabase::CSqlDatabase(const std::string& path, bool create) : m_path(path) {
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (create) flags |= SQLITE_OPEN_CREATE;
    int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw CSqlError("cannot open " + path + ": " + msg, rc & 0xff);
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // 256 KiB of page cache rather than SQLite's 2 MiB: a walk reads each page once, so a
    // bigger cache only grew a run's peak memory with the board and cost a page fault for
    // every page it filled.
    sqlite3_exec(m_db, "PRAGMA cache_size=-256", nullptr, nullptr, nullptr);
}

void CSqlDatabase::UseWal() {
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=NORMAL");
}

CSqlDatabase::~CSqlDatabase() {
    if (m_db) sqlite3_close_v2(m_db);
}

void CSqlDatabase::Exec(const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(m_db);
        sqlite3_free(err);
        throw CSqlError(m_path + ": " + msg, sqlite3_errcode(m_db) & 0xff);
    }
}

int CSqlDatabase::UserVersion() {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, "PRAGMA user_version", -1, &stmt, nullptr) != SQLITE_OK)
        Fail("reading the schema version");
    int version = -1;
    if (sqlite3_step(stmt) == SQLITE_ROW) version = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    return version;
}

void CSqlDatabase::Fail(const std::string& what) const {
    throw CSqlError(m_path + ": " + what + ": " + sqlite3_errmsg(m_db),
                    sqlite3_errcode(m_db) & 0xff);
}

int CSqlDatabase::Changes() const {
    return sqlite3_changes(m_db);
}
