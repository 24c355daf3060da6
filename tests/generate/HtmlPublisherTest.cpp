// Publishing HTML lists into their directory: logo, pages, index, feeds, failures that keep
// the previous run's pages, and pages that parse.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "publish/CHtmlPublisher.h"
#include "publish/CListPublisher.h"
#include "tests/generate/HtmlTestPages.h"
#include "tests/support/Commands.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

using namespace htmltest;

using Files = std::set<std::string>;

Files Names(const std::string& dir) {
    Files names;
    for (const auto& item : fs::directory_iterator(dir)) names.insert(item.path().filename());
    return names;
}

class HtmlPublisherTest : public HtmlListTest {
protected:
    // Whatever happens, nothing of the list stays in the temporary folder.
    void TearDown() override { EXPECT_TRUE(Names(m_temp).empty()); }
    CListRun& Run() {
        if (!m_run) {
            m_run = std::make_unique<CListRun>(m_def, m_temp + "/", nullptr, m_options);
            m_run->SetPublisher(&m_publisher);
        }
        return *m_run;
    }
    // Begins the list with FOO.ZIP in area 3.
    void Begin() {
        Run().BeginList("");
        Run().WriteEntry(TestEntry("FOO.ZIP", 3, 10));
    }
    std::string Html(const std::string& name) { return CScratchDir::ReadFile(m_html + "/" + name); }
    CListPublisher m_publisher;
};

}  // namespace

TEST_F(HtmlPublisherTest, IndexedSetGetsAreaPagesAnIndexAndTheLogo) {
    m_def.m_bIndexed = 1;
    Run().BeginList("Web: http://bbs.example.net/\r\ntelnet://bbs.example.net");
    Run().WriteEntry(TestEntry("FOO.ZIP", 3, 12345));
    Run().WriteEntry(TestEntry("GAME.ZIP", 12, 1036132));
    ASSERT_TRUE(Run().EndList()) << Run().FailureText();

    EXPECT_EQ(Names(m_html), (Files{"mflogo.gif", "00003LIST.HTM", "00012LIST.HTM", "LIST.HTM"}));
    EXPECT_EQ(Html("LIST.HTM"), ExpectedBytes("html-index.htm"));
    EXPECT_THAT(Html("00012LIST.HTM"), HasSubstr("<A HREF=\"telnet://bbs.example.net\">"));
}

TEST_F(HtmlPublisherTest, AReappearingAreaReplacesItsPageAndAddsARow) {
    m_def.m_bIndexed = 1;
    m_def.m_bDefIndexHeader = 0;
    m_def.m_strIndexHeader = "<H1>~SUBJECT~ ~NAME~</H1>\n";
    m_def.m_bDefIndexFooter = 0;
    m_def.m_strIndexFooter = "<P>~NAME~</P>\n";
    m_options.noCounterImage = true;
    Run().BeginList("");
    Run().WriteEntry(TestEntry("A.ZIP", 3, 1));
    Run().WriteEntry(TestEntry("B.ZIP", 3, 2));
    Run().WriteEntry(TestEntry("C.ZIP", 12, 3));
    Run().WriteEntry(TestEntry("D.ZIP", 3, 4));
    ASSERT_TRUE(Run().EndList()) << Run().FailureText();
    EXPECT_EQ(Names(m_html), (Files{"mflogo.gif", "00003LIST.HTM", "00012LIST.HTM", "LIST.HTM"}));
    EXPECT_EQ(Html("LIST.HTM"), ExpectedBytes("html-index-reappearing.htm"));
    // The later page of area 3 is the one left.
    EXPECT_THAT(Html("00003LIST.HTM"), HasSubstr("D.ZIP"));
    EXPECT_THAT(Html("00003LIST.HTM"), Not(HasSubstr("A.ZIP")));
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
    EXPECT_EQ(Names(m_html), (Files{live, "mflogo.gif", "LIST.HTM"}));
    EXPECT_EQ(fs::status(m_html + "/LIST.HTM").permissions(), fs::perms(0644));
    EXPECT_EQ(fs::status(m_html + "/mflogo.gif").permissions(), fs::perms(0600));
}

TEST_F(HtmlPublisherTest, IndexedSetWithoutFilesGetsAnEmptyIndex) {
    m_def.m_bIndexed = 1;
    Run().BeginList("");
    ASSERT_TRUE(Run().EndList()) << Run().FailureText();
    EXPECT_EQ(Names(m_html), (Files{"mflogo.gif", "LIST.HTM"}));
    EXPECT_EQ(Html("LIST.HTM"), ExpectedBytes("html-index-empty.htm"));
}

TEST_F(HtmlPublisherTest, MissingDirectoryIsReportedByListName) {
    m_def.m_strHtmlDir = m_scratch.File("no-such-dir");
    Begin();
    EXPECT_FALSE(Run().EndList());
    EXPECT_THAT(Run().FailureText(),
                HasSubstr("\"LIST.HTM\" was not published: the directory \"" + m_def.m_strHtmlDir));
    EXPECT_FALSE(fs::exists(m_def.m_strHtmlDir));
}

TEST_F(HtmlPublisherTest, AFailedCopyKeepsThePagesOfTheLastRun) {
    CScratchDir::WriteFile(m_html + "/LIST.HTM", "old index");
    CScratchDir::WriteFile(m_html + "/00003LIST.HTM", "old area 3");
    m_def.m_bIndexed = 1;
    Begin();
    const FinishedList list = Run().Finish();
    // The finished page of area 3 is lost before it can be copied.
    fs::remove(m_temp + "/" + Run().m_indexPages[0]);
    EXPECT_FALSE(CHtmlPublisher::PublishHtml(list));
    EXPECT_THAT(Run().FailureText(), HasSubstr("\"LIST.HTM\""));
    EXPECT_EQ(Names(m_html), (Files{"mflogo.gif", "00003LIST.HTM", "LIST.HTM"}));
    EXPECT_EQ(Html("LIST.HTM") + Html("00003LIST.HTM"), "old indexold area 3");
}

TEST_F(HtmlPublisherTest, SomethingInThePlaceOfAPageStopsBeforeAnyPageIsReplaced) {
    CScratchDir::WriteFile(m_html + "/00003LIST.HTM", "old area 3");
    fs::create_directory(m_html + "/LIST.HTM");
    m_def.m_bIndexed = 1;
    Begin();
    EXPECT_FALSE(Run().EndList());
    EXPECT_THAT(Run().FailureText(), HasSubstr("LIST.HTM is not a file"));
    EXPECT_EQ(Html("00003LIST.HTM"), "old area 3");
    EXPECT_EQ(Names(m_html), (Files{"mflogo.gif", "00003LIST.HTM", "LIST.HTM"}));
}

// The configuration's Windows-1252 "\xDC dir" and "caf\xE9 x.html" are the UTF-8 names on
// disk, and the links (the unquoted "Back to" one too) lead to them.
TEST_F(HtmlPublisherTest, WindowsNamesAreWrittenAndLinkedAsUtf8) {
    const std::string dir = m_scratch.File("\xC3\x9C dir");
    fs::create_directory(dir);
    m_def.m_strHtmlDir = m_scratch.File("\xDC dir");
    m_def.m_strListName = "caf\xE9 x.html";
    m_def.m_bIndexed = 1;
    Begin();
    ASSERT_TRUE(Run().EndList()) << Run().FailureText();
    EXPECT_EQ(Names(dir), (Files{"mflogo.gif", "00003caf\xC3\xA9 x.html", "caf\xC3\xA9 x.html"}));
    EXPECT_THAT(CScratchDir::ReadFile(dir + "/caf\xC3\xA9 x.html"),
                HasSubstr("<A HREF=\"00003caf%C3%A9%20x.html\">"));
    EXPECT_THAT(CScratchDir::ReadFile(dir + "/00003caf\xC3\xA9 x.html"),
                HasSubstr("Back to <A HREF=caf%C3%A9%20x.html>Index</A>"));
}

TEST_F(HtmlPublisherTest, NamesThatWouldLeaveTheDirectoryAreRefusedByName) {
    for (const std::string name : {"../escape.html", "..", ".", "", "sub/x.html"}) {
        m_def.m_strListName = name;
        m_run.reset();
        Begin();
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
    EXPECT_EQ(Html("logo.gif"),
              CScratchDir::ReadFile(std::string(std::getenv("QV_SOURCE_DIR")) + "/res/mflogo.gif"));
}

// The newest two files in the feed, all in the catalogue: markup, a Windows-1252 name and a
// control character escaped, the long name apart from the record's own.
TEST_F(HtmlPublisherTest, FeedAndCatalogueBesideThePage) {
    m_def.m_nFeeds = FEED_ATOM | FEED_JSON;
    m_def.m_nFeedCount = 2;
    m_def.m_nLinkKind = LINK_HTTP;
    m_def.m_bLocalLinks = 0;
    m_def.m_strServer = "files.example";
    CFileEntry cafe = TestEntry("caf\xE9 & <b>.zip", 12, 5, "");
    cafe.m_strFileName = "CAFE.ZIP";
    cafe.m_dtUploaded += 3600;
    cafe.m_dtLastDownload = cafe.m_dtUploaded + 3600;
    cafe.m_strUploader.clear();
    cafe.m_bLongDesc = true;
    cafe.m_strDescLine[0] = "Line one";
    cafe.m_strDescLine[2] = "Line \"three\"\x07";
    CFileEntry old = TestEntry("OLD.TXT", 3, 1);
    old.m_dtUploaded -= 86400;
    Run().BeginList("");
    for (const CFileEntry& e : {TestEntry("FOO.ZIP", 3, 100), cafe, old}) Run().WriteEntry(e);
    ASSERT_TRUE(Run().EndList()) << Run().FailureText();

    EXPECT_EQ(Names(m_html), (Files{"mflogo.gif", "LIST.HTM", "LIST.atom", "LIST.json"}));
    EXPECT_EQ(Html("LIST.atom"), ExpectedBytes("html-feed.atom"));
    EXPECT_EQ(Html("LIST.json"), ExpectedBytes("html-catalogue.json"));
}

// Modern pages (single, indexed with its index, most popular, the operator's own templates)
// parse as HTML5 without a warning, in UTF-8; each file is a group that carries its sort keys.
TEST_F(HtmlPublisherTest, ModernPagesParseWithBuiltInAndCustomTemplates) {
    const std::string open =
        "<tbody class=\"qv-f\" data-name=\"FOO.ZIP\" data-size=\"100\" "
        "data-date=\"2026-11-30T10:00:00Z\" data-downloads=\"7\">\r\n<tr><td class=\"qv-name\">"
        "FOO.ZIP</td>";
    const struct {
        int selection, indexed, layout, custom;
        std::string group;  // the first file's group, as on the page
    } cases[] = {
        {SEL_ALL, 0, LAYOUT_DOUBLE, false,
         open + "<td class=\"qv-n\">100</td><td>11/30/26</td><td class=\"qv-n\">7</td>"
                "<td>caf\xC3\xA9 &lt;b&gt;</td></tr>\r\n</tbody>\r\n"},
        {SEL_ALL, 1, LAYOUT_FULL, false, "FOO.ZIP"},
        {SEL_POPULAR, 0, LAYOUT_SINGLE, false, open + "<td>caf\xC3\xA9 &lt;b&gt;</td></tr>\r\n"},
        {SEL_ALL, 0, LAYOUT_SINGLE, true,
         "data-downloads=\"7\">\r\n<TR><TD>FOO.ZIP</TD><TD> </TD></TR>\r\n</tbody>\r\n"},
    };
    m_def.m_nTheme = THEME_MODERN;
    m_def.m_strHeader = "<h1>~BBS~</h1>\n";
    m_def.m_strAreaHeader = "<h2>~AREANAME~</h2><TABLE>\n";
    m_def.m_strEntryTemplate = "<TR><TD>~NAME~</TD><TD>~FLAG~</TD></TR>\n";
    m_def.m_strFooter = "<p>~SUBJECT~</p>\n";
    CFileEntry game = TestEntry("GAME.ZIP", 12, 5000);
    game.m_bLongDesc = true;
    game.m_strDescLine[0] = "More <text>";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.group);
        fs::remove_all(m_html);
        fs::create_directory(m_html);
        m_def.m_nSelection = c.selection;
        m_def.m_bIndexed = c.indexed;
        m_def.m_nLayout = c.layout;
        m_def.m_bDefHeader = m_def.m_bDefEntry = m_def.m_bDefAreaHeader = !c.custom;
        m_def.m_bDefAreaFooter = m_def.m_bDefFooter = !c.custom;
        m_run.reset();
        Run().BeginList("http://bbs.example.net/");
        Run().WriteEntry(TestEntry("FOO.ZIP", 3, 100, "caf\xE9 <b>"));
        Run().WriteEntry(game);
        ASSERT_TRUE(Run().EndList()) << Run().FailureText();
        for (const std::string& page : Names(m_html)) {
            if (page == "mflogo.gif") continue;
            EXPECT_EQ(TidyProblems(m_html + "/" + page, {}), "") << page;
        }
        const std::string page = Html(c.indexed ? "00003LIST.HTM" : "LIST.HTM");
        EXPECT_THAT(page, HasSubstr(c.group));
        EXPECT_THAT(page, HasSubstr("<meta charset=\"utf-8\">"));
    }
}
