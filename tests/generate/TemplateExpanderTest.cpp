// Template tokens: values, conditions, escaping, replacement order and file links.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>

#include "generate/CDateTime.h"
#include "generate/CTemplateExpander.h"
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
    e.m_nSize = static_cast<int32_t>(3000000000u);
    EXPECT_EQ(Expand("[~LONGDESC~] ~LASTDATE~ ~LASTTIME~ ~SIZE~", e), "[] N/A N/A 3000000000");
    e.m_bLongDesc = true;
    e.m_strDescLine[0] = "   ";
    EXPECT_EQ(Expand("[~LONGDESC~]", e), "[]");
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
// One case a line: kind, local, server, name, area, link.
TEST_F(TemplateExpanderTest, FileLinks) {
    std::istringstream rows(ExpectedBytes("html-file-links.tsv"));
    for (std::string row; std::getline(rows, row);) {
        std::istringstream cells(row);
        auto next = [&cells] {
            std::string cell;
            std::getline(cells, cell, '\t');
            return cell;
        };
        m_def.m_nLinkKind = next() == "FTP" ? LINK_FTP : LINK_HTTP;
        m_def.m_bLocalLinks = next() == "1";
        m_def.m_strServer = next();
        CFileEntry e = File(next());
        e.m_nArea = std::stoi(next());
        EXPECT_EQ(Expand("<B>~NAME~</B>", e), "<B><A HREF=" + next() + "</A></B>") << row;
    }
}

TEST(TemplateExpanderOldServer, FtpLinksBeforeBuild447HaveNoAllFilesSegment) {
    COutRec def;
    def.m_nListType = LIST_HTML;
    def.m_bIndexed = 1;  // no page is made before the first entry
    for (int build : {446, 447}) {
        CTestBoard board(BoardJson(1, build));
        CListRun run(def, "/tmp/", nullptr, AtTestClock());
        run.BeginList("");
        EXPECT_EQ(run.m_strFtpRoot, build == 446 ? "" : "/All_Files");
    }
}

}  // namespace

// Dates and times are formatted once per day and minute: the texts stay right across the
// days on which summer time starts and ends, met in any order and again from memory.
TEST(DateTimeTexts, SummerTimeChangesInCentralEurope) {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    // One moment a line: Unix time, its date and time of day, a note.
    std::string date, time;
    for (int pass = 0; pass < 2; ++pass) {
        std::istringstream rows(ExpectedBytes("summer-time-texts.txt"));
        time_t t = 0;
        for (std::string d, hm, note; rows >> t >> d >> hm && std::getline(rows, note);) {
            CDateTime::FormatDateAndShortTime(t, &date, &time);
            EXPECT_EQ(date + " " + time, d + " " + hm) << t;
        }
    }
    setenv("TZ", "UTC", 1);
    tzset();
}
