// A throw-away board for one test: made from board JSON in a scratch directory, selected
// through QUORVANE_BOARD, with a server session on the calling thread while it lives.
#pragma once

#include <string>

#include "tests/support/CScratchDir.h"

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
    std::string Export() const;
    // Raw bytes of a server file ("wc:\..."), or throws when it does not exist.
    std::string ReadServerFile(const std::string& serverPath) const;
    // Raw body of message n (0 = first posted).
    std::string MessageBody(int n) const;

    // Flips four bytes at the start of a leaf page of the table or index `btree` in the board
    // at `boardDir` (the middle one of its leaf pages), as a disk fault would.
    static void DamagePage(const std::string& boardDir, const std::string& btree);

private:
    CScratchDir m_scratch;
    std::string m_dir;
    std::string m_oldBoard;
    bool m_hadOldBoard = false;
    bool m_loggedIn = false;
};
