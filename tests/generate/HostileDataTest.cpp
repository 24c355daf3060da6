// Whole generation runs over files whose names and descriptions come from hostile uploaders:
// HTML, quotes, control characters, Windows-1252 bytes, descriptions that fill their field,
// fifteen full long-description lines and names longer than 12 and 15 characters. The text
// lists stay byte-exact where their layout fixes them and the HTML page stays well-formed.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "config/CConfig.h"
#include "generate/CDateTime.h"
#include "generate/CMakeListThread.h"
#include "tests/support/CRecordingObserver.h"
#include "tests/support/CScratchDir.h"
#include "tests/support/CTestBoard.h"
#include "tests/support/TextBytes.h"

namespace {

// Long-description line i: 43 capitals, a blank, 35 small letters (79 characters, the most a
// line holds), so the 44-column wrap cuts at the blank.
std::string LongLine(int i) {
    return std::string(43, static_cast<char>('A' + i)) + " " +
           std::string(35, static_cast<char>('a' + i));
}

std::string LongLinesJson() {
    std::string json = "[";
    for (int i = 0; i < 15; ++i) json += (i ? ",\"" : "\"") + LongLine(i) + "\"";
    return json + "]";
}

// Board JSON is UTF-8; the board stores Windows-1252, so "\u00e9" arrives as 0xE9 and
// "\u20ac" as 0x80.
const std::string kBoard = R"({
  "settings": {"name": "Test BBS", "sysop": "Sam Sysop", "version": 6, "build": 500},
  "areas": [{"number": 1, "name": "Uploads", "ftp_dir": "uploads"},
            {"number": 2, "name": "Docs", "ftp_dir": "docs"},
            {"number": 3, "name": "Breaks", "ftp_dir": "breaks"}],
  "users": [{"name": "Sam Sysop"}],
  "files": [
    {"area": 1, "name": "\"Q&A\".TXT", "size": 1024, "uploaded": "2026-11-30T08:00:00Z",
     "description": "<script>alert('x')</script> \"quoted\" </TD> & more"},
    {"area": 1, "name": "ABCDEFGHIJKLMNO", "size": 1024, "free": true,
     "uploaded": "2026-11-30T08:00:00Z",
     "description": "0123456789012345678901234567890123456789012345678901234567890123456789ABCDEF"},
    {"area": 1, "name": "CAFE.ZIP", "size": 1024, "uploaded": "2026-11-30T08:00:00Z",
     "description": "Caf\u00e9 \u0001tab\there \u001b[1m \u20ac5"},
    {"area": 1, "name": "LONGFI~1.ZIP", "size": 1024, "uploaded": "2026-11-30T08:00:00Z",
     "long_name": "A really long file name <i>x</i> & co.zip", "description": "Long name"},
    {"area": 2, "name": "MANUAL.TXT", "size": 2048, "downloads": 5,
     "uploaded": "2026-11-30T08:00:00Z", "description": "Manual",
     "long_description": )" +
                           LongLinesJson() + R"(},
    {"area": 3, "name": "BREAK.ZIP", "size": 1024, "uploaded": "2026-11-30T08:00:00Z",
     "description": "Tool\r\nFAKE.ZIP       Forged\rX"}
  ]})";

constexpr time_t kNow = 1796126400;  // 2026-12-01 12:00:00 UTC

// Box, title and credits of a list on "Test BBS" made on 12/01/26, worked out as in the
// plain file list: box width 14 indented 28, the 39-character title indented 15.
const std::string kTextHead = Spaces(28) + "+------------+\n" + Spaces(28) + "|  Test BBS  |\n" +
                              Spaces(28) + "+------------+\n\n" + Spaces(15) +
                              "Files Available on this BBS on 12/01/26\n" + Spaces(15) +
                              std::string(39, '=');
std::string TextFoot(int files, const std::string& total) {
    return "\n\n  Total files: " + std::to_string(files) + "\n  Totalling " + total + "\n\n\n" +
           Spaces(12) + "Quorvane V2.2 - file lists for Wildcat! boards\n" + Spaces(20) +
           "http://www.morrowfen.example/\n\n" + Spaces(24) + "Morrowfen BBS, Harwick\n" +
           Spaces(22) + "Telephone +44 1632 960018\n\n";
}

COutRec TextList(const std::string& name, int layout, int area) {
    COutRec rec;
    rec.m_nListType = LIST_FILE;
    rec.m_strListName = name;
    rec.m_strListDesc = "Hostile files";
    rec.m_nLayout = layout;
    rec.m_nOptions = OPT_ASCII;
    rec.m_areas = {area};
    return rec;
}

class HostileData : public ::testing::Test {
protected:
    void SetUp() override {
        CDateTime::SetNowForTesting(kNow);
        setenv("TMPDIR", m_tmp.Path().c_str(), 1);
    }
    void TearDown() override {
        CDateTime::SetNowForTesting(0);
        unsetenv("TMPDIR");
    }

    void Run(const CConfig& config) {
        CMakeListThread worker(config, m_observer, 0);
        worker.Start();
        worker.Join();
        ASSERT_EQ(worker.GetOutcome(), CMakeListThread::Outcome::Finished);
        EXPECT_TRUE(worker.FailedLists().empty());
    }

    // tidy's report on a page read as Windows-1252 (the board's character set), less the
    // warnings that the fixed HTML 3.2 texts themselves cause: the credit script holds
    // "</A>", tables have no "summary".
    std::string TidyProblems(const std::string& path) {
        const std::string cmd = "tidy -e -q -win1252 '" + path + "' 2>&1";
        FILE* pipe = ::popen(cmd.c_str(), "r");
        if (!pipe) return "tidy did not start";
        std::string report;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe)) report += buffer;
        const int status = ::pclose(pipe);
        std::string problems;
        if (!WIFEXITED(status) || WEXITSTATUS(status) >= 2) problems += "tidy found errors\n";
        static const char* const kAllowed[] = {
            "'<' + '/' + letter not allowed here",
            "lacks \"summary\" attribute",
        };
        size_t start = 0;
        while (start < report.size()) {
            size_t end = report.find('\n', start);
            if (end == std::string::npos) end = report.size();
            const std::string line = report.substr(start, end - start);
            start = end + 1;
            bool allowed = false;
            for (const char* text : kAllowed) allowed |= line.find(text) != std::string::npos;
            if (!allowed) problems += line + "\n";
        }
        return problems;
    }

    CTestBoard m_board{kBoard};
    CScratchDir m_tmp;
    CRecordingObserver m_observer;
};

TEST_F(HostileData, TextListsKeepTheirColumnsAndBytes) {
    CConfig config;
    config.m_lists.push_back(TextList("SINGLE.TXT", LAYOUT_SINGLE, 1));
    config.m_lists.push_back(TextList("DOUBLE.TXT", LAYOUT_DOUBLE, 1));
    config.m_lists.push_back(TextList("FULL.TXT", LAYOUT_FULL, 2));
    Run(config);

    // Single layout: the name cut to 12 characters (the long name too) and padded, the flag
    // column, the description cut to 65 characters; every other byte passes as it is.
    const std::string single =
        Crlf(kTextHead + "\n\n1 - Uploads\n" + std::string(11, '-') + "\n" +
             "\"Q&A\".TXT      <script>alert('x')</script> \"quoted\" </TD> & more\n" +
             "ABCDEFGHIJKL F 01234567890123456789012345678901234567890123456789012345678901234\n" +
             "CAFE.ZIP       Caf\xE9 \x01tab\there \x1B[1m \x80"
             "5\n" +
             "A really lon   Long name\n" + TextFoot(4, "4.00KB"));
    EXPECT_EQ(m_board.ReadServerFile("wc:\\file\\area(1)\\SINGLE.TXT"), single);

    // Double layout: descriptions wrap at 40 columns, at the last blank of the second half
    // or hard in a word without one; a short description leaves the date line's text empty.
    const std::string dateLine = "Date: 11/30/26    Dwnlds:      0 | ";
    const std::string twoLines =
        Crlf(kTextHead + "\n\n1 - Uploads\n" + std::string(11, '-') + "\n" + "\n\"Q&A\".TXT" +
             Spaces(9) + "Size:     1024 | <script>alert('x')</script> \"quoted\"\n" + dateLine +
             "</TD> & more\n" +
             "\nABCDEFGHIJKL      Size:     1024 F 0123456789012345678901234567890123456789\n" +
             dateLine + "012345678901234567890123456789ABCDEF\n" +
             "\nCAFE.ZIP          Size:     1024 | Caf\xE9 \x01tab\there \x1B[1m \x80"
             "5\n" +
             dateLine + "\n" + "\nA really lon      Size:     1024 | Long name\n" + dateLine +
             "\n" + TextFoot(4, "4.00KB"));
    EXPECT_EQ(m_board.ReadServerFile("wc:\\file\\area(1)\\DOUBLE.TXT"), twoLines);

    // Full layout: the first long line is split at its blank over the name and date lines,
    // and each of the other fourteen over two indented lines.
    std::string entry = "\n" + std::string("MANUAL.TXT") + Spaces(8) + "Size:     2048 | " +
                        std::string(43, 'A') + "\nDate: 11/30/26    Dwnlds:      5 | " +
                        std::string(35, 'a') + "\n";
    for (int i = 1; i < 15; ++i)
        entry += Spaces(35) + std::string(43, static_cast<char>('A' + i)) + "\n" + Spaces(35) +
                 std::string(35, static_cast<char>('a' + i)) + "\n";
    const std::string full = Crlf(kTextHead + "\n\n2 - Docs\n" + std::string(8, '-') + "\n" +
                                  entry + TextFoot(1, "2.00KB"));
    EXPECT_EQ(m_board.ReadServerFile("wc:\\file\\area(1)\\FULL.TXT"), full);
}

// A line break inside a description would start a forged entry line; it shows as a blank.
TEST_F(HostileData, LineBreaksInADescriptionStayOnItsLine) {
    CConfig config;
    config.m_lists.push_back(TextList("BREAKS.TXT", LAYOUT_SINGLE, 3));
    Run(config);
    EXPECT_EQ(m_board.ReadServerFile("wc:\\file\\area(1)\\BREAKS.TXT"),
              Crlf(kTextHead + "\n\n3 - Breaks\n" + std::string(10, '-') + "\n" +
                   "BREAK.ZIP      Tool  FAKE.ZIP       Forged X\n" + TextFoot(1, "1.00KB")));
}

TEST_F(HostileData, HtmlPageStaysWellFormedWithLinksEncoded) {
    const std::string htmlDir = m_tmp.File("html");
    ASSERT_EQ(::mkdir(htmlDir.c_str(), 0700), 0);
    CConfig config;
    COutRec list;
    list.m_nListType = LIST_HTML;
    list.m_strListName = "LIST.HTM";
    list.m_strHtmlDir = htmlDir;
    list.m_nLayout = LAYOUT_FULL;
    list.m_strEntryTemplate = COutRec::m_strDefEntryFull;
    list.m_nLinkKind = LINK_HTTP;
    list.m_bLocalLinks = 1;
    list.m_areas = {1, 2};
    config.m_lists.push_back(list);
    Run(config);

    const std::string page = CScratchDir::ReadFile(htmlDir + "/LIST.HTM");
    // Descriptions: "&", "<", ">" and '"' are escaped.
    EXPECT_NE(page.find("&lt;script&gt;alert('x')&lt;/script&gt; &quot;quoted&quot; &lt;/TD&gt; "
                        "&amp; more"),
              std::string::npos);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    // Hostile names: percent-encoded in the unquoted link target, escaped in the text.
    EXPECT_NE(page.find("<A HREF=/file/area1/%22Q%26A%22.TXT>&quot;Q&amp;A&quot;.TXT</A>"),
              std::string::npos);
    EXPECT_NE(page.find("<A HREF=/file/area1/"
                        "A%20really%20long%20file%20name%20%3Ci%3Ex%3C%2Fi%3E%20%26%20co.zip>"
                        "A really long file name &lt;i&gt;x&lt;/i&gt; &amp; co.zip</A>"),
              std::string::npos);
    // The 76-character description is complete, Windows-1252 bytes pass unchanged.
    EXPECT_NE(page.find(">0123456789012345678901234567890123456789012345678901234567890123456789"
                        "ABCDEF</TD>"),
              std::string::npos);
    EXPECT_NE(page.find("Caf\xE9 \x01tab\there \x1B[1m \x80"
                        "5"),
              std::string::npos);
    // All fifteen long lines joined by single blanks.
    std::string joined;
    for (int i = 0; i < 15; ++i) joined += (i ? " " : "") + LongLine(i);
    EXPECT_NE(page.find(">" + joined + "</TD>"), std::string::npos);

    EXPECT_EQ(TidyProblems(htmlDir + "/LIST.HTM"), "");
}

}  // namespace
