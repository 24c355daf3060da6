// Whole generation runs of the real worker on throw-away boards, hostile ones among them.
#include <gmock/gmock.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "server/wcsrv/WcsrvInternal.h"
#include "tests/support/CBoardRunFixture.h"
#include "tests/support/Commands.h"
#include "tests/support/TextBytes.h"
#include "tools/board/CBoardAdmin.h"

namespace fs = std::filesystem;
using namespace ::testing;
using Outcome = CMakeListThread::Outcome;

namespace {

COutRec List(const std::string& name, std::vector<int32_t> areas, int type = LIST_FILE,
             int layout = LAYOUT_SINGLE) {
    COutRec rec;
    rec.m_nListType = type;
    rec.m_strListName = name;
    rec.m_strListDesc = "All our files";
    rec.m_nLayout = layout;
    rec.m_nOptions = OPT_ASCII;
    rec.m_areas = std::move(areas);
    return rec;
}

class GenerationRun : public CBoardRunFixture {
protected:
    explicit GenerationRun(const std::string& board = CTestBoard::Data("board.json"))
        : CBoardRunFixture(board) {}
    // Whatever happens, nothing of a run stays in its temporary directory.
    void TearDown() override { EXPECT_TRUE(fs::is_empty(m_tmp.Path())); }
    std::string Listed(const std::string& name) {
        return m_board.ReadServerFile("wc:\\file\\area(1)\\" + name);
    }
};

// Board JSON is UTF-8, the board stores Windows-1252: "\u00e9" is 0xE9, "\u20ac" 0x80.
class HostileData : public GenerationRun {
protected:
    HostileData() : GenerationRun(CTestBoard::Data("hostile.json")) {}
};

}  // namespace

TEST_F(GenerationRun, PublishesAFileListByteForByte) {
    COutRec list = List("FILES.TXT", {1});
    list.m_strCopyDir = m_dir.Path();
    ASSERT_EQ(Run({list}), Outcome::Finished);
    // The UTF-8 copy of this all-ASCII list differs only in its line ends.
    const std::string expected = ExpectedBytes("text-files.txt");
    EXPECT_EQ(Listed("FILES.TXT"), expected);
    EXPECT_EQ(Crlf(CScratchDir::ReadFile(m_dir.File("FILES.TXT.utf8.txt"))), expected);
    // One record of the list: area, description, size and uploader.
    const auto board = nlohmann::json::parse(m_board.Export());
    nlohmann::json records = nlohmann::json::array();
    for (const auto& f : board["files"])
        if (f["name"] == "FILES.TXT")
            records.push_back({f["area"], f["description"], f["size"], f["uploader"]});
    EXPECT_EQ(records,
              nlohmann::json::parse(R"([[1, "All our files", )" + std::to_string(expected.size()) +
                                    R"(, "Sam Sysop"]])"));
}

TEST_F(GenerationRun, ReportsProgressAndWalksOnlyTheAreasListsCover) {
    COutRec popular = List("TOP.TXT", {5});
    popular.m_nSelection = SEL_POPULAR;
    popular.m_nTopCount = 25;
    WcsrvInternalResetCallCounts();
    ASSERT_EQ(Run({popular}), Outcome::Finished);
    // Areas 1, 2 and 5 hold files. The walk reads the first record of area 1, jumps to area 2,
    // reads its first record, jumps to area 3 and lands on area 5.
    EXPECT_EQ(WcsrvInternalCallCount("SearchFileRecByAreaName"), 3u);
    EXPECT_EQ(WcsrvInternalCallCount("GetNextFileRec"), 1u);
    EXPECT_EQ(m_observer.statuses,
              (std::vector<std::string>{"Connecting to BBS ... ", "Area 5 - Docs",
                                        "Generating compressed files ...",
                                        "Generating \"Most Popular\" lists ...", "Finished!"}));
    EXPECT_EQ(m_observer.captions,
              (std::vector<std::string>{"Quorvane V2.2", "Quorvane V2.2 - Test BBS"}));
    EXPECT_EQ(m_observer.range, (std::vector<int>{0, 25, 1}));
    EXPECT_EQ(m_observer.buttonLabels, std::vector<std::string>{"OK"});
    EXPECT_EQ(m_observer.closes, 1);
    EXPECT_TRUE(m_observer.messages.empty());
    EXPECT_THAT(Listed("TOP.TXT"), AllOf(HasSubstr("25 Most Popular Files"), HasSubstr("DOC.TXT"),
                                         Not(HasSubstr("FOO.ZIP"))));
}

TEST_F(GenerationRun, BulletinAndMessageReachTheBoard) {
    COutRec bulletin = List("NEWFILES", {1, 2, 5}, LIST_BULLETIN);
    bulletin.m_nSelection = SEL_DAYS;
    bulletin.m_nDays = 7;
    bulletin.m_strLanguage = "ENGLISH";
    // From no one: posts as the board's operator, to "ALL", about "New Files".
    COutRec message = List("Weekly", {2}, LIST_MESSAGE);
    COutRec none = List("Weekly", {9}, LIST_MESSAGE);  // no files there: nothing is posted
    bulletin.m_nConference = message.m_nConference = none.m_nConference = 0;
    ASSERT_EQ(Run({bulletin, message, none}), Outcome::Finished);
    EXPECT_TRUE(m_failed.empty());
    const std::string text = m_board.ReadServerFile("wc:\\bull\\conf(0)\\lang(ENGLISH)\\NEWFILES");
    EXPECT_THAT(text, AllOf(HasSubstr("@0E@Files Uploaded in the Last 7 Days@0E@"),
                            HasSubstr("FOO.ZIP"), Not(HasSubstr("BAR.TXT"))));  // 2 months old

    const std::string body = m_board.MessageBody(0);
    EXPECT_THAT(body, HasSubstr("GAME.ZIP"));
    EXPECT_EQ(nlohmann::json::parse(m_board.Export())["messages"],
              nlohmann::json::parse(R"([{"conference": 0, "from": "Sam Sysop", "to": "ALL",)"
                                    R"( "subject": "New Files", "body_size": )" +
                                    std::to_string(body.size()) + "}]"));
}

// A message and a bulletin that announce only new files, over runs with uploads in between.
TEST_F(GenerationRun, NewOnlyListsPostEachFileOnceAndNothingWhenNothingIsNew) {
    const std::string state = m_dir.File("Quorvane.state.json");
    m_options.statePath = state;
    std::vector<COutRec> config = {List("New files", {1, 2}, LIST_MESSAGE),
                                   List("NEWS", {1, 2}, LIST_BULLETIN)};
    config[1].m_strLanguage = "ALL";
    for (COutRec& list : config) list.m_bNewOnly = 1;
    auto marks = [](const char* bulletin, const char* message) {
        return std::string("{\n  \"newestPosted\": {\n    \"bulletin\": {\n      \"NEWS\": \"") +
               bulletin + "\"\n    },\n    \"message\": {\n      \"New files\": \"" + message +
               "\"\n    }\n  },\n  \"version\": 1\n}\n";
    };
    auto upload = [&](const std::string& name, const std::string& when) {
        const nlohmann::json file = {{"area", 1}, {"name", name}, {"uploaded", when}};
        CBoardAdmin(m_board.Dir()).Import(nlohmann::json{{"files", {file}}}.dump(), "upload");
    };
    auto messages = [&] { return nlohmann::json::parse(m_board.Export())["messages"].size(); };
    auto bulletin = [&] { return m_board.ReadServerFile("wc:\\bull\\NEWS"); };

    // First run: the whole selection; the mark is the newest upload, FOO.ZIP's.
    ASSERT_EQ(Run(config), Outcome::Finished);
    EXPECT_THAT(m_board.MessageBody(0), HasSubstr("GAME.ZIP"));
    EXPECT_EQ(CScratchDir::ReadFile(state), marks("2026-11-30T08:00:00Z", "2026-11-30T08:00:00Z"));

    // Second run: only what was uploaded after the mark.
    upload("NEW.ZIP", "2026-12-01T09:00:00Z");
    upload("OLD.ZIP", "2026-11-01T09:00:00Z");
    ASSERT_EQ(Run(config), Outcome::Finished);
    for (const std::string& text : {m_board.MessageBody(1), bulletin()})
        EXPECT_THAT(text, AllOf(HasSubstr("NEW.ZIP"), Not(HasSubstr("FOO.ZIP")),
                                Not(HasSubstr("OLD.ZIP"))));
    EXPECT_EQ(CScratchDir::ReadFile(state), marks("2026-12-01T09:00:00Z", "2026-12-01T09:00:00Z"));

    // Third run: nothing new, nothing posted, and the console says so.
    const std::string lastBulletin = bulletin();
    ASSERT_EQ(Run(config), Outcome::Finished);
    EXPECT_TRUE(m_failed.empty());
    EXPECT_EQ(messages(), 2u);
    EXPECT_EQ(bulletin(), lastBulletin);
    EXPECT_THAT(m_observer.statuses,
                Contains("List \"New files\": no files new since 12/01/26 09:00; "
                         "nothing posted."));

    // A preview and a post that fails keep the marks; the next run posts the file.
    upload("NEWER.ZIP", "2026-12-01T10:00:00Z");
    m_options.previewDir = m_dir.File("preview");
    ASSERT_EQ(Run(config), Outcome::Finished);
    m_options.previewDir.clear();
    EXPECT_EQ(CScratchDir::ReadFile(state), marks("2026-12-01T09:00:00Z", "2026-12-01T09:00:00Z"));
    const std::string temp = m_board.Dir() + "/storage/TEMP";
    fs::remove_all(temp);
    CScratchDir::WriteFile(temp, "");  // the board cannot stage the message body
    ASSERT_EQ(Run(config), Outcome::Finished);
    EXPECT_THAT(m_failed, ElementsAre(HasSubstr("\"New files\"")));
    EXPECT_EQ(CScratchDir::ReadFile(state), marks("2026-12-01T10:00:00Z", "2026-12-01T09:00:00Z"));
    fs::remove(temp);
    ASSERT_EQ(Run(config), Outcome::Finished);
    EXPECT_EQ(messages(), 3u);
    EXPECT_THAT(m_board.MessageBody(2), HasSubstr("NEWER.ZIP"));

    // A damaged state file fails these lists by name, and they post nothing.
    CScratchDir::WriteFile(state, "{");
    ASSERT_EQ(Run(config), Outcome::Finished);
    EXPECT_THAT(m_failed, ElementsAre(_, HasSubstr(state + " is damaged")));
    EXPECT_EQ(messages(), 3u);
}

// FOO.ZIP is published under a listed file's name; the board holds ALL-FILES-LIST.TXT under
// its name cut to 15 characters, which the second run skips too.
TEST_F(GenerationRun, SkipListLeavesOutThePublishedFilesByTheirPublishedNames) {
    COutRec skipping = List("FOO.ZIP", {1}), cut = List("ALL-FILES-LIST.TXT", {1});
    skipping.m_nOptions = cut.m_nOptions = OPT_ASCII | OPT_SKIPLIST;
    ASSERT_EQ(Run({skipping, List("OTHER.TXT", {1}), cut}), Outcome::Finished);
    ASSERT_EQ(Run({skipping, List("OTHER.TXT", {1}), cut}), Outcome::Finished);
    EXPECT_THAT(Listed("FOO.ZIP"), AllOf(Not(HasSubstr("FOO.ZIP")), HasSubstr("BAR.TXT")));
    EXPECT_THAT(Listed("OTHER.TXT"), HasSubstr("FOO.ZIP"));
    EXPECT_THAT(Listed("ALL-FILES-LIST."),
                AllOf(HasSubstr("BAR.TXT"), Not(HasSubstr("ALL-FILES-LI"))));
}

TEST_F(GenerationRun, CancelPublishesNothingMore) {
    CConfig config;
    config.m_lists = {List("CANCEL.TXT", {1, 2, 5})};
    CMakeListThread worker(config, m_observer, m_options, m_publisher);
    m_observer.onStatus = [&](const std::string& status) {
        if (status.rfind("Area ", 0) == 0) worker.Cancel();
    };
    worker.Start();
    worker.Join();
    EXPECT_EQ(worker.GetOutcome(), Outcome::Cancelled);
    EXPECT_THROW(Listed("CANCEL.TXT"), std::exception);
    EXPECT_EQ(m_observer.statuses.back(), "Cancelled: 1 of 1 lists were not published.");
}

// Names that would leave the temporary directory or break a line, and a UTF-8 copy that
// cannot be written (its list is still published; a message's name may hold "/"). Two lists
// of the same name do not mix their output.
TEST_F(GenerationRun, AListThatCannotBeWrittenFailsByNameAndTheOthersGoOn) {
    COutRec file = List("FILES.TXT", {1}), message = List("NEW/FILES", {1}, LIST_MESSAGE);
    file.m_strCopyDir = m_dir.File("missing");
    message.m_strCopyDir = m_dir.Path();
    COutRec first = List("SAME.TXT", {2}), second = List("SAME.TXT", {5});
    second.m_nFileArea = 2;
    ASSERT_EQ(Run({List("../ESCAPE.TXT", {1}), List("TWO\nLINES.TXT", {1}),
                   List("NEW\rFILES", {1}, LIST_BULLETIN), file, message, first, second}),
              Outcome::Finished);
    EXPECT_THAT(m_failed, ElementsAre(HasSubstr("../ESCAPE.TXT"), HasSubstr("\"TWO\\nLINES.TXT\""),
                                      HasSubstr("\"NEW\\rFILES\""),
                                      HasSubstr(m_dir.File("missing/FILES.TXT.utf8.txt")),
                                      HasSubstr("\"NEW/FILES\" cannot name a file")));
    EXPECT_THROW(m_board.ReadServerFile("wc:\\bull\\NEW\rFILES"), std::exception);
    EXPECT_FALSE(fs::exists(m_tmp.Path() + "/ESCAPE.TXT"));
    EXPECT_THAT(Listed("FILES.TXT"), HasSubstr("FOO.ZIP"));
    EXPECT_EQ(nlohmann::json::parse(m_board.Export())["messages"].size(), 1u);
    EXPECT_TRUE(fs::is_empty(m_dir.Path()));
    EXPECT_THAT(Listed("SAME.TXT"), AllOf(HasSubstr("GAME.ZIP"), Not(HasSubstr("DOC.TXT"))));
    EXPECT_THAT(m_board.ReadServerFile("wc:\\file\\area(2)\\SAME.TXT"),
                AllOf(HasSubstr("DOC.TXT"), Not(HasSubstr("GAME.ZIP"))));
}

TEST_F(GenerationRun, NoListsStillWalksAndNoTemporaryDirectoryOrBoardFailsTheRun) {
    const std::vector<std::string> statuses = {"Connecting to BBS ... ", "Finished!"};
    ASSERT_EQ(Run(CConfig()), Outcome::Finished);
    EXPECT_EQ(m_observer.statuses, statuses);
    setenv("TMPDIR", (m_tmp.Path() + "/missing").c_str(), 1);
    ASSERT_EQ(Run({List("ONE.TXT", {1})}), Outcome::Finished);
    EXPECT_THAT(m_failed, ElementsAre(HasSubstr("\"ONE.TXT\"")));
    EXPECT_THROW(Listed("ONE.TXT"), std::exception);
    m_observer.statuses.clear();
    setenv("QUORVANE_BOARD", m_dir.File("none").c_str(), 1);
    EXPECT_EQ(Run({List("ONE.TXT", {1})}), Outcome::NotConnected);
    EXPECT_EQ(m_observer.statuses, statuses);
    EXPECT_EQ(m_observer.closes, 3);
}

TEST_F(HostileData, TextListsKeepTheirBytesAndTheHtmlPageStaysWellFormed) {
    COutRec html = List("LIST.HTM", {1, 2}, LIST_HTML, LAYOUT_FULL);
    html.m_strHtmlDir = m_dir.Path();
    html.m_strEntryTemplate = COutRec::m_strDefEntryFull;
    html.m_nLinkKind = LINK_HTTP;  // to local files
    ASSERT_EQ(Run({List("SINGLE.TXT", {1}), List("DOUBLE.TXT", {1}, LIST_FILE, LAYOUT_DOUBLE),
                   List("FULL.TXT", {2}, LIST_FILE, LAYOUT_FULL), List("BREAKS.TXT", {3}), html}),
              Outcome::Finished);
    EXPECT_TRUE(m_failed.empty());
    // Cut, wrapped and split by hand; a line break in a description shows as a blank.
    for (const auto& [list, expected] : {std::pair{"SINGLE.TXT", "hostile-single.txt"},
                                         {"DOUBLE.TXT", "hostile-double.txt"},
                                         {"FULL.TXT", "hostile-full.txt"},
                                         {"BREAKS.TXT", "hostile-breaks.txt"}})
        EXPECT_EQ(Listed(list), ExpectedBytes(expected)) << list;
    // Descriptions escaped, whole and in Windows-1252 (MANUAL.TXT's fifteen lines joined);
    // hostile names percent-encoded in the unquoted link and escaped in the text.
    const std::string page = CScratchDir::ReadFile(m_dir.File("LIST.HTM"));
    std::istringstream fragments(ExpectedBytes("hostile-html-fragments.txt"));
    for (std::string line; std::getline(fragments, line);) EXPECT_THAT(page, HasSubstr(line));
    EXPECT_THAT(page, Not(HasSubstr("<script>")));
    // Read as Windows-1252; the credit script holds "</A>", tables have no "summary".
    EXPECT_EQ(TidyProblems(m_dir.File("LIST.HTM"),
                           {"'<' + '/' + letter not allowed here", "lacks \"summary\" attribute"},
                           "-win1252"),
              "");
}
