// Template tokens: values, conditions, escaping, replacement order and file links.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "generate/CDateTime.h"
#include "generate/CTemplateExpander.h"
#include "io/CMemorySink.h"
#include "tests/generate/HtmlTestPages.h"

namespace {

using namespace htmltest;

// 15:45:12 on the tests' day: hours and minutes that differ on a 12-hour clock.
constexpr time_t kAfternoon = kNow + 3 * 3600 + 45 * 60 + 12;

CFileEntry FooZip() {
    return Free(TestEntry("FOO.ZIP", 3, 12345));
}

class TemplateExpanderTest : public HtmlListTest {
protected:
    TemplateExpanderTest() {
        m_run = std::make_unique<CListRun>(m_def, "/tmp/", nullptr, AtTestClock(kAfternoon));
        m_run->m_strListTitle = kTitle;
        m_run->m_strFtpRoot = "/All_Files";
    }

    std::string Expand(const std::string& tmpl, const CFileEntry& e) {
        return CTemplateExpander::ExpandTemplate(*m_run, tmpl, e);
    }
};

TEST_F(TemplateExpanderTest, EveryTokenOfAFullEntry) {
    CFileEntry e = FooZip();
    e.m_bLongDesc = true;
    e.m_strDescLine[0] = "First line";
    e.m_strDescLine[2] = "  third <b> ";
    e.m_strDescLine[14] = "last\t";
    e.m_strLastDate = "12/01/26";
    e.m_strLastTime = "09:15";
    EXPECT_EQ(Expand("~NAME~|~SIZE~|~FLAG~|~DESC~|~DATE~|~DWNLDS~|~TIME~|~LASTDATE~|~LASTTIME~|"
                     "~UPLOADER~|~LONGDESC~|~AREANUM~|~AREANAME~|~SUBJECT~|~BBS~|~SYSOP~|"
                     "~CURRENTDATE~|~CURRENTTIME~\n",
                     e),
              "FOO.ZIP|12345|F|Handy &lt;tools&gt; &amp; more|11/30/26|7|10:00|12/01/26|09:15|"
              "Ann &lt;A&gt;|First line   third &lt;b&gt;  last|3|Utilities &lt;1&gt;|"
              "Files Available on this BBS on 12/01/26|Test BBS|Jo &amp; Sysop|12/01/26|15:45\n");
}

TEST_F(TemplateExpanderTest, EmptyEntryReplacesOnlyListBoardAndClockTokens) {
    EXPECT_EQ(Expand("~NAME~ ~SIZE~ ~FLAG~ ~DESC~ ~DATE~ ~DWNLDS~ ~TIME~ ~LASTDATE~ ~LASTTIME~ "
                     "~UPLOADER~ ~LONGDESC~ ~AREANUM~ ~AREANAME~ / ~SUBJECT~ ~BBS~ ~SYSOP~ "
                     "~CURRENTDATE~ ~CURRENTTIME~",
                     CFileEntry()),
              "~NAME~ ~SIZE~ ~FLAG~ ~DESC~ ~DATE~ ~DWNLDS~ ~TIME~ ~LASTDATE~ ~LASTTIME~ "
              "~UPLOADER~ ~LONGDESC~ ~AREANUM~ ~AREANAME~ / "
              "Files Available on this BBS on 12/01/26 Test BBS Jo &amp; Sysop 12/01/26 15:45");
    // A named file of area 0 keeps the area tokens.
    CFileEntry e = FooZip();
    e.m_nArea = 0;
    e.m_strArea = "0";
    EXPECT_EQ(Expand("~NAME~ ~AREANUM~ ~AREANAME~", e), "FOO.ZIP ~AREANUM~ ~AREANAME~");
}

TEST_F(TemplateExpanderTest, OtherCasesUnknownWordsAndStrayTildesStay) {
    EXPECT_EQ(Expand("~name~ ~Name~ ~FOO~ ~~NAME~~ ~NAME~SIZE~ ~SIZE", FooZip()),
              "~name~ ~Name~ ~FOO~ ~FOO.ZIP~ FOO.ZIPSIZE~ ~SIZE");
    EXPECT_EQ(Expand("", FooZip()), "");
    EXPECT_EQ(Expand("no tokens at all", FooZip()), "no tokens at all");
}

TEST_F(TemplateExpanderTest, InsertedTextIsSeenOnlyByLaterSteps) {
    CFileEntry e = FooZip();
    // ~SUBJECT~ and ~DATE~ come after ~DESC~, ~NAME~ before it.
    e.m_strDescription = "see ~SUBJECT~ on ~DATE~, not ~NAME~ or ~DESC~";
    EXPECT_EQ(Expand("~DESC~", e),
              "see Files Available on this BBS on 12/01/26 on 11/30/26, not ~NAME~ or ~DESC~");
    // A list title holding a file token keeps it: the file tokens have already been done.
    m_run->m_strListTitle = "Top <~NAME~> ~SUBJECT~";
    EXPECT_EQ(Expand("~SUBJECT~ ~NAME~", e), "Top &lt;~NAME~&gt; ~SUBJECT~ FOO.ZIP");
}

// Times of day are hours and minutes in the locale's own form: its time format less the
// seconds field (and the separator or word that goes with it).
TEST_F(TemplateExpanderTest, CurrentTimeFollowsTheLocalesTimeFormatWithoutSeconds) {
    const struct {
        const char* format;
        const char* ampm;
        const char* expected;
    } formats[] = {
        {"%H:%M:%S", "%I:%M:%S %p", "%H:%M"},
        {"%r", "%I:%M:%S %p", "%-I:%M %p"},
        {"%T", "", "%H:%M"},
        {"%p %I.%M.%S", "", "%p %-I.%M"},
        {"%H\xE6\x99\x82%M\xE5\x88\x86%S\xE7\xA7\x92", "", "%H\xE6\x99\x82%M\xE5\x88\x86"},
        {"%OH:%OM:%OS", "", "%OH:%OM"},
    };
    for (const auto& f : formats)
        EXPECT_EQ(CDateTime::ShortTimeFormat(f.format, f.ampm), f.expected) << f.format;

    EXPECT_EQ(Expand("~CURRENTTIME~", FooZip()), "15:45");
    if (!std::setlocale(LC_TIME, "en_US.UTF-8")) GTEST_SKIP() << "locale en_US.UTF-8 is missing";
    const std::string time = Expand("~CURRENTTIME~", FooZip());
    std::setlocale(LC_TIME, "C");
    EXPECT_EQ(time, "3:45 PM");
}

TEST_F(TemplateExpanderTest, LongDescriptionJoining) {
    CFileEntry e = FooZip();
    e.m_strDescLine[0] = "present but unflagged";
    EXPECT_EQ(Expand("[~LONGDESC~]", e), "[]");
    e.m_bLongDesc = true;
    for (auto& line : e.m_strDescLine) line.clear();
    EXPECT_EQ(Expand("[~LONGDESC~]", e), "[]");
    e.m_strDescLine[1] = "a";
    e.m_strDescLine[3] = "b";
    e.m_strDescLine[4] = "   ";
    EXPECT_EQ(Expand("[~LONGDESC~]", e), "[a b]");
}

TEST_F(TemplateExpanderTest, NeverDownloadedAndBigFiles) {
    CFileEntry e = FooZip();
    e.m_nSize = static_cast<int32_t>(3000000000u);
    EXPECT_EQ(Expand("~LASTDATE~ ~LASTTIME~ ~SIZE~", e), "N/A N/A 3000000000");
}

TEST_F(TemplateExpanderTest, ManyTokensInABigTemplate) {
    std::string tmpl;
    for (int i = 0; i < 20000; ++i) tmpl += "~SIZE~~DWNLDS~.";
    std::string expected;
    for (int i = 0; i < 20000; ++i) expected += "123457.";
    EXPECT_EQ(Expand(tmpl, FooZip()), expected);
}

// Text from the board or the operator never becomes markup, not even inside a quoted
// attribute of a custom template.
TEST_F(TemplateExpanderTest, BoardAndOperatorTextIsEscaped) {
    CFileEntry e = FooZip();
    e.m_strName = "<SCRIPT>X.ZIP";
    e.m_strDescription = "\" onmouseover=\"x";
    m_run->m_strListTitle = "A&B \"top\"";
    EXPECT_EQ(
        Expand("~NAME~|<TD TITLE=\"~DESC~\">|~SUBJECT~", e),
        "&lt;SCRIPT&gt;X.ZIP|<TD TITLE=\"&quot; onmouseover=&quot;x\">|A&amp;B &quot;top&quot;");
    e.m_nArea = 13;
    EXPECT_EQ(Expand("~SYSOP~|~AREANAME~", e), "Jo &amp; Sysop|&lt;I&gt;Utils&lt;/I&gt;");
}

TEST_F(TemplateExpanderTest, HttpLinks) {
    m_def.m_nLinkKind = LINK_HTTP;
    m_def.m_strServer = "files.example.org";
    EXPECT_EQ(Expand("<B>~NAME~</B>", FooZip()), "<B><A HREF=/file/area3/FOO.ZIP>FOO.ZIP</A></B>");
    m_def.m_bLocalLinks = 0;
    EXPECT_EQ(Expand("~NAME~", FooZip()),
              "<A HREF=http://files.example.org/file/area3/FOO.ZIP>FOO.ZIP</A>");
    m_def.m_strServer.clear();
    EXPECT_EQ(Expand("~NAME~", FooZip()), "<A HREF=http:///file/area3/FOO.ZIP>FOO.ZIP</A>");
}

TEST_F(TemplateExpanderTest, FtpLinksOnANewServer) {
    m_def.m_nLinkKind = LINK_FTP;
    m_def.m_strServer = "files.example.org";
    const std::string link = "<A HREF=ftp://files.example.org/All_Files/utils/FOO.ZIP>FOO.ZIP</A>";
    EXPECT_EQ(Expand("~NAME~", FooZip()), link);
    m_def.m_bLocalLinks = 0;  // plays no part
    EXPECT_EQ(Expand("~NAME~", FooZip()), link);
    CFileEntry games = FooZip();
    games.m_nArea = 12;
    EXPECT_EQ(Expand("~NAME~", games),
              "<A HREF=ftp://files.example.org/All_Files/games/FOO.ZIP>FOO.ZIP</A>");
    // An area the board does not know gives an empty directory.
    games.m_nArea = 40;
    EXPECT_EQ(Expand("~NAME~", games),
              "<A HREF=ftp://files.example.org/All_Files//FOO.ZIP>FOO.ZIP</A>");
}

TEST_F(TemplateExpanderTest, HostileNamesCannotLeaveTheLinkTarget) {
    m_def.m_nLinkKind = LINK_HTTP;
    CFileEntry e = FooZip();
    e.m_strName = "a b\"c'd<e>f=g`h%i&j#k?l\x01m\xe9n.ZIP";
    // Bytes above 127 are the UTF-8 of their Windows-1252 characters: \xE9 is U+00E9.
    EXPECT_EQ(Expand("~NAME~", e),
              "<A HREF=/file/area3/a%20b%22c%27d%3Ce%3Ef%3Dg%60h%25i%26j%23k%3Fl%01m%C3%A9n.ZIP>"
              "a b&quot;c'd&lt;e&gt;f=g`h%i&amp;j#k?l\x01m\xe9n.ZIP</A>");
    e.m_strName = "x onmouseover=alert(1)";
    EXPECT_EQ(Expand("~NAME~", e),
              "<A HREF=/file/area3/x%20onmouseover%3Dalert(1)>x onmouseover=alert(1)</A>");
    // The server name and the area's FTP directory are encoded too ("/" may stay in them).
    m_def.m_bLocalLinks = 0;
    m_def.m_strServer = "h x=1/\x80";
    e.m_strName = "\xC9.ZIP";
    e.m_nArea = 13;
    EXPECT_EQ(Expand("~NAME~", e),
              "<A HREF=http://h%20x%3D1/%E2%82%AC/file/area13/%C3%89.ZIP>\xC9.ZIP</A>");
    m_def.m_nLinkKind = LINK_FTP;
    EXPECT_EQ(Expand("~NAME~", e),
              "<A HREF=ftp://h%20x%3D1/%E2%82%AC/All_Files/dir%20x%20onmouseover%3Dalert(2)/"
              "%3Cb%3E/%C3%89.ZIP>\xC9.ZIP</A>");
    m_def.m_bLocalLinks = 1;
    m_def.m_nLinkKind = LINK_HTTP;
    e.m_nArea = 3;
    // A name cannot point the link at another place on the site.
    e.m_strName = "../../admin\\x";
    EXPECT_EQ(Expand("~NAME~", e), "<A HREF=/file/area3/..%2F..%2Fadmin%5Cx>../../admin\\x</A>");
    // Ordinary names are untouched.
    e.m_strName = "My_File-2.0+b~.tar.gz";
    EXPECT_EQ(Expand("~NAME~", e),
              "<A HREF=/file/area3/My_File-2.0+b~.tar.gz>My_File-2.0+b~.tar.gz</A>");
}

TEST(TemplateExpanderOldServer, FtpLinksBeforeBuild447HaveNoAllFilesSegment) {
    for (int build : {446, 447}) {
        CTestBoard board(BoardJson(1, build));
        COutRec def;
        def.m_nListType = LIST_HTML;
        def.m_nLinkKind = LINK_FTP;
        def.m_strServer = "bbs.example.net";
        std::string page;
        CListRun run(def, "/tmp/", nullptr, AtTestClock());
        run.SetSinkFactory([&page](const std::string&, std::string*) {
            return std::make_unique<CMemorySink>(&page);
        });
        run.BeginList("");
        EXPECT_EQ(CTemplateExpander::ExpandTemplate(run, "~NAME~", FooZip()),
                  build == 446 ? "<A HREF=ftp://bbs.example.net/utils/FOO.ZIP>FOO.ZIP</A>"
                               : "<A HREF=ftp://bbs.example.net/All_Files/utils/FOO.ZIP>"
                                 "FOO.ZIP</A>");
        run.CloseOutput();
    }
}

}  // namespace
