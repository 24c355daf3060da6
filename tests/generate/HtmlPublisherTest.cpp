// Publishing HTML lists into their directory: logo, single pages, indexed sets with their
// index page, failures that keep the pages of the previous run, and pages that parse.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>

#include "generate/CHtmlPublisher.h"
#include "tests/generate/HtmlTestPages.h"
#include "tests/support/Commands.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

using namespace htmltest;

std::set<std::string> Names(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& item : fs::directory_iterator(dir)) names.insert(item.path().filename());
    return names;
}

class HtmlPublisherTest : public HtmlListTest {
protected:
    // Whatever happens, nothing of the list stays in the temporary folder.
    void TearDown() override { EXPECT_TRUE(Names(m_temp).empty()); }
    CListRun& Run() {
        if (!m_run) m_run = std::make_unique<CListRun>(m_def, m_temp + "/", nullptr);
        return *m_run;
    }
    // Begins the list with FOO.ZIP in area 3 and, unless `one`, GAME.ZIP in area 12.
    void Begin(bool one = false) {
        Run().BeginList("");
        Run().WriteEntry(TestEntry("FOO.ZIP", 3, 10));
        if (!one) Run().WriteEntry(TestEntry("GAME.ZIP", 12, 10));
    }
    std::string Html(const std::string& name) { return CScratchDir::ReadFile(m_html + "/" + name); }
    // tidy finds no error and no warning beyond those that the fixed HTML 3.2 texts cause (the
    // "&" of descriptions, the script's "</A>", tables without "summary", the empty table of
    // an index without rows, a header line with words before its address used whole as the
    // link target, and the second "</TABLE>" that ends a most-popular page).
    void ExpectParses(const std::string& name) {
        EXPECT_EQ(
            TidyProblems(m_html + "/" + name,
                         {"unescaped & which should be written as &amp;",
                          "'<' + '/' + letter not allowed here", "lacks \"summary\" attribute",
                          "trimming empty <table>", "escaping malformed URI reference",
                          "illegal characters found in URI", "discarding unexpected </table>"}),
            "")
            << name;
    }
};

}  // namespace

TEST_F(HtmlPublisherTest, IndexedSetGetsAreaPagesAnIndexAndTheLogo) {
    m_def.m_bIndexed = 1;
    Run().BeginList("Web: http://bbs.example.net/\r\ntelnet://bbs.example.net");
    Run().WriteEntry(TestEntry("FOO.ZIP", 3, 12345));
    Run().WriteEntry(TestEntry("GAME.ZIP", 12, 1036132));
    ASSERT_TRUE(Run().EndList()) << Run().FailureText();

    EXPECT_EQ(Names(m_html),
              (std::set<std::string>{"mflogo.gif", "00003LIST.HTM", "00012LIST.HTM", "LIST.HTM"}));
    const char* source = std::getenv("QV_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(Html("mflogo.gif"), CScratchDir::ReadFile(std::string(source) + "/res/mflogo.gif"));

    EXPECT_EQ(Html("LIST.HTM"), ExpectedBytes("html-index.htm"));
    const std::string area12 = Html("00012LIST.HTM");
    EXPECT_THAT(area12, HasSubstr("<H3><BR>12 - Games</H3>"));
    EXPECT_THAT(area12, HasSubstr("<A HREF=\"telnet://bbs.example.net\">"));
    EXPECT_THAT(area12, HasSubstr("Back to <A HREF=LIST.HTM>Index</A>"));
    for (const char* page : {"LIST.HTM", "00003LIST.HTM", "00012LIST.HTM"}) ExpectParses(page);
}

TEST_F(HtmlPublisherTest, AReappearingAreaReplacesItsPageAndAddsARow) {
    m_def.m_bIndexed = 1;
    m_def.m_bDefIndexHeader = 0;
    m_def.m_strIndexHeader = "<H1>~SUBJECT~ ~NAME~</H1>\n";
    m_def.m_bDefIndexFooter = 0;
    m_def.m_strIndexFooter = "<P>~NAME~</P>\n";
    g_bNoCounterImage = true;
    Run().BeginList("");
    Run().WriteEntry(TestEntry("A.ZIP", 3, 1));
    Run().WriteEntry(TestEntry("B.ZIP", 3, 2));
    Run().WriteEntry(TestEntry("C.ZIP", 12, 3));
    Run().WriteEntry(TestEntry("D.ZIP", 3, 4));
    ASSERT_TRUE(Run().EndList()) << Run().FailureText();
    EXPECT_EQ(Names(m_html),
              (std::set<std::string>{"mflogo.gif", "00003LIST.HTM", "00012LIST.HTM", "LIST.HTM"}));
    EXPECT_EQ(Html("LIST.HTM"), ExpectedBytes("html-index-reappearing.htm"));
    // The later page of area 3 is the one left.
    EXPECT_THAT(Html("00003LIST.HTM"), HasSubstr("D.ZIP"));
    EXPECT_THAT(Html("00003LIST.HTM"), Not(HasSubstr("A.ZIP")));
}

TEST_F(HtmlPublisherTest, IndexRowUnitsAndPlurals) {
    EXPECT_EQ(CHtmlPublisher::IndexRow("00007X.HTM", 7, "Docs", 1, 1048576),
              "<TR><TD><H3><A HREF=\"00007X.HTM\">Area 7 - Docs</A></H3></TD><TD><H3>(1 file, "
              "1024.00 KB)</H3></TD></TR>\n");
    // Single precision: 1073741825 bytes are 1073741824.0f, which is not above the threshold.
    const std::tuple<int, int64_t, const char*> rows[] = {{2, 1048577, "2 files, 1.00 MB"},
                                                          {40, 3221225472LL, "40 files, 3.00 GB"},
                                                          {3, 1073741825, "3 files, 1024.00 MB"}};
    for (const auto& [files, bytes, text] : rows)
        EXPECT_EQ(CHtmlPublisher::IndexRow("P", 1, "", files, bytes),
                  "<TR><TD><H3><A HREF=\"P\">Area 1 - </A></H3></TD><TD><H3>(" + std::string(text) +
                      ")</H3></TD></TR>\n");
}

TEST_F(HtmlPublisherTest, SinglePagesAndPopularSetsGetOnePage) {
    for (int selection : {SEL_ALL, SEL_POPULAR}) {
        m_def.m_nSelection = selection;
        m_def.m_bIndexed = selection == SEL_POPULAR;
        m_run.reset();
        Begin();
        ASSERT_TRUE(Run().EndList()) << Run().FailureText();
        EXPECT_EQ(Names(m_html), (std::set<std::string>{"mflogo.gif", "LIST.HTM"}));
        EXPECT_THAT(Html("LIST.HTM"), HasSubstr("GAME.ZIP"));
        ExpectParses("LIST.HTM");
    }
}

TEST_F(HtmlPublisherTest, PagesKeepTheirModeAndDeadRunsLeaveNoStagingFiles) {
    const int dead = CScratchDir::DeadProcessId();
    const std::string live = ".qvn-" + std::to_string(getppid()) + "-2.tmp";
    for (const std::string& name : {".qvn-" + std::to_string(dead) + "-1.tmp", live})
        CScratchDir::WriteFile(m_html + "/" + name, "half a page");
    CScratchDir::WriteFile(m_html + "/LIST.HTM", "old page");
    fs::permissions(m_html + "/LIST.HTM", fs::perms(0644));
    const mode_t mask = umask(077);
    Run().BeginList("");
    const bool ok = Run().EndList();
    umask(mask);
    ASSERT_TRUE(ok) << Run().FailureText();
    EXPECT_EQ(Names(m_html), (std::set<std::string>{live, "mflogo.gif", "LIST.HTM"}));
    EXPECT_EQ(fs::status(m_html + "/LIST.HTM").permissions(), fs::perms(0644));
    EXPECT_EQ(fs::status(m_html + "/mflogo.gif").permissions(), fs::perms(0600));
}

TEST_F(HtmlPublisherTest, IndexedSetWithoutFilesGetsAnEmptyIndex) {
    m_def.m_bIndexed = 1;
    Run().BeginList("");
    ASSERT_TRUE(Run().EndList()) << Run().FailureText();
    EXPECT_EQ(Names(m_html), (std::set<std::string>{"mflogo.gif", "LIST.HTM"}));
    EXPECT_EQ(Html("LIST.HTM"), ExpectedBytes("html-index-empty.htm"));
    ExpectParses("LIST.HTM");
}

TEST_F(HtmlPublisherTest, MissingDirectoryIsReportedByListName) {
    m_def.m_strHtmlDir = m_scratch.File("no-such-dir");
    Begin(true);
    EXPECT_FALSE(Run().EndList());
    EXPECT_THAT(Run().FailureText(), HasSubstr("\"LIST.HTM\""));
    EXPECT_THAT(Run().FailureText(), HasSubstr(m_def.m_strHtmlDir));
    EXPECT_FALSE(fs::exists(m_def.m_strHtmlDir));
}

TEST_F(HtmlPublisherTest, AFailedCopyKeepsThePagesOfTheLastRun) {
    CScratchDir::WriteFile(m_html + "/LIST.HTM", "old index");
    CScratchDir::WriteFile(m_html + "/00003LIST.HTM", "old area 3");
    m_def.m_bIndexed = 1;
    Begin();
    Run().WriteFooter();
    const std::string last = Run().m_pOutFile->FileName();
    Run().CloseOutput();
    // The finished page of area 3 is lost before it can be copied.
    fs::remove(m_temp + "/" + Run().m_indexPages[0]);
    EXPECT_FALSE(CHtmlPublisher::PublishHtml(Run(), last));
    EXPECT_THAT(Run().FailureText(), HasSubstr("\"LIST.HTM\""));
    EXPECT_EQ(Html("LIST.HTM"), "old index");
    EXPECT_EQ(Html("00003LIST.HTM"), "old area 3");
    EXPECT_EQ(Names(m_html), (std::set<std::string>{"mflogo.gif", "00003LIST.HTM", "LIST.HTM"}));
}

TEST_F(HtmlPublisherTest, SomethingInThePlaceOfAPageStopsBeforeAnyPageIsReplaced) {
    CScratchDir::WriteFile(m_html + "/00003LIST.HTM", "old area 3");
    fs::create_directory(m_html + "/LIST.HTM");
    m_def.m_bIndexed = 1;
    Begin(true);
    EXPECT_FALSE(Run().EndList());
    EXPECT_THAT(Run().FailureText(), HasSubstr("LIST.HTM is not a file"));
    EXPECT_EQ(Html("00003LIST.HTM"), "old area 3");
    EXPECT_EQ(Names(m_html), (std::set<std::string>{"mflogo.gif", "00003LIST.HTM", "LIST.HTM"}));
}

TEST_F(HtmlPublisherTest, AListThatFailedEarlierIsNotPublished) {
    CScratchDir::WriteFile(m_html + "/LIST.HTM", "old page");
    Begin(true);
    Run().WriteFooter();
    const std::string last = Run().m_pOutFile->FileName();
    Run().CloseOutput();
    Run().Fail("disk full (test)");
    EXPECT_FALSE(CHtmlPublisher::PublishHtml(Run(), last));
    EXPECT_EQ(Html("LIST.HTM"), "old page");
}

// The configuration's Windows-1252 "\xDC dir" and "caf\xE9 x.html" are the UTF-8 names on
// disk, and the links (the unquoted "Back to" one too) lead to them.
TEST_F(HtmlPublisherTest, WindowsNamesAreWrittenAndLinkedAsUtf8) {
    const std::string dir = m_scratch.File("\xC3\x9C dir");
    fs::create_directory(dir);
    m_def.m_strHtmlDir = m_scratch.File("\xDC dir");
    m_def.m_strListName = "caf\xE9 x.html";
    m_def.m_bIndexed = 1;
    Begin(true);
    ASSERT_TRUE(Run().EndList()) << Run().FailureText();
    EXPECT_EQ(Names(dir), (std::set<std::string>{"mflogo.gif", "00003caf\xC3\xA9 x.html",
                                                 "caf\xC3\xA9 x.html"}));
    EXPECT_THAT(CScratchDir::ReadFile(dir + "/caf\xC3\xA9 x.html"),
                HasSubstr("<A HREF=\"00003caf%C3%A9%20x.html\">"));
    EXPECT_THAT(CScratchDir::ReadFile(dir + "/00003caf\xC3\xA9 x.html"),
                HasSubstr("Back to <A HREF=caf%C3%A9%20x.html>Index</A>"));
}

TEST_F(HtmlPublisherTest, NamesThatWouldLeaveTheDirectoryAreRefusedByName) {
    for (const std::string name : {"../escape.html", "..", ".", "", "sub/x.html"}) {
        m_def.m_strListName = name;
        m_run.reset();
        Begin(true);
        EXPECT_FALSE(Run().EndList()) << name;
        EXPECT_THAT(Run().FailureText(), HasSubstr("\"" + name + "\""));
    }
    EXPECT_TRUE(Names(m_html).empty());
    EXPECT_FALSE(fs::exists(m_scratch.File("escape.html")));
}

TEST_F(HtmlPublisherTest, ExtractResourceFindsTheLogoByNameAndTypeInAnyCase) {
    const std::string path = m_html + "/logo.gif";
    CScratchDir::WriteFile(path, "old");
    EXPECT_FALSE(CHtmlPublisher::ExtractResource("no_such_logo", "GIF_RESOURCE", path));
    EXPECT_EQ(Html("logo.gif"), "old");
    EXPECT_TRUE(CHtmlPublisher::ExtractResource("MF_LOGO_SMALL", "gif_resource", path));
    const std::string gif = Html("logo.gif");
    ASSERT_GE(gif.size(), 10u);
    // GIF89a, 151 x 32.
    EXPECT_EQ(gif.substr(0, 10), std::string("GIF89a\x97\x00\x20\x00", 10));
    EXPECT_EQ(Names(m_html), (std::set<std::string>{"logo.gif"}));
}
