#include "tests/support/CTestBoard.h"

#include <sqlite3.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "server/WcServer.h"
#include "tools/board/CBoardAdmin.h"

CTestBoard::CTestBoard(const std::string& json) : m_dir(m_scratch.File("board")) {
    CBoardAdmin admin(m_dir);
    admin.Init("Test Board", "Sysop");
    if (!json.empty()) admin.Import(json, "test board JSON");
    if (const char* old = std::getenv("QUORVANE_BOARD")) {
        m_hadOldBoard = true;
        m_oldBoard = old;
    }
    setenv("QUORVANE_BOARD", m_dir.c_str(), 1);
    Login();
}

CTestBoard::~CTestBoard() {
    Logout();
    if (m_hadOldBoard) {
        setenv("QUORVANE_BOARD", m_oldBoard.c_str(), 1);
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
    const char* source = std::getenv("QV_SOURCE_DIR");  // set by every test binary's main
    return CScratchDir::ReadFile(std::string(source ? source : ".") + "/tests/support/data/" +
                                 name);
}

std::string CTestBoard::Export() const {
    return CBoardAdmin(m_dir).Export();
}

std::string CTestBoard::ReadServerFile(const std::string& serverPath) const {
    return CBoardAdmin(m_dir).Cat(serverPath);
}

std::string CTestBoard::MessageBody(int n) const {
    return CBoardAdmin(m_dir).Message(n);
}

void CTestBoard::DamagePage(const std::string& boardDir, const std::string& btree) {
    const std::string path = boardDir + "/board.db";
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    int64_t offset = -1;
    sqlite3_open(path.c_str(), &db);
    sqlite3_busy_timeout(db, 5000);
    // Every page in the database file itself, where the bytes are flipped.
    if (sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr) ==
            SQLITE_OK &&
        sqlite3_prepare_v2(db,
                           "SELECT (pageno - 1) * (SELECT page_size FROM pragma_page_size) "
                           "FROM dbstat WHERE name = ?1 AND pagetype = 'leaf' ORDER BY pageno "
                           "LIMIT 1 OFFSET (SELECT count(*) / 2 FROM dbstat WHERE name = ?1 "
                           "AND pagetype = 'leaf')",
                           -1, &stmt, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(stmt, 1, btree.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(stmt) == SQLITE_ROW) offset = sqlite3_column_int64(stmt, 0);
    }
    const std::string why = sqlite3_errmsg(db);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    if (offset < 0) throw std::runtime_error("cannot find a leaf page of " + btree + ": " + why);
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    char bytes[4];
    file.seekg(offset).read(bytes, sizeof bytes);
    for (char& b : bytes) b = static_cast<char>(~b);
    file.seekp(offset).write(bytes, sizeof bytes);
    if (!file.flush()) throw std::runtime_error("cannot damage " + path);
}
