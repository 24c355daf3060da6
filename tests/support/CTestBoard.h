// A throw-away board for one test: made from board JSON in a scratch directory, selected
// through QUORVANE_BOARD, with a server session on the calling thread while it lives.
#pragma once

#include <optional>
#include <string>

#include "tests/support/CScratchDir.h"
#include "tools/board/CBoardAdmin.h"

class CTestBoard {
public:
    // `json` follows the board schema of quorvane-board import ("" = an empty board).
    explicit CTestBoard(const std::string& json = "");
    ~CTestBoard();  // logs out and puts QUORVANE_BOARD back
    CTestBoard(const CTestBoard&) = delete;
    CTestBoard& operator=(const CTestBoard&) = delete;

    // The board JSON of tests/support/data/`name`.
    static std::string Data(const std::string& name);

    const std::string& Dir() const { return m_dir; }
    // Connect, create context and log in on this thread (done by the constructor too).
    void Login();
    void Logout();
    // The whole board as export JSON text.
    std::string Export() const { return CBoardAdmin(m_dir).Export(); }
    // Raw bytes of a server file ("wc:\..."), or throws when it does not exist.
    std::string ReadServerFile(const std::string& path) const {
        return CBoardAdmin(m_dir).Cat(path);
    }
    // Raw body of message n (0 = first posted).
    std::string MessageBody(int n) const { return CBoardAdmin(m_dir).Message(n); }

    // The first column of every row of `sql`, run straight on the database of the board at
    // `boardDir` (as a killed run left it, say); throws with SQLite's message when it fails.
    static std::string Sql(const std::string& boardDir, const std::string& sql);
    // Flips four bytes at the start of a leaf page of the table or index `btree` in the board
    // at `boardDir` (the middle one of its leaf pages), as a disk fault would.
    static void DamagePage(const std::string& boardDir, const std::string& btree);

private:
    CScratchDir m_scratch;
    std::string m_dir;
    std::optional<std::string> m_oldBoard;
    bool m_loggedIn = false;
};
