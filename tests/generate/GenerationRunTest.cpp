// Whole generation runs of the real worker on throw-away boards: the published bytes, the
// board's records and messages, progress, cancelling, and files from hostile uploaders.
#include <gmock/gmock.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "server/wcsrv/WcsrvInternal.h"
#include "tests/support/CBoardRunFixture.h"
#include "tests/support/Commands.h"
#include "tests/support/TextBytes.h"
#include "tools/board/CBoardAdmin.h"

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;
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
    // A list published in area 1.
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
    EXPECT_TRUE(m_failed.empty());
    // One area heading, two single-line entries and totals of 3048 bytes; the UTF-8 copy, all
    // ASCII here, differs only in its line ends.
    const std::string expected = ExpectedBytes("text-files.txt");
    EXPECT_EQ(Listed("FILES.TXT"), expected);
    std::string text = expected;
    std::erase(text, '\r');
    EXPECT_EQ(CScratchDir::ReadFile(m_dir.File("FILES.TXT.utf8.txt")), text);
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

TEST_F(GenerationRun, ReportsProgressThroughTheObserver) {
    COutRec popular = List("TOP.TXT", {5});
    popular.m_nSelection = SEL_POPULAR;
    popular.m_nTopCount = 25;
    ASSERT_EQ(Run({popular}), Outcome::Finished);
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
    CConfig config;
    config.m_lists = {List("New files", {1, 2}, LIST_MESSAGE), List("NEWS", {1, 2}, LIST_BULLETIN)};
    config.m_lists[1].m_strLanguage = "ALL";
    for (COutRec& list : config.m_lists) list.m_bNewOnly = 1;
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
    EXPECT_TRUE(m_failed.empty());
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
                testing::Contains("List \"New files\": no files new since 12/01/26 09:00; "
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
    ASSERT_EQ(m_failed.size(), 1u);
    EXPECT_THAT(m_failed[0], HasSubstr("\"New files\""));
    EXPECT_EQ(CScratchDir::ReadFile(state), marks("2026-12-01T10:00:00Z", "2026-12-01T09:00:00Z"));
    fs::remove(temp);
    ASSERT_EQ(Run(config), Outcome::Finished);
    EXPECT_EQ(messages(), 3u);
    EXPECT_THAT(m_board.MessageBody(2), HasSubstr("NEWER.ZIP"));

    // A damaged state file fails these lists by name, and they post nothing.
    CScratchDir::WriteFile(state, "{");
    ASSERT_EQ(Run(config), Outcome::Finished);
    ASSERT_EQ(m_failed.size(), 2u);
    EXPECT_THAT(m_failed[1], HasSubstr(state + " is damaged"));
    EXPECT_EQ(messages(), 3u);
}

TEST_F(GenerationRun, TheWalkJumpsOverAreasNoListCovers) {
    // Areas 1, 2 and 5 hold files; only 5 is covered. The walk reads the first record of
    // area 1, jumps to area 2, reads its first record, jumps to area 3 and lands on area 5.
    WcsrvInternalResetCallCounts();
    ASSERT_EQ(Run({List("FIVE.TXT", {5})}), Outcome::Finished);
    EXPECT_EQ(WcsrvInternalCallCount("SearchFileRecByAreaName"), 3u);
    EXPECT_EQ(WcsrvInternalCallCount("GetNextFileRec"), 1u);
    EXPECT_THAT(Listed("FIVE.TXT"), AllOf(HasSubstr("DOC.TXT"), Not(HasSubstr("GAME.ZIP"))));
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

TEST_F(GenerationRun, SameNamedFileListsDoNotMixTheirOutput) {
    COutRec first = List("SAME.TXT", {2}), second = List("SAME.TXT", {5});
    first.m_nFileArea = 1;
    second.m_nFileArea = 2;
    ASSERT_EQ(Run({first, second}), Outcome::Finished);
    EXPECT_THAT(Listed("SAME.TXT"), AllOf(HasSubstr("GAME.ZIP"), Not(HasSubstr("DOC.TXT"))));
    EXPECT_THAT(m_board.ReadServerFile("wc:\\file\\area(2)\\SAME.TXT"),
                AllOf(HasSubstr("DOC.TXT"), Not(HasSubstr("GAME.ZIP"))));
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

TEST_F(GenerationRun, AnUnusableTemporaryDirectoryFailsEveryListByName) {
    setenv("TMPDIR", (m_tmp.Path() + "/missing").c_str(), 1);
    ASSERT_EQ(Run({List("ONE.TXT", {1})}), Outcome::Finished);
    ASSERT_EQ(m_failed.size(), 1u);
    EXPECT_THAT(m_failed[0], HasSubstr("\"ONE.TXT\""));
    EXPECT_THROW(Listed("ONE.TXT"), std::exception);
}

// Names that would leave the temporary directory or break a line, and a UTF-8 copy that
// cannot be written (its list is still published; a message's name may hold "/").
TEST_F(GenerationRun, AListThatCannotBeWrittenFailsByNameAndTheOthersGoOn) {
    COutRec file = List("FILES.TXT", {1}), message = List("NEW/FILES", {1}, LIST_MESSAGE);
    file.m_strCopyDir = m_dir.File("missing");
    message.m_strCopyDir = m_dir.Path();
    ASSERT_EQ(Run({List("../ESCAPE.TXT", {1}), List("TWO\nLINES.TXT", {1}),
                   List("NEW\rFILES", {1}, LIST_BULLETIN), file, message}),
              Outcome::Finished);
    ASSERT_EQ(m_failed.size(), 5u);
    EXPECT_THAT(m_failed[0], HasSubstr("../ESCAPE.TXT"));
    EXPECT_THAT(m_failed[1], HasSubstr("\"TWO\\nLINES.TXT\""));
    EXPECT_THAT(m_failed[2], HasSubstr("\"NEW\\rFILES\""));
    EXPECT_THAT(m_failed[3], HasSubstr(m_dir.File("missing/FILES.TXT.utf8.txt")));
    EXPECT_THAT(m_failed[4], HasSubstr("\"NEW/FILES\" cannot name a file"));
    EXPECT_THROW(m_board.ReadServerFile("wc:\\bull\\NEW\rFILES"), std::exception);
    EXPECT_FALSE(fs::exists(m_tmp.Path() + "/ESCAPE.TXT"));
    EXPECT_THAT(Listed("FILES.TXT"), HasSubstr("FOO.ZIP"));
    EXPECT_EQ(nlohmann::json::parse(m_board.Export())["messages"].size(), 1u);
    EXPECT_TRUE(fs::is_empty(m_dir.Path()));
}

TEST_F(GenerationRun, NoListsStillWalksAndAnUnreachableBoardEndsAtOnce) {
    const std::vector<std::string> statuses = {"Connecting to BBS ... ", "Finished!"};
    ASSERT_EQ(Run(CConfig()), Outcome::Finished);
    EXPECT_EQ(m_observer.statuses, statuses);
    m_observer.statuses.clear();
    setenv("QUORVANE_BOARD", m_dir.File("none").c_str(), 1);
    EXPECT_EQ(Run({List("ONE.TXT", {1})}), Outcome::NotConnected);
    EXPECT_EQ(m_observer.statuses, statuses);
    EXPECT_EQ(m_observer.closes, 2);
}

TEST_F(HostileData, TextListsKeepTheirColumnsAndBytes) {
    ASSERT_EQ(Run({List("SINGLE.TXT", {1}), List("DOUBLE.TXT", {1}, LIST_FILE, LAYOUT_DOUBLE),
                   List("FULL.TXT", {2}, LIST_FILE, LAYOUT_FULL), List("BREAKS.TXT", {3})}),
              Outcome::Finished);
    EXPECT_TRUE(m_failed.empty());
    // Cut, wrapped and split by hand; a line break in a description shows as a blank.
    for (const auto& [list, expected] : {std::pair{"SINGLE.TXT", "hostile-single.txt"},
                                         {"DOUBLE.TXT", "hostile-double.txt"},
                                         {"FULL.TXT", "hostile-full.txt"},
                                         {"BREAKS.TXT", "hostile-breaks.txt"}})
        EXPECT_EQ(Listed(list), ExpectedBytes(expected)) << list;
}

TEST_F(HostileData, HtmlPageStaysWellFormedWithLinksEncoded) {
    COutRec list = List("LIST.HTM", {1, 2}, LIST_HTML, LAYOUT_FULL);
    list.m_strHtmlDir = m_dir.Path();
    list.m_strEntryTemplate = COutRec::m_strDefEntryFull;
    list.m_nLinkKind = LINK_HTTP;  // to local files
    ASSERT_EQ(Run({list}), Outcome::Finished);
    EXPECT_TRUE(m_failed.empty());
    const std::string page = CScratchDir::ReadFile(m_dir.File("LIST.HTM"));
    // The fifteen long lines of MANUAL.TXT (of 79 characters, the most a line holds) joined.
    std::string joined;
    for (char i = 0; i < 15; ++i)
        joined += (i ? " " : "") + Rep('A' + i, 43) + " " + Rep('a' + i, 35);
    // Descriptions escaped, complete (76 characters) and with Windows-1252 bytes unchanged;
    // hostile names percent-encoded in the unquoted link target and escaped in the text.
    EXPECT_THAT(
        page, AllOf(HasSubstr("&lt;script&gt;alert('x')&lt;/script&gt; &quot;quoted&quot; "
                              "&lt;/TD&gt; &amp; more"),
                    Not(HasSubstr("<script>")),
                    HasSubstr(">0123456789012345678901234567890123456789012345678901234567890123"
                              "456789ABCDEF</TD>"),
                    HasSubstr("Caf\xE9 \x01tab\there \x1B[1m \x80"
                              "5"),
                    HasSubstr(">" + joined + "</TD>"),
                    HasSubstr("<A HREF=/file/area1/%22Q%26A%22.TXT>&quot;Q&amp;A&quot;.TXT</A>"),
                    HasSubstr("<A HREF=/file/area1/"
                              "A%20really%20long%20file%20name%20%3Ci%3Ex%3C%2Fi%3E%20%26%20co.zip>"
                              "A really long file name &lt;i&gt;x&lt;/i&gt; &amp; co.zip</A>")));

    // Read as Windows-1252; the credit script holds "</A>", tables have no "summary".
    EXPECT_EQ(TidyProblems(m_dir.File("LIST.HTM"),
                           {"'<' + '/' + letter not allowed here", "lacks \"summary\" attribute"},
                           "-win1252"),
              "");
}
