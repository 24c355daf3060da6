#include "tests/support/CTestBoard.h"

#include <cstdlib>
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

std::string CTestBoard::Export() const {
    return CBoardAdmin(m_dir).Export();
}

std::string CTestBoard::ReadServerFile(const std::string& serverPath) const {
    return CBoardAdmin(m_dir).Cat(serverPath);
}

std::string CTestBoard::MessageBody(int n) const {
    return CBoardAdmin(m_dir).Message(n);
}
