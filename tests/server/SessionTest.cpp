// Sessions: which board is used, what refuses a connection, and that calls need a login.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>

#include "server/WcServer.h"
#include "tests/support/CTestBoard.h"

TEST(Session, MissingOrUnusableBoardIsUnreachableAndNotCreated) {
    // Every other test names its board through CTestBoard, which sets QUORVANE_BOARD itself.
    CScratchDir scratch;
    setenv("QUORVANE_BOARD", scratch.File("nothing").c_str(), 1);
    EXPECT_EQ(0, WildcatServerConnect(nullptr));
    EXPECT_FALSE(std::filesystem::exists(scratch.File("nothing")));
    // A refused board.db is left byte for byte as it was, with no journal beside it.
    sqlite3* old = nullptr;
    sqlite3_open(scratch.File("old.db").c_str(), &old);
    sqlite3_exec(old, "CREATE TABLE files (name TEXT)", nullptr, nullptr, nullptr);
    sqlite3_close(old);
    for (const std::string& bytes : {std::string(), std::string("this is not a database"),
                                     CScratchDir::ReadFile(scratch.File("old.db"))}) {
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
    CTestBoard board(R"({"areas":[{"number":1,"name":"A"}],"files":[{"area":1,"name":"X"}]})");
    board.Logout();
    WcFileRecord rec{};
    uint32_t tid = 0;
    EXPECT_EQ(0, SearchFileRecByAreaName(0, "", &rec, &tid));
    EXPECT_EQ(0u, GetTotalFiles());
    EXPECT_EQ(WC_INVALID_HANDLE, WcCreateFile("wc:\\bull\\X", WC_GENERIC_WRITE, 2, 2));
    EXPECT_EQ(uint32_t{WC_ERROR_NOT_LOGGED_IN}, WcGetLastError());
    board.Login();
    EXPECT_EQ(1u, GetTotalFiles());
    EXPECT_EQ(1, SearchFileRecByAreaName(0, "", &rec, &tid));
    // The end of the walk is no error; a page of the key index that cannot be read is.
    EXPECT_EQ(0, GetNextFileRec(1, &rec, &tid));
    EXPECT_EQ(uint32_t{WC_ERROR_NONE}, WcGetLastError());
    CTestBoard::DamagePage(board.Dir(), "files_key1");
    board.Logout();
    board.Login();
    EXPECT_EQ(0, SearchFileRecByAreaName(0, "", &rec, &tid));
    EXPECT_EQ(uint32_t{WC_ERROR_DAMAGED}, WcGetLastError());
    EXPECT_STREQ("database disk image is malformed", WcGetLastErrorText());
}

TEST(Session, SettingsConferencesAreasLanguages) {
    {
        CTestBoard empty;  // -1: callers trying the numbers 0 to n try none
        EXPECT_EQ(-1, GetConferenceCount());
        EXPECT_EQ(-1, GetFileAreaCount());
        EXPECT_EQ(-1, GetLanguageCount());
        EXPECT_EQ(0u, GetTotalFiles());
        WcFileRecord rec;
        uint32_t tid = 0;
        EXPECT_EQ(0, SearchFileRecByAreaName(0, "", &rec, &tid));
    }
    CTestBoard board(R"({"settings":{"name":"Harbour BBS","sysop":"Morgan","version":1,"build":446},
        "conferences":[{"number":0,"name":"Main"},{"number":2,"name":"Sysop"}],
        "areas":[{"number":4,"name":"Utilities","ftp_dir":"utils"}],
        "languages":[{"number":0,"name":"DEFAULT"}]})");
    EXPECT_EQ(1u, GetWildcatVersion());
    EXPECT_EQ(446u, GetWildcatBuild());
    WcMakewild mw;
    ASSERT_EQ(1, GetMakewild(&mw));
    EXPECT_STREQ("Harbour BBS", mw.szBbsName);
    EXPECT_STREQ("Morgan", mw.szSysopName);
    EXPECT_EQ(2, GetConferenceCount());
    EXPECT_EQ(4, GetFileAreaCount());
    EXPECT_EQ(0, GetLanguageCount());
    WcConfDesc conf;
    EXPECT_EQ(0, GetConfDesc(1, &conf));
    ASSERT_EQ(1, GetConfDesc(2, &conf));
    EXPECT_STREQ("Sysop", conf.szName);
    WcFileArea area;
    ASSERT_EQ(1, GetFileArea(4, &area));
    EXPECT_STREQ("Utilities", area.szName);
    EXPECT_STREQ("utils", area.szFtpDir);
    WcLanguage lang;
    ASSERT_EQ(1, GetLanguage(0, &lang));
    EXPECT_STREQ("DEFAULT", lang.szName);
}
