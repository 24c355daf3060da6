// Whole generation runs of the real worker on throw-away boards.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "config/CConfig.h"
#include "generate/CDateTime.h"
#include "generate/CMakeListThread.h"
#include "generate/Strings.h"
#include "server/wcsrv/WcsrvInternal.h"
#include "tests/support/CRecordingObserver.h"
#include "tests/support/CScratchDir.h"
#include "tests/support/CTestBoard.h"
#include "tests/support/TextBytes.h"

namespace {

const char* kBoard = R"({
  "settings": {"name": "Test BBS", "sysop": "Sam Sysop", "version": 6, "build": 500},
  "conferences": [{"number": 0, "name": "Main"}],
  "areas": [{"number": 1, "name": "Utilities", "ftp_dir": "utils"},
            {"number": 2, "name": "Games", "ftp_dir": "games"},
            {"number": 5, "name": "Docs", "ftp_dir": "docs"}],
  "languages": [{"number": 0, "name": "DEFAULT"}],
  "users": [{"name": "Sam Sysop"}],
  "files": [
    {"area": 1, "name": "FOO.ZIP", "description": "A useful tool", "size": 2048,
     "uploaded": "2026-11-30T08:00:00Z", "downloads": 7, "uploader": "Ann"},
    {"area": 1, "name": "BAR.TXT", "description": "Readme", "size": 1000, "free": true,
     "uploaded": "2026-10-01T08:00:00Z", "downloads": 2, "uploader": "Bob"},
    {"area": 2, "name": "GAME.ZIP", "description": "A game", "size": 5000,
     "uploaded": "2026-11-29T08:00:00Z", "downloads": 40, "uploader": "Cy"},
    {"area": 5, "name": "DOC.TXT", "description": "Documentation", "size": 300,
     "uploaded": "2026-11-28T08:00:00Z", "downloads": 1, "uploader": "Di"}
  ]})";

// 2026-12-01 12:00:00 UTC.
constexpr time_t kNow = 1796126400;

class GenerationRun : public ::testing::Test {
protected:
    void SetUp() override {
        CDateTime::SetNowForTesting(kNow);
        setenv("TMPDIR", m_tmp.Path().c_str(), 1);
    }
    void TearDown() override {
        CDateTime::SetNowForTesting(0);
        unsetenv("TMPDIR");
    }

    CMakeListThread::Outcome Run(const CConfig& config) {
        CMakeListThread worker(config, m_observer, 0);
        worker.Start();
        worker.Join();
        m_failed = worker.FailedLists();
        return worker.GetOutcome();
    }

    // Nothing of a run stays behind in the temporary directory.
    bool TempIsEmpty() const {
        return std::filesystem::is_empty(std::filesystem::path(m_tmp.Path()));
    }

    CTestBoard m_board{kBoard};
    CScratchDir m_tmp;
    CRecordingObserver m_observer;
    std::vector<std::string> m_failed;
};

COutRec FileList(const std::string& name, std::vector<int32_t> areas) {
    COutRec rec;
    rec.m_nListType = LIST_FILE;
    rec.m_strListName = name;
    rec.m_strListDesc = "All our files";
    rec.m_nLayout = LAYOUT_SINGLE;
    rec.m_nOptions = OPT_ASCII;
    rec.m_areas = std::move(areas);
    return rec;
}

}  // namespace

TEST_F(GenerationRun, PublishesAFileListByteForByte) {
    CConfig config;
    config.m_lists.push_back(FileList("FILES.TXT", {1}));
    ASSERT_EQ(Run(config), CMakeListThread::Outcome::Finished);
    EXPECT_TRUE(m_failed.empty());

    // Worked out by hand: box of width 14 indented by (70 - 14) / 2, a 39-character title
    // indented by (69 - 39) / 2, one area heading, two single-line entries, totals of
    // 3048 bytes, and the credit lines centred on 70 columns.
    const std::string expected =
        Crlf(Spaces(28) + "+------------+\n" + Spaces(28) + "|  Test BBS  |\n" + Spaces(28) +
             "+------------+\n" + "\n" + Spaces(15) + "Files Available on this BBS on 12/01/26\n" +
             Spaces(15) + std::string(39, '=') + "\n\n1 - Utilities\n-------------\n" +
             "BAR.TXT      F Readme\n" + "FOO.ZIP        A useful tool\n" +
             "\n\n  Total files: 2\n  Totalling 2.98KB\n\n" + "\n" + Spaces(12) +
             "Quorvane V2.2 - file lists for Wildcat! boards\n" + Spaces(20) +
             "http://www.morrowfen.example/\n" + "\n" + Spaces(24) + "Morrowfen BBS, Harwick\n" +
             Spaces(22) + "Telephone +44 1632 960018\n\n");
    EXPECT_EQ(m_board.ReadServerFile("wc:\\file\\area(1)\\FILES.TXT"), expected);

    const auto board = nlohmann::json::parse(m_board.Export());
    bool found = false;
    for (const auto& f : board["files"]) {
        if (f["name"] != "FILES.TXT") continue;
        found = true;
        EXPECT_EQ(f["area"], 1);
        EXPECT_EQ(f["description"], "All our files");
        EXPECT_EQ(f["size"], expected.size());
        EXPECT_EQ(f["uploader"], "Sam Sysop");
    }
    EXPECT_TRUE(found);
    EXPECT_TRUE(TempIsEmpty());
}

TEST_F(GenerationRun, ReportsProgressThroughTheObserver) {
    CConfig config;
    COutRec popular = FileList("TOP.TXT", {5});
    popular.m_nSelection = SEL_POPULAR;
    popular.m_nTopCount = 25;
    config.m_lists.push_back(popular);
    ASSERT_EQ(Run(config), CMakeListThread::Outcome::Finished);

    const std::vector<std::string> statuses = {
        "Connecting to BBS ... ", "Area 5 - Docs", "Generating compressed files ...",
        "Generating \"Most Popular\" lists ...", "Finished!"};
    EXPECT_EQ(m_observer.statuses, statuses);
    ASSERT_EQ(m_observer.captions.size(), 2u);
    EXPECT_EQ(m_observer.captions[1], "Quorvane V2.2 - Test BBS");
    EXPECT_EQ(m_observer.range, (std::vector<int>{0, 25, 1}));
    EXPECT_EQ(m_observer.buttonLabels, std::vector<std::string>{"OK"});
    EXPECT_EQ(m_observer.closes, 1);
    EXPECT_TRUE(m_observer.messages.empty());
    const std::string list = m_board.ReadServerFile("wc:\\file\\area(1)\\TOP.TXT");
    EXPECT_NE(list.find("25 Most Popular Files"), std::string::npos);
    EXPECT_NE(list.find("DOC.TXT"), std::string::npos);
    EXPECT_EQ(list.find("FOO.ZIP"), std::string::npos);
}

TEST_F(GenerationRun, BulletinAndMessageReachTheBoard) {
    CConfig config;
    COutRec bulletin;
    bulletin.m_nListType = LIST_BULLETIN;
    bulletin.m_strListName = "NEWFILES";
    bulletin.m_nSelection = SEL_DAYS;
    bulletin.m_nDays = 7;
    bulletin.m_nConference = 0;
    bulletin.m_strLanguage = "ENGLISH";
    bulletin.m_areas = {1, 2, 5};
    config.m_lists.push_back(bulletin);

    COutRec message;
    message.m_nListType = LIST_MESSAGE;
    message.m_strListName = "Weekly";
    message.m_strFrom = "";  // posts as the board's operator
    message.m_strTo = "ALL";
    message.m_strSubject = "New Files";
    message.m_nConference = 0;
    message.m_areas = {2};
    config.m_lists.push_back(message);

    COutRec emptyMessage = message;
    emptyMessage.m_areas = {9};  // no files there: nothing is posted
    config.m_lists.push_back(emptyMessage);

    ASSERT_EQ(Run(config), CMakeListThread::Outcome::Finished);
    EXPECT_TRUE(m_failed.empty());

    const std::string text = m_board.ReadServerFile("wc:\\bull\\conf(0)\\lang(ENGLISH)\\NEWFILES");
    EXPECT_NE(text.find("@0E@Files Uploaded in the Last 7 Days@0E@"), std::string::npos);
    EXPECT_NE(text.find("FOO.ZIP"), std::string::npos);
    EXPECT_EQ(text.find("BAR.TXT"), std::string::npos);  // uploaded two months ago

    const auto board = nlohmann::json::parse(m_board.Export());
    ASSERT_EQ(board["messages"].size(), 1u);
    EXPECT_EQ(board["messages"][0]["subject"], "New Files");
    EXPECT_EQ(board["messages"][0]["from"], "Sam Sysop");
    EXPECT_EQ(board["messages"][0]["conference"], 0);
    const std::string body = m_board.MessageBody(0);
    EXPECT_NE(body.find("GAME.ZIP"), std::string::npos);
    EXPECT_EQ(board["messages"][0]["body_size"], body.size());
    EXPECT_TRUE(TempIsEmpty());
}

TEST_F(GenerationRun, TheWalkJumpsOverAreasNoListCovers) {
    // Areas 1, 2 and 5 hold files; only 5 is covered. The walk reads the first record of
    // area 1, jumps to area 2, reads its first record, jumps to area 3 and lands on area 5.
    CConfig config;
    config.m_lists.push_back(FileList("FIVE.TXT", {5}));
    WcsrvInternalResetCallCounts();
    ASSERT_EQ(Run(config), CMakeListThread::Outcome::Finished);
    EXPECT_EQ(WcsrvInternalCallCount("SearchFileRecByAreaName"), 3u);
    EXPECT_EQ(WcsrvInternalCallCount("GetNextFileRec"), 1u);
    const std::string list = m_board.ReadServerFile("wc:\\file\\area(1)\\FIVE.TXT");
    EXPECT_NE(list.find("DOC.TXT"), std::string::npos);
    EXPECT_EQ(list.find("GAME.ZIP"), std::string::npos);
}

TEST_F(GenerationRun, SkipListLeavesOutThePublishedFiles) {
    CConfig config;
    COutRec first = FileList("FOO.ZIP", {1});  // a list published under a listed file's name
    first.m_nOptions = OPT_ASCII | OPT_SKIPLIST;
    config.m_lists.push_back(first);
    COutRec second = FileList("OTHER.TXT", {1});
    config.m_lists.push_back(second);
    ASSERT_EQ(Run(config), CMakeListThread::Outcome::Finished);

    const std::string skipping = m_board.ReadServerFile("wc:\\file\\area(1)\\FOO.ZIP");
    EXPECT_EQ(skipping.find("FOO.ZIP"), std::string::npos);
    EXPECT_NE(skipping.find("BAR.TXT"), std::string::npos);
    EXPECT_NE(m_board.ReadServerFile("wc:\\file\\area(1)\\OTHER.TXT").find("FOO.ZIP"),
              std::string::npos);
}

// The board holds a list under its name cut to 15 characters; the next run skips that.
TEST_F(GenerationRun, SkipListComparesTheNamesAsPublished) {
    CConfig config;
    COutRec list = FileList("ALL-FILES-LIST.TXT", {1});
    list.m_nOptions = OPT_ASCII | OPT_SKIPLIST;
    config.m_lists.push_back(list);
    ASSERT_EQ(Run(config), CMakeListThread::Outcome::Finished);
    ASSERT_EQ(Run(config), CMakeListThread::Outcome::Finished);
    const std::string second = m_board.ReadServerFile("wc:\\file\\area(1)\\ALL-FILES-LIST.");
    EXPECT_NE(second.find("BAR.TXT"), std::string::npos);
    EXPECT_EQ(second.find("ALL-FILES-LI"), std::string::npos);
}

TEST_F(GenerationRun, SameNamedFileListsDoNotMixTheirOutput) {
    CConfig config;
    COutRec a = FileList("SAME.TXT", {2});
    a.m_nFileArea = 1;
    COutRec b = FileList("SAME.TXT", {5});
    b.m_nFileArea = 2;
    config.m_lists.push_back(a);
    config.m_lists.push_back(b);
    ASSERT_EQ(Run(config), CMakeListThread::Outcome::Finished);
    const std::string first = m_board.ReadServerFile("wc:\\file\\area(1)\\SAME.TXT");
    const std::string second = m_board.ReadServerFile("wc:\\file\\area(2)\\SAME.TXT");
    EXPECT_NE(first.find("GAME.ZIP"), std::string::npos);
    EXPECT_EQ(first.find("DOC.TXT"), std::string::npos);
    EXPECT_NE(second.find("DOC.TXT"), std::string::npos);
    EXPECT_EQ(second.find("GAME.ZIP"), std::string::npos);
}

TEST_F(GenerationRun, CancelPublishesNothingMore) {
    CConfig config;
    config.m_lists.push_back(FileList("CANCEL.TXT", {1, 2, 5}));
    CMakeListThread worker(config, m_observer, 0);
    m_observer.onStatus = [&](const std::string& status) {
        if (status.rfind("Area ", 0) == 0) worker.Cancel();
    };
    worker.Start();
    worker.Join();
    EXPECT_EQ(worker.GetOutcome(), CMakeListThread::Outcome::Cancelled);
    EXPECT_THROW(m_board.ReadServerFile("wc:\\file\\area(1)\\CANCEL.TXT"), std::exception);
    EXPECT_EQ(m_observer.statuses.back(), "Cancelled: 1 of 1 lists were not published.");
    EXPECT_TRUE(TempIsEmpty());
}

TEST_F(GenerationRun, AnUnusableTemporaryDirectoryFailsEveryListByName) {
    setenv("TMPDIR", (m_tmp.Path() + "/missing").c_str(), 1);
    CConfig config;
    config.m_lists.push_back(FileList("ONE.TXT", {1}));
    ASSERT_EQ(Run(config), CMakeListThread::Outcome::Finished);
    ASSERT_EQ(m_failed.size(), 1u);
    EXPECT_NE(m_failed[0].find("\"ONE.TXT\""), std::string::npos);
    EXPECT_THROW(m_board.ReadServerFile("wc:\\file\\area(1)\\ONE.TXT"), std::exception);
}

TEST_F(GenerationRun, AListNameThatWouldLeaveTheTemporaryDirectoryOrBreakALineIsRefused) {
    CConfig config;
    config.m_lists.push_back(FileList("../ESCAPE.TXT", {1}));
    config.m_lists.push_back(FileList("GOOD.TXT", {1}));
    config.m_lists.push_back(FileList("TWO\nLINES.TXT", {1}));
    COutRec bulletin = FileList("NEW\rFILES", {1});
    bulletin.m_nListType = LIST_BULLETIN;
    config.m_lists.push_back(bulletin);
    ASSERT_EQ(Run(config), CMakeListThread::Outcome::Finished);
    ASSERT_EQ(m_failed.size(), 3u);
    EXPECT_NE(m_failed[0].find("../ESCAPE.TXT"), std::string::npos);
    EXPECT_NE(m_failed[1].find("\"TWO\\nLINES.TXT\""), std::string::npos) << m_failed[1];
    EXPECT_NE(m_failed[2].find("\"NEW\\rFILES\""), std::string::npos) << m_failed[2];
    EXPECT_THROW(m_board.ReadServerFile("wc:\\bull\\NEW\rFILES"), std::exception);
    EXPECT_FALSE(std::filesystem::exists(m_tmp.Path() + "/ESCAPE.TXT"));
    EXPECT_NE(m_board.ReadServerFile("wc:\\file\\area(1)\\GOOD.TXT").find("FOO.ZIP"),
              std::string::npos);
}

TEST_F(GenerationRun, NoListsStillWalksAndPublishesNothing) {
    CConfig config;
    ASSERT_EQ(Run(config), CMakeListThread::Outcome::Finished);
    const std::vector<std::string> statuses = {"Connecting to BBS ... ", "Finished!"};
    EXPECT_EQ(m_observer.statuses, statuses);
}

TEST(GenerationRunWithoutBoard, EndsAtOnceWhenTheBoardIsUnreachable) {
    CScratchDir dir;
    setenv("QUORVANE_BOARD", (dir.Path() + "/none").c_str(), 1);
    CConfig config;
    CRecordingObserver observer;
    CMakeListThread worker(config, observer, 0);
    worker.Start();
    worker.Join();
    unsetenv("QUORVANE_BOARD");
    EXPECT_EQ(worker.GetOutcome(), CMakeListThread::Outcome::NotConnected);
    const std::vector<std::string> statuses = {"Connecting to BBS ... ", "Finished!"};
    EXPECT_EQ(observer.statuses, statuses);
    EXPECT_EQ(observer.closes, 1);
}
