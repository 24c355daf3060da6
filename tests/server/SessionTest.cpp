// Sessions: which board is used, what refuses a connection, and that calls need a login.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <vector>

#include "server/WcServer.h"
#include "tests/support/CTestBoard.h"

TEST(Session, MissingOrUnusableBoardIsUnreachableAndNotCreated) {
    // Every other test names its board through CTestBoard, which sets QUORVANE_BOARD itself.
    CScratchDir scratch;
    setenv("QUORVANE_BOARD", scratch.File("nothing").c_str(), 1);
    EXPECT_EQ(0, WildcatServerConnect(nullptr));
    EXPECT_FALSE(std::filesystem::exists(scratch.File("nothing")));
    // A refused board.db is left byte for byte as it was, with no journal beside it.
    CTestBoard::Sql(scratch.Path(), "CREATE TABLE files (name TEXT)");  // not a board's
    for (const std::string& bytes : {std::string(), std::string("this is not a database"),
                                     CScratchDir::ReadFile(scratch.File("board.db"))}) {
        std::filesystem::create_directories(scratch.File("junk"));
        CScratchDir::WriteFile(scratch.File("junk/board.db"), bytes);
        setenv("QUORVANE_BOARD", scratch.File("junk").c_str(), 1);
        EXPECT_EQ(0, WildcatServerConnect(nullptr));
        EXPECT_EQ(bytes, CScratchDir::ReadFile(scratch.File("junk/board.db")));
        EXPECT_FALSE(std::filesystem::exists(scratch.File("junk/board.db-wal")));
        std::filesystem::remove_all(scratch.File("junk"));
    }
    EXPECT_EQ(0, LoginSystem());
    EXPECT_EQ(0u, GetTotalFiles());
    unsetenv("QUORVANE_BOARD");
}

TEST(Session, CallsWithoutLoginFail) {
    CTestBoard board(CTestBoard::Data("records.json"));
    board.Logout();
    WcFileRecord rec{};
    uint32_t tid = 0;
    EXPECT_EQ(0, SearchFileRecByAreaName(0, "", &rec, &tid));
    EXPECT_EQ(0u, GetTotalFiles());
    EXPECT_EQ(WC_INVALID_HANDLE, WcCreateFile("wc:\\bull\\X", WC_GENERIC_WRITE, 2, 2));
    EXPECT_EQ(uint32_t{WC_ERROR_NOT_LOGGED_IN}, WcGetLastError());
    board.Login();
    EXPECT_EQ(5u, GetTotalFiles());
    EXPECT_EQ(1, SearchFileRecByAreaName(5, "", &rec, &tid));  // the last record
    // The end of the walk is no error (FaultRun damages the board for the error).
    EXPECT_EQ(0, GetNextFileRec(1, &rec, &tid));
    EXPECT_EQ(uint32_t{WC_ERROR_NONE}, WcGetLastError());
}

TEST(Session, SettingsConferencesAreasLanguages) {
    {
        CTestBoard empty;  // -1: callers trying the numbers 0 to n try none
        EXPECT_EQ((std::vector<int>{GetConferenceCount(), GetFileAreaCount(), GetLanguageCount()}),
                  (std::vector<int>{-1, -1, -1}));
        EXPECT_EQ(0u, GetTotalFiles());
        WcFileRecord rec;
        uint32_t tid = 0;
        EXPECT_EQ(0, SearchFileRecByAreaName(0, "", &rec, &tid));
    }
    CTestBoard board(CTestBoard::Data("records.json"));  // the highest numbers: 2, 5, 0
    WcMakewild mw;
    ASSERT_EQ(1, GetMakewild(&mw));
    EXPECT_STREQ("Harbour BBS", mw.szBbsName);
    EXPECT_STREQ("Morgan Reyes", mw.szSysopName);
    EXPECT_EQ((std::vector<int>{GetConferenceCount(), GetFileAreaCount(), GetLanguageCount()}),
              (std::vector<int>{2, 5, 0}));
    // A number between two is a gap. (The dialog's catalogue and the HTML pages read the
    // records of areas, conferences and languages by number, and the server's build.)
    WcConfDesc conf;
    EXPECT_EQ(0, GetConfDesc(1, &conf));
    ASSERT_EQ(1, GetConfDesc(2, &conf));
    EXPECT_STREQ("Sysop", conf.szName);
}
