#include "tests/support/CTestBoard.h"

#include <sqlite3.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "server/WcServer.h"

CTestBoard::CTestBoard(const std::string& json) : m_dir(m_scratch.File("board")) {
    CBoardAdmin admin(m_dir);
    admin.Init("Test Board", "Sysop");
    if (!json.empty()) admin.Import(json, "test board JSON");
    if (const char* old = std::getenv("QUORVANE_BOARD")) m_oldBoard = old;
    setenv("QUORVANE_BOARD", m_dir.c_str(), 1);
    Login();
}

CTestBoard::~CTestBoard() {
    Logout();
    if (m_oldBoard) {
        setenv("QUORVANE_BOARD", m_oldBoard->c_str(), 1);
    } else {
        unsetenv("QUORVANE_BOARD");
    }
}

void CTestBoard::Login() {
    if (m_loggedIn) return;
    if (!WildcatServerConnect(nullptr) || !WildcatServerCreateContext() || !LoginSystem())
        throw std::runtime_error("cannot log in to the test board at " + m_dir);
    m_loggedIn = true;
}

void CTestBoard::Logout() {
    if (!m_loggedIn) return;
    LogoutUser();
    WildcatServerDeleteContext();
    m_loggedIn = false;
}

std::string CTestBoard::Data(const std::string& name) {
    return CScratchDir::ReadFile(std::string(std::getenv("QV_SOURCE_DIR")) +
                                 "/tests/support/data/" + name);
}

std::string CTestBoard::Sql(const std::string& boardDir, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    sqlite3_open((boardDir + "/board.db").c_str(), &db);
    sqlite3_busy_timeout(db, 10000);
    std::string result;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    while (rc == SQLITE_OK && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        result.append(static_cast<const char*>(sqlite3_column_blob(stmt, 0)),
                      static_cast<size_t>(sqlite3_column_bytes(stmt, 0)));
        rc = SQLITE_OK;
    }
    const std::string why = rc == SQLITE_DONE ? "" : sqlite3_errmsg(db);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    if (!why.empty()) throw std::runtime_error(boardDir + ": " + sql + ": " + why);
    return result;
}

void CTestBoard::DamagePage(const std::string& boardDir, const std::string& btree) {
    // Every page in the database file itself, where the bytes are flipped.
    Sql(boardDir, "PRAGMA wal_checkpoint(TRUNCATE)");
    const std::string leaves = " FROM dbstat WHERE name = '" + btree + "' AND pagetype = 'leaf'";
    const std::string offset =
        Sql(boardDir, "SELECT (pageno - 1) * (SELECT page_size FROM pragma_page_size)" + leaves +
                          " ORDER BY pageno LIMIT 1 OFFSET (SELECT count(*) / 2" + leaves + ")");
    if (offset.empty()) throw std::runtime_error("cannot find a leaf page of " + btree);
    const std::string path = boardDir + "/board.db";
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    char bytes[4];
    file.seekg(std::stoll(offset)).read(bytes, sizeof bytes);
    for (char& b : bytes) b = static_cast<char>(~b);
    file.seekp(std::stoll(offset)).write(bytes, sizeof bytes);
    if (!file.flush()) throw std::runtime_error("cannot damage " + path);
}
