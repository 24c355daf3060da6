// The server library: its own files, file records and sessions. Most tests use
// tests/support/data/records.json: areas 1, 2 and 5 hold files, 3 and 4 are empty. Names test
// byte order: "B.ZIP" < "a.zip" < "\xC9T\xC9.TXT" (E acute, UTF-8 in the JSON). B.ZIP sets
// every field; it and MID.ZIP have long names.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "server/WcServer.h"
#include "tests/support/CTestBoard.h"
#include "tools/board/CBoardAdmin.h"
#include "tools/board/CBoardError.h"

namespace {

bool Put(const char* path, const std::string& bytes) {
    WcHandle h = WcCreateFile(path, WC_GENERIC_WRITE, 2, 2);
    if (h == WC_INVALID_HANDLE) return false;
    uint32_t written = 0;
    const bool ok = WcWriteFile(h, bytes.data(), static_cast<uint32_t>(bytes.size()), &written) &&
                    written == bytes.size();
    return WcCloseHandle(h) != 0 && ok;
}

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// FILETIME halves of an ISO time, worked out by hand: seconds since 1601 times 10^7.
uint64_t Ft(const WcFileTime& ft) {
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

}  // namespace

TEST(ServerFiles, PathsStayInsideStorage) {
    CTestBoard board(CTestBoard::Data("records.json"));
    ASSERT_TRUE(Put("WC:\\TEMP\\LIST.TXT", "abc"));
    EXPECT_EQ("abc", board.ReadServerFile("wc:\\TEMP\\LIST.TXT"));
    EXPECT_TRUE(std::filesystem::exists(board.Dir() + "/storage/TEMP/LIST.TXT"));
    ASSERT_TRUE(Put("wc:\\bull\\conf(0)\\lang(ENGLISH)\\BULL.TXT", "b"));
    EXPECT_EQ("b", board.ReadServerFile("wc:\\bull\\conf(0)\\lang(ENGLISH)\\BULL.TXT"));
    for (const char* bad : {"wc:\\..\\board.db", "wc:\\bull\\..\\..\\x", "c:\\temp\\x",
                            "wc:\\bull\\c:\\x", "/etc/passwd", "wc:\\bull\\", "wc:\\"}) {
        EXPECT_EQ(WC_INVALID_HANDLE, WcCreateFile(bad, WC_GENERIC_WRITE, 2, 2)) << bad;
        EXPECT_EQ(0, WcDeleteFile(bad)) << bad;
    }
    EXPECT_TRUE(std::filesystem::exists(board.Dir() + "/board.db"));
    EXPECT_EQ(1, WcDeleteFile("WC:\\TEMP\\LIST.TXT"));
    EXPECT_EQ(0, WcDeleteFile("WC:\\TEMP\\LIST.TXT"));
}

// Readers see the old file until the new one is closed; a failed copy keeps the old one.
TEST(ServerFiles, AFileIsReplacedOnlyWhenItsCopyIsClosedWhole) {
    CTestBoard board(CTestBoard::Data("records.json"));
    ASSERT_TRUE(Put("wc:\\bull\\NEWS.TXT", "old"));
    WcHandle h = WcCreateFile("wc:\\bull\\NEWS.TXT", WC_GENERIC_WRITE, 2, 2);
    ASSERT_NE(WC_INVALID_HANDLE, h);
    uint32_t written = 0;
    ASSERT_EQ(1, WcWriteFile(h, "new text", 8, &written));
    EXPECT_EQ(8u, WcGetFileSize(h, nullptr));
    EXPECT_EQ("old", board.ReadServerFile("wc:\\bull\\NEWS.TXT"));
    ASSERT_EQ(1, WcCloseHandle(h));
    EXPECT_EQ("new text", board.ReadServerFile("wc:\\bull\\NEWS.TXT"));
    EXPECT_EQ(0, WcCloseHandle(h));  // already closed

    h = WcCreateFile("wc:\\bull\\NEWS.TXT", WC_GENERIC_WRITE, 2, 2);
    ASSERT_NE(WC_INVALID_HANDLE, h);
    // A file-size limit makes the write fail for real (EFBIG instead of the signal).
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    const struct rlimit tiny { 4, old.rlim_max };
    setrlimit(RLIMIT_FSIZE, &tiny);
    int rc = WcWriteFile(h, "much longer text", 16, &written);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(0, rc);
    EXPECT_EQ(0, WcWriteFile(h, "more", 4, &written));  // the copy stays failed
    EXPECT_EQ(0, WcCloseHandle(h));
    EXPECT_EQ("new text", board.ReadServerFile("wc:\\bull\\NEWS.TXT"));
    EXPECT_EQ(std::vector<std::string>{"NEWS.TXT"}, Names(board.Dir() + "/storage/bull"));
}

// A second publication as the publisher makes it: the file through a handle, whose time and
// size go into the record left by the first, with the uploader's 88-byte block.
TEST(ServerFiles, PublishingTwiceUpdatesTheRecordWithTheSecondTime) {
    CTestBoard board(CTestBoard::Data("records.json"));
    // Users are found by name without regard to case; an unknown one gives a cleared record.
    WcUserRecord user;
    uint32_t tid = 0;
    ASSERT_EQ(1, GetUserByName("morgan reyes", &user, &tid));
    EXPECT_EQ(1u, user.dwUserId);
    EXPECT_STREQ("Morgan Reyes", user.szName);
    WcUserRecord nobody = user;
    EXPECT_EQ(0, GetUserByName("Nobody", &nobody, &tid));
    EXPECT_TRUE(nobody.dwUserId == 0 && nobody.szName[0] == '\0');
    WcFileRecord rec{};
    rec.dwArea = 3;
    std::strcpy(rec.szName, "FILES.TXT");
    rec.ftLastDownload = {7, 9};
    ASSERT_EQ(1, AddFileRec(&rec));
    EXPECT_EQ(0, AddFileRec(&rec));  // the key exists already
    ASSERT_TRUE(Put("wc:\\file\\area(3)\\FILES.TXT", "first list"));

    const std::string body = "the second, longer list";
    WcHandle h = WcCreateFile("wc:\\file\\area(3)\\FILES.TXT", WC_GENERIC_WRITE, 2, 2);
    ASSERT_NE(WC_INVALID_HANDLE, h);
    uint32_t written = 0;
    ASSERT_EQ(1, WcWriteFile(h, body.data(), static_cast<uint32_t>(body.size()), &written));
    WcFileTime ft{};
    ASSERT_EQ(1, WcGetFileTime(h, &ft));
    ASSERT_EQ(1, GetFileRecByAreaName(3, "FILES.TXT", &rec, &tid));
    rec.dwFileSize = WcGetFileSize(h, nullptr);
    rec.ftUploaded = ft;
    std::strcpy(rec.szDescription, "Second description");
    std::memcpy(&rec.dwUploaderId, &user.dwUserId, 88);
    rec.dwDownloads = 3;
    ASSERT_EQ(1, UpdateFileRec(&rec));
    WcFileRecord none = rec;
    std::strcpy(none.szName, "NONE.ZIP");
    EXPECT_EQ(0, UpdateFileRec(&none));
    ASSERT_EQ(1, WcCloseHandle(h));

    EXPECT_EQ(6u, GetTotalFiles());  // records.json holds five
    WcFileRecord got;
    ASSERT_EQ(1, GetFileRecByAreaName(3, "FILES.TXT", &got, &tid));
    // Every field as updated (the uploader block names Morgan Reyes), the new copy's size.
    EXPECT_EQ(0, std::memcmp(&got, &rec, sizeof rec));
    EXPECT_EQ(23u, got.dwFileSize);
    EXPECT_NE(0u, ft.dwHighDateTime);
    EXPECT_TRUE(got.ftLastDownload.dwHighDateTime == 9 && got.ftLastDownload.dwLowDateTime == 7);
    EXPECT_EQ(body, board.ReadServerFile("wc:\\file\\area(3)\\FILES.TXT"));
}

TEST(ServerFiles, MessagesTakeTheirBodyFromTheServerFile) {
    CTestBoard board(CTestBoard::Data("records.json"));
    std::string body("Line 1\r\n\xB3 box \xC4\r\n\0end", 21);
    ASSERT_TRUE(Put("WC:\\TEMP\\QVN1.TMP", body));
    WcMessageHeader header{};
    ASSERT_EQ(1, AddMessage(&header, "WC:\\TEMP\\QVN1.TMP"));
    EXPECT_EQ(0, AddMessage(&header, "WC:\\TEMP\\MISSING.TMP"));
    EXPECT_EQ(body, board.MessageBody(0));  // (GenerationRun checks the header's fields)
}

TEST(ServerFiles, StorageHoldsOnlyTheBoardsOwnRegularFiles) {
    CTestBoard board(CTestBoard::Data("records.json"));
    CScratchDir outside;
    CScratchDir::WriteFile(outside.File("secret"), "outside");
    const std::string bull = board.Dir() + "/storage/bull/";
    ASSERT_TRUE(Put("wc:\\bull\\NEWS", "news"));
    std::filesystem::create_directory_symlink(outside.Path(), bull + "DIR");
    std::filesystem::create_symlink(outside.File("secret"), bull + "LINK");
    ASSERT_EQ(0, mkfifo((bull + "PIPE").c_str(), 0644));
    WcMessageHeader header{};
    // Links are neither followed nor removed; a FIFO is refused at once, not waited on.
    for (const char* path : {"wc:\\bull\\LINK", "wc:\\bull\\DIR\\secret", "wc:\\bull\\PIPE"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(0, AddMessage(&header, path));
        EXPECT_EQ(uint32_t{WC_ERROR_PATH}, WcGetLastError());
        EXPECT_EQ(0, WcDeleteFile(path));
        EXPECT_THROW(board.ReadServerFile(path), std::exception);
    }
    EXPECT_EQ(WC_INVALID_HANDLE, WcCreateFile("wc:\\bull\\DIR\\NEW", WC_GENERIC_WRITE, 2, 2));
    const CBoardAdmin admin(board.Dir());
    EXPECT_THROW(admin.List("wc:\\bull\\DIR\\"), CBoardError);
    EXPECT_EQ(admin.List(""),
              (std::vector<std::pair<std::string, uint64_t>>{{"wc:\\bull\\NEWS", 4}}));
    EXPECT_EQ(uint32_t{WC_ERROR_PATH}, WcGetLastError());
    EXPECT_EQ((std::vector<std::string>{"secret"}), Names(outside.Path()));
    EXPECT_EQ("outside", CScratchDir::ReadFile(outside.File("secret")));

    // New files follow the umask; a replaced one keeps its mode.
    const mode_t oldMask = umask(077);
    std::filesystem::permissions(bull + "NEWS", std::filesystem::perms(0644));
    const bool put = Put("wc:\\bull\\NEWS", "new news") && Put("wc:\\bull\\FRESH", "fresh");
    umask(oldMask);
    ASSERT_TRUE(put);
    struct stat st {};
    EXPECT_TRUE(stat((bull + "NEWS").c_str(), &st) == 0 && (st.st_mode & 07777) == 0644);
    EXPECT_TRUE(stat((bull + "FRESH").c_str(), &st) == 0 && (st.st_mode & 07777) == 0600);
}

TEST(ServerFiles, TheNextWriterRemovesTheStagingFilesOfDeadProcesses) {
    CTestBoard board(CTestBoard::Data("records.json"));
    const int dead = CScratchDir::DeadProcessId();
    const std::string bull = board.Dir() + "/storage/bull/";
    std::filesystem::create_directories(bull + "sub");
    const std::string deadName = ".wctmp-" + std::to_string(dead) + "-NEWS.7";
    const std::string liveName = ".wctmp-" + std::to_string(getppid()) + "-NEWS.8";
    for (const std::string& name : {deadName, liveName, "sub/" + deadName})
        CScratchDir::WriteFile(bull + name, "half");
    ASSERT_TRUE(Put("wc:\\bull\\OTHER", "x"));
    // Only the directory written is cleaned.
    EXPECT_EQ((std::vector<std::string>{liveName, "OTHER", "sub"}), Names(bull));
    EXPECT_TRUE(std::filesystem::exists(bull + "sub/" + deadName));
}

TEST(FileRecords, EveryFieldOfTheBasicAndFullRecord) {
    CTestBoard board(CTestBoard::Data("records.json"));
    EXPECT_EQ(5u, GetTotalFiles());
    WcFileRecord rec;
    uint32_t tid = 0;
    ASSERT_EQ(1, GetFileRecByAreaName(1, "B.ZIP", &rec, &tid));
    // 76 characters fill the description: no terminator; the next field starts right after.
    EXPECT_EQ(0, std::memcmp(rec.szDescription,
                             "012345678901234567890123456789012345678901234567890123456789"
                             "0123456789012345",
                             76));
    EXPECT_EQ((std::vector<std::string>{rec.szName, rec.szPassword, rec.szUploader}),
              (std::vector<std::string>{"B.ZIP", "SECRET", "Dana Whitfield"}));
    // Uploaded 2026-12-01T10:00:00Z = 1796119200 Unix seconds; + 11644473600 = 13440592800.
    // Last downloaded one day, 1 h 30 min 15 s later: + 91815 s.
    EXPECT_EQ((std::vector<uint64_t>{rec.dwArea, rec.dwFileSize, Ft(rec.ftUploaded),
                                     Ft(rec.ftLastDownload), rec.dwFree, rec.dwFailedScan,
                                     rec.dwDownloads, rec.dwUploaderId, rec.dwHasLongDesc}),
              (std::vector<uint64_t>{1, 4000000000, 134405928000000000, 134406846150000000, 1, 1,
                                     77, 2, 1}));

    WcFullFileRecord full;
    std::memset(&full, 'x', sizeof full);
    ASSERT_EQ(1, GetFullFileRec(&rec, &full));
    EXPECT_EQ(0, std::memcmp(&full.basic, &rec, sizeof rec));
    EXPECT_EQ(std::vector<std::string>(full.szLongDesc + 2, full.szLongDesc + 6),
              (std::vector<std::string>{"line 2", "", "line 4", ""}));
    EXPECT_STREQ("", full.szLongDesc[14]);

    // Windows-1252 bytes in the board: e acute = 0xE9, e grave = 0xE8.
    ASSERT_EQ(1, GetFileRecByAreaName(1, "\xC9T\xC9.TXT", &rec, &tid));
    EXPECT_STREQ("Caf\xE9 cr\xE8me", rec.szDescription);
    EXPECT_EQ((std::vector<uint64_t>{Ft(rec.ftLastDownload), rec.dwHasLongDesc}),
              (std::vector<uint64_t>{0, 0}));
    EXPECT_EQ(0, GetFileRecByAreaName(1, "b.zip", &rec, &tid));
}

TEST(FileRecords, WalkFollowsKeyOneJumpsLandOnTheNextAreaAndTokensKeepTheirPlace) {
    CTestBoard board(CTestBoard::Data("records.json"));
    std::vector<std::string> walk;
    WcFileRecord rec;
    uint32_t tid = 0;
    ASSERT_EQ(1, SearchFileRecByAreaName(0, "", &rec, &tid));
    do {
        walk.push_back(std::to_string(rec.dwArea) + ":" + rec.szName);
    } while (GetNextFileRec(1, &rec, &tid));
    EXPECT_EQ((std::vector<std::string>{"1:B.ZIP", "1:a.zip", "1:\xC9T\xC9.TXT", "2:MID.ZIP",
                                        "5:LAST.ZIP"}),
              walk);
    ASSERT_EQ(1, SearchFileRecByAreaName(3, "", &rec, &tid));
    EXPECT_STREQ("LAST.ZIP", rec.szName);
    EXPECT_EQ(5u, rec.dwArea);
    EXPECT_EQ(0, GetNextFileRec(1, &rec, &tid));
    EXPECT_EQ(0, SearchFileRecByAreaName(6, "", &rec, &tid));
    // At-or-after within an area.
    ASSERT_EQ(1, SearchFileRecByAreaName(1, "C", &rec, &tid));
    EXPECT_STREQ("a.zip", rec.szName);

    // An old token continues from its own record.
    uint32_t first = 0;
    ASSERT_EQ(1, SearchFileRecByAreaName(0, "", &rec, &first));
    uint32_t second = first;
    ASSERT_EQ(1, GetNextFileRec(1, &rec, &second));
    ASSERT_EQ(1, GetNextFileRec(1, &rec, &second));
    EXPECT_STREQ("\xC9T\xC9.TXT", rec.szName);
    // Going back to the first token re-seeks.
    ASSERT_EQ(1, GetNextFileRec(1, &rec, &first));
    EXPECT_STREQ("a.zip", rec.szName);
    EXPECT_EQ(0, GetNextFileRec(2, &rec, &first));  // only key 1 is served
    uint32_t bogus = 999999;
    EXPECT_EQ(0, GetNextFileRec(1, &rec, &bogus));
}

// libwcsrv2 as the program binds it: dlopen by name beside the program, dlsym of the two names.
TEST(FileRecords, ExtendedNextDescribesTheFileTheBasicLibraryJustDelivered) {
    CTestBoard board(CTestBoard::Data("records.json"));
    const std::string lib = std::string(std::getenv("QV_BIN_DIR")) + "/libwcsrv2.so";
    void* handle = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, handle) << dlerror();
    auto search = reinterpret_cast<WcSearchExtFn>(dlsym(handle, "SearchFileRecByAreaName"));
    auto next = reinterpret_cast<WcNextExtFn>(dlsym(handle, "GetNextFileRec"));
    ASSERT_TRUE(search && next);

    WcFileRecord rec;
    WcExtFileRecord ext{};
    uint32_t tid1 = 0, tid2 = 0;
    ASSERT_EQ(1, SearchFileRecByAreaName(0, "", &rec, &tid1));
    EXPECT_NE(0, search(0, "", &ext, &tid2));
    EXPECT_STREQ("Doom Shareware 1.9.zip", ext.szLongName);
    EXPECT_STREQ("B.ZIP", ext.basic.szName);

    ASSERT_EQ(1, GetNextFileRec(1, &rec, &tid1));
    tid2 = tid1;
    EXPECT_EQ(0, next(1, &ext, &tid2));  // no long name
    EXPECT_STREQ("a.zip", ext.basic.szName);

    ASSERT_EQ(1, GetNextFileRec(1, &rec, &tid1));
    ASSERT_EQ(1, GetNextFileRec(1, &rec, &tid1));
    tid2 = tid1;
    EXPECT_NE(0, next(1, &ext, &tid2));
    EXPECT_STREQ("Windows Tools f\xFCr 3.11.zip", ext.szLongName);
    EXPECT_EQ(2u, ext.basic.dwArea);
    // The extended calls did not move the basic walk.
    ASSERT_EQ(1, GetNextFileRec(1, &rec, &tid1));
    EXPECT_STREQ("LAST.ZIP", rec.szName);
}

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
        CScratchDir::WriteFile(scratch.File("board.db"), bytes);
        setenv("QUORVANE_BOARD", scratch.Path().c_str(), 1);
        EXPECT_EQ(0, WildcatServerConnect(nullptr));
        EXPECT_EQ(bytes, CScratchDir::ReadFile(scratch.File("board.db")));
        EXPECT_FALSE(std::filesystem::exists(scratch.File("board.db-wal")));
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

TEST(Session, ConferenceAreaAndLanguageCountsAndGaps) {
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
    EXPECT_EQ((std::vector<int>{GetConferenceCount(), GetFileAreaCount(), GetLanguageCount()}),
              (std::vector<int>{2, 5, 0}));
    // A number between two is a gap (the dialog and the pages read the records by number).
    WcConfDesc conf;
    EXPECT_EQ(0, GetConfDesc(1, &conf));
    ASSERT_EQ(1, GetConfDesc(2, &conf));
    EXPECT_STREQ("Sysop", conf.szName);
}
