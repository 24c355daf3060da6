// Template tokens: values, conditions, escaping, replacement order and file links.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <string>

#include "generate/CDateTime.h"
#include "generate/CTemplateExpander.h"
#include "io/CMemorySink.h"
#include "tests/generate/HtmlTestPages.h"

namespace {

using namespace htmltest;

// 15:45:12 on the tests' day: hours and minutes that differ on a 12-hour clock.
constexpr time_t kAfternoon = kNow + 3 * 3600 + 45 * 60 + 12;

const std::string kEveryToken =
    "~NAME~|~SIZE~|~FLAG~|~DESC~|~DATE~|~DWNLDS~|~TIME~|~LASTDATE~|~LASTTIME~|~UPLOADER~|"
    "~LONGDESC~|~AREANUM~|~AREANAME~|~SUBJECT~|~BBS~|~SYSOP~|~CURRENTDATE~|~CURRENTTIME~";

class TemplateExpanderTest : public HtmlListTest {
protected:
    TemplateExpanderTest() {
        m_run = std::make_unique<CListRun>(m_def, "/tmp/", nullptr, AtTestClock(kAfternoon));
        m_run->m_strListTitle = "Files Available on this BBS on 12/01/26";
        m_run->m_strFtpRoot = "/All_Files";
    }

    std::string Expand(const std::string& tmpl, const CFileEntry& e) {
        return CTemplateExpander::ExpandTemplate(*m_run, tmpl, e);
    }
};

TEST_F(TemplateExpanderTest, EveryTokenOfAFullEntry) {
    CFileEntry e = File();
    e.m_bLongDesc = true;
    e.m_strDescLine[0] = "First line";
    e.m_strDescLine[2] = "  third <b> ";
    e.m_strDescLine[14] = "last\t";
    e.m_strLastDate = "12/01/26";
    e.m_strLastTime = "09:15";
    EXPECT_EQ(Expand(kEveryToken, e),
              "FOO.ZIP|12345|F|Handy &lt;tools&gt; &amp; more|11/30/26|7|10:00|12/01/26|09:15|"
              "Ann &lt;A&gt;|First line   third &lt;b&gt;  last|3|Utilities &lt;1&gt;|"
              "Files Available on this BBS on 12/01/26|Test BBS|Jo &amp; Sysop|12/01/26|15:45");
}

TEST_F(TemplateExpanderTest, EmptyEntryReplacesOnlyListBoardAndClockTokens) {
    EXPECT_EQ(Expand(kEveryToken, CFileEntry()),
              kEveryToken.substr(0, kEveryToken.find("~SUBJECT~")) +
                  "Files Available on this BBS on 12/01/26|Test BBS|Jo &amp; Sysop|12/01/26|15:45");
    // A named file of area 0 keeps the area tokens.
    CFileEntry e = File();
    e.m_nArea = 0;
    e.m_strArea = "0";
    EXPECT_EQ(Expand("~NAME~ ~AREANUM~ ~AREANAME~", e), "FOO.ZIP ~AREANUM~ ~AREANAME~");
}

TEST_F(TemplateExpanderTest, OtherCasesUnknownWordsAndStrayTildesStay) {
    EXPECT_EQ(Expand("~name~ ~Name~ ~FOO~ ~~NAME~~ ~NAME~SIZE~ ~SIZE", File()),
              "~name~ ~Name~ ~FOO~ ~FOO.ZIP~ FOO.ZIPSIZE~ ~SIZE");
    EXPECT_EQ(Expand("", File()), "");
    EXPECT_EQ(Expand("no tokens at all", File()), "no tokens at all");
}

TEST_F(TemplateExpanderTest, InsertedTextIsSeenOnlyByLaterSteps) {
    CFileEntry e = File();
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
        const char *format, *ampm, *expected;
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

    if (!std::setlocale(LC_TIME, "en_US.UTF-8")) GTEST_SKIP() << "locale en_US.UTF-8 is missing";
    const std::string time = Expand("~CURRENTTIME~", File());
    std::setlocale(LC_TIME, "C");
    EXPECT_EQ(time, "3:45 PM");
}

TEST_F(TemplateExpanderTest, LongDescriptionNeverDownloadedAndBigFiles) {
    CFileEntry e = File();
    e.m_strDescLine[0] = "present but unflagged";
    EXPECT_EQ(Expand("[~LONGDESC~]", e), "[]");
    e.m_bLongDesc = true;
    for (auto& line : e.m_strDescLine) line.clear();
    EXPECT_EQ(Expand("[~LONGDESC~]", e), "[]");
    e.m_strDescLine[1] = "a";
    e.m_strDescLine[3] = "b";
    e.m_strDescLine[4] = "   ";
    EXPECT_EQ(Expand("[~LONGDESC~]", e), "[a b]");
    e.m_nSize = static_cast<int32_t>(3000000000u);
    EXPECT_EQ(Expand("~LASTDATE~ ~LASTTIME~ ~SIZE~", e), "N/A N/A 3000000000");
}

TEST_F(TemplateExpanderTest, ManyTokensInABigTemplate) {
    std::string tmpl, expected;
    for (int i = 0; i < 20000; ++i) tmpl += "~SIZE~~DWNLDS~.";
    for (int i = 0; i < 20000; ++i) expected += "123457.";
    EXPECT_EQ(Expand(tmpl, File()), expected);
}

// Board and operator text never becomes markup, not even in a template's quoted attribute.
TEST_F(TemplateExpanderTest, BoardAndOperatorTextIsEscaped) {
    CFileEntry e = File();
    e.m_strName = "<SCRIPT>X.ZIP";
    e.m_strDescription = "\" onmouseover=\"x";
    m_run->m_strListTitle = "A&B \"top\"";
    EXPECT_EQ(
        Expand("~NAME~|<TD TITLE=\"~DESC~\">|~SUBJECT~", e),
        "&lt;SCRIPT&gt;X.ZIP|<TD TITLE=\"&quot; onmouseover=&quot;x\">|A&amp;B &quot;top&quot;");
}

// HTTP links local or on the server, FTP ones into the area's directory (empty for an unknown
// area). Name, server and directory are percent-encoded ("/" may stay in the last two) so no
// name leaves the link or the site; bytes above 127 as the UTF-8 of their Windows-1252 text.
TEST_F(TemplateExpanderTest, FileLinks) {
    const struct {
        int kind, local;
        std::string server, name;
        int area;
        std::string link;
    } cases[] = {
        {LINK_HTTP, 1, "s.example", "FOO.ZIP", 3, "/file/area3/FOO.ZIP>FOO.ZIP"},
        {LINK_HTTP, 0, "s.example", "FOO.ZIP", 3, "http://s.example/file/area3/FOO.ZIP>FOO.ZIP"},
        {LINK_HTTP, 0, "", "FOO.ZIP", 3, "http:///file/area3/FOO.ZIP>FOO.ZIP"},
        {LINK_FTP, 1, "s.example", "FOO.ZIP", 3, "ftp://s.example/All_Files/utils/FOO.ZIP>FOO.ZIP"},
        {LINK_FTP, 0, "s.example", "FOO.ZIP", 3, "ftp://s.example/All_Files/utils/FOO.ZIP>FOO.ZIP"},
        {LINK_FTP, 0, "s.example", "FOO.ZIP", 12,
         "ftp://s.example/All_Files/games/FOO.ZIP>FOO.ZIP"},
        {LINK_FTP, 0, "s.example", "FOO.ZIP", 40, "ftp://s.example/All_Files//FOO.ZIP>FOO.ZIP"},
        {LINK_HTTP, 1, "", "a b\"c'd<e>f=g`h%i&j#k?l\x01m\xe9n.ZIP", 3,
         "/file/area3/a%20b%22c%27d%3Ce%3Ef%3Dg%60h%25i%26j%23k%3Fl%01m%C3%A9n.ZIP>"
         "a b&quot;c'd&lt;e&gt;f=g`h%i&amp;j#k?l\x01m\xe9n.ZIP"},
        {LINK_HTTP, 1, "", "x onmouseover=alert(1)", 3,
         "/file/area3/x%20onmouseover%3Dalert(1)>x onmouseover=alert(1)"},
        {LINK_HTTP, 0, "h x=1/\x80", "\xC9.ZIP", 13,
         "http://h%20x%3D1/%E2%82%AC/file/area13/%C3%89.ZIP>\xC9.ZIP"},
        {LINK_FTP, 0, "h x=1/\x80", "\xC9.ZIP", 13,
         "ftp://h%20x%3D1/%E2%82%AC/All_Files/dir%20x%20onmouseover%3Dalert(2)/%3Cb%3E/"
         "%C3%89.ZIP>\xC9.ZIP"},
        {LINK_HTTP, 1, "h x=1/\x80", "../../admin\\x", 3,
         "/file/area3/..%2F..%2Fadmin%5Cx>../../admin\\x"},
        {LINK_HTTP, 1, "", "My_File-2.0+b~.tar.gz", 3,
         "/file/area3/My_File-2.0+b~.tar.gz>My_File-2.0+b~.tar.gz"},
    };
    for (const auto& c : cases) {
        m_def.m_nLinkKind = c.kind;
        m_def.m_bLocalLinks = c.local;
        m_def.m_strServer = c.server;
        CFileEntry e = File();
        e.m_strName = c.name;
        e.m_nArea = c.area;
        EXPECT_EQ(Expand("<B>~NAME~</B>", e), "<B><A HREF=" + c.link + "</A></B>") << c.name;
    }
}

TEST(TemplateExpanderOldServer, FtpLinksBeforeBuild447HaveNoAllFilesSegment) {
    COutRec def;
    def.m_nListType = LIST_HTML;
    def.m_nLinkKind = LINK_FTP;
    def.m_strServer = "bbs.example.net";
    for (int build : {446, 447}) {
        CTestBoard board(BoardJson(1, build));
        std::string page;
        CListRun run(def, "/tmp/", nullptr, AtTestClock());
        run.SetSinkFactory([&page](const std::string&, std::string*) {
            return std::make_unique<CMemorySink>(&page);
        });
        run.BeginList("");
        EXPECT_EQ(CTemplateExpander::ExpandTemplate(run, "~NAME~", File()),
                  "<A HREF=ftp://bbs.example.net" + std::string(build == 446 ? "" : "/All_Files") +
                      "/utils/FOO.ZIP>FOO.ZIP</A>");
        run.CloseOutput();
    }
}

}  // namespace

// Dates and times are formatted once per day and minute: the texts stay right across the
// days on which summer time starts and ends, met in any order and again from memory.
TEST(DateTimeTexts, SummerTimeChangesInCentralEurope) {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    const struct {
        time_t t;
        const char *date, *time;
    } moments[] = {
        {1774744200, "03/29/26", "01:30"},  // 2026-03-29 00:30 UTC, before the change
        {1774747800, "03/29/26", "03:30"},  // 01:30 UTC, after it
        {1774742340, "03/29/26", "00:59"},  // 2026-03-28 23:59 UTC
        {1774823400, "03/30/26", "00:30"},  // 2026-03-29 22:30 UTC
        {1781560740, "06/15/26", "23:59"},  // 2026-06-15 21:59 UTC
        {1781560800, "06/16/26", "00:00"},  // 22:00 UTC
        {1792888200, "10/25/26", "02:30"},  // 2026-10-25 00:30 UTC, summer time
        {1792891800, "10/25/26", "02:30"},  // 01:30 UTC, the same hour again
        {1792971000, "10/26/26", "00:30"},  // 23:30 UTC
    };
    std::string date, time;
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& m : moments) {
            CDateTime::FormatDateAndShortTime(m.t, &date, &time);
            EXPECT_EQ(date + " " + time, std::string(m.date) + " " + m.time) << m.t;
        }
    }
    setenv("TZ", "UTC", 1);
    tzset();
}
