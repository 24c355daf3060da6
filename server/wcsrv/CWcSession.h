// One thread's session with the board: the connection, the context and the login. The server
// library's sessions belong to the thread that opened them, so each thread has its own.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "server/wcsrv/CFileCursor.h"
#include "server/wcsrv/CSqlDatabase.h"
#include "server/wcsrv/CSqlStatement.h"

class CWcSession {
public:
    static CWcSession& Current();

    // The board directory: $QUORVANE_BOARD, else the build's default (/var/lib/quorvane/board
    // once installed, "board" beside the program otherwise).
    static std::string BoardDir();

    // Opens an existing, usable board; never creates one.
    bool Connect();
    bool CreateContext();
    bool Login();
    void Logout();
    void DeleteContext();

    bool LoggedIn() const { return m_loggedIn && m_db; }
    CSqlDatabase& Db() { return *m_db; }
    const std::string& Storage() const { return m_storage; }
    CFileCursor& Cursor() { return m_cursor; }
    // A statement prepared once per session; `sql` must be a string literal (its address is
    // the key). Returned reset and unbound.
    CSqlStatement& Statement(const char* sql);
    // Before a write: the walk's snapshot must not hide other writers' commits.
    void EndReads();

    ~CWcSession();

private:
    void Close();

    std::unique_ptr<CSqlDatabase> m_db;
    std::unordered_map<const char*, CSqlStatement> m_statements;
    CFileCursor m_cursor;
    std::string m_storage;
    bool m_context = false;
    bool m_loggedIn = false;
};
