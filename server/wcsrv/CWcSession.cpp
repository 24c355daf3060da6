#include "server/wcsrv/CWcSession.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "QvBuild.h"
#include "server/wcsrv/BoardSchema.h"
#include "server/wcsrv/CSqlError.h"

CWcSession& CWcSession::Current() {
    thread_local CWcSession session;
    return session;
}

std::string CWcSession::BoardDir() {
    if (const char* env = std::getenv("QUORVANE_BOARD"); env && *env) return env;
    if (*QV_DEFAULT_BOARD) return QV_DEFAULT_BOARD;
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return "board";
    std::string path(exe, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/')) + "/board";
}

bool CWcSession::Connect() {
    Close();
    std::string dir = BoardDir();
    std::string dbPath = dir + "/board.db";
    struct stat st {};
    // Opening without SQLITE_OPEN_CREATE already refuses a missing file; the check also keeps
    // a directory or device named board.db from being taken for a board.
    if (stat(dbPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    try {
        auto db = std::make_unique<CSqlDatabase>(dbPath, false);
        // Checked before anything is written: a refused file stays exactly as it was.
        if (db->UserVersion() != BoardSchema::kVersion) return false;
        db->UseWal();
        m_db = std::move(db);
    } catch (const CSqlError&) {
        return false;
    }
    m_storage = dir + "/storage";
    return true;
}

bool CWcSession::CreateContext() {
    if (!m_db) return false;
    m_context = true;
    return true;
}

bool CWcSession::Login() {
    if (!m_db || !m_context) return false;
    m_loggedIn = true;
    return true;
}

void CWcSession::Logout() {
    m_cursor.Close();
    m_loggedIn = false;
}

void CWcSession::DeleteContext() {
    Close();
}

CSqlStatement& CWcSession::Statement(const char* sql) {
    auto it = m_statements.find(sql);
    if (it == m_statements.end())
        it = m_statements.emplace(sql, CSqlStatement(m_db->Handle(), sql)).first;
    it->second.Reset();
    return it->second;
}

void CWcSession::EndReads() {
    m_cursor.Close();
    for (auto& [sql, stmt] : m_statements) stmt.Reset();
}

CWcSession::~CWcSession() {
    Close();
}

void CWcSession::Close() {
    // Statements first: a connection with live statements cannot close.
    m_cursor.Finalize();
    m_statements.clear();
    m_db.reset();
    m_context = false;
    m_loggedIn = false;
}
