// The server's own files: confinement, replace-on-close, modes, leftovers, failed copies.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

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
    struct rlimit tiny = old;
    tiny.rlim_cur = 4;
    setrlimit(RLIMIT_FSIZE, &tiny);
    written = 99;
    int rc = WcWriteFile(h, "much longer text", 16, &written);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(0, rc);
    EXPECT_EQ(0, WcWriteFile(h, "more", 4, &written));  // the copy stays failed
    EXPECT_EQ(0, WcCloseHandle(h));
    EXPECT_EQ("new text", board.ReadServerFile("wc:\\bull\\NEWS.TXT"));
    // Only the file itself is left in the directory: no temporary files.
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
    header.nConference = 2;
    std::strcpy(header.szFrom, "Morgan Reyes");
    std::strcpy(header.szTo, "All");
    std::strcpy(header.szSubject, "New files");
    ASSERT_EQ(1, AddMessage(&header, "WC:\\TEMP\\QVN1.TMP"));
    EXPECT_EQ(0, AddMessage(&header, "WC:\\TEMP\\MISSING.TMP"));
    EXPECT_EQ(body, board.MessageBody(0));
    EXPECT_NE(std::string::npos, board.Export().find(R"("conference": 2,
      "from": "Morgan Reyes",
      "to": "All",
      "subject": "New files",
      "body_size": 21)"));
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
