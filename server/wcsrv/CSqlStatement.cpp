#include "server/wcsrv/CSqlStatement.h"

#include <sqlite3.h>

#include <utility>

#include "server/wcsrv/CSqlError.h"

CSqlStatement::CSqlStatement(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr) != SQLITE_OK) {
        std::string msg = sqlite3_errmsg(db);
        const int code = sqlite3_errcode(db) & 0xff;
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw CSqlError(std::string("cannot prepare statement: ") + msg, code);
    }
}

CSqlStatement::~CSqlStatement() {
    sqlite3_finalize(m_stmt);
}

CSqlStatement::CSqlStatement(CSqlStatement&& other) noexcept
    : m_stmt(std::exchange(other.m_stmt, nullptr)) {}

CSqlStatement& CSqlStatement::operator=(CSqlStatement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_stmt = std::exchange(other.m_stmt, nullptr);
    }
    return *this;
}

CSqlStatement& CSqlStatement::Bind(int index, int64_t value) {
    if (sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK) Fail("bind");
    return *this;
}

CSqlStatement& CSqlStatement::Bind(int index, std::string_view text) {
    if (sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_TRANSIENT,
                            SQLITE_UTF8) != SQLITE_OK)
        Fail("bind");
    return *this;
}

CSqlStatement& CSqlStatement::BindBlob(int index, std::string_view bytes) {
    // A zero-length blob still has to be a blob, not NULL.
    if (sqlite3_bind_blob64(m_stmt, index, bytes.empty() ? "" : bytes.data(), bytes.size(),
                            SQLITE_TRANSIENT) != SQLITE_OK)
        Fail("bind");
    return *this;
}

bool CSqlStatement::Step() {
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    Fail("step");
}

void CSqlStatement::Reset() {
    if (!m_stmt) return;
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int64_t CSqlStatement::Int(int column) const {
    return sqlite3_column_int64(m_stmt, column);
}

std::string CSqlStatement::Text(int column) const {
    return std::string(View(column));
}

std::string_view CSqlStatement::View(int column) const {
    const void* p = sqlite3_column_blob(m_stmt, column);
    int n = sqlite3_column_bytes(m_stmt, column);
    if (!p || n <= 0) return {};
    return std::string_view(static_cast<const char*>(p), static_cast<size_t>(n));
}

bool CSqlStatement::IsNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

void CSqlStatement::Fail(const char* what) const {
    sqlite3* db = sqlite3_db_handle(m_stmt);
    throw CSqlError(std::string(what) + " failed: " + (db ? sqlite3_errmsg(db) : "no database"),
                    db ? sqlite3_errcode(db) & 0xff : 0);
}
