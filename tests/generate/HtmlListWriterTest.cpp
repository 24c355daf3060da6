// Byte-exact HTML list pages: head, headers, area sections, entry layouts, totals, credits
// and the shapes of single, indexed and popular lists.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "generate/CHtmlListWriter.h"
#include "io/CMemorySink.h"
#include "tests/generate/HtmlTestPages.h"

namespace {

using namespace htmltest;

class HtmlListWriterTest : public HtmlListTest {
protected:
    // A run whose pages go into m_pages, keyed by path, in the order they were made.
    CListRun& Run() {
        if (!m_run) {
            m_run = std::make_unique<CListRun>(m_def, m_temp + "/", nullptr, m_options);
            m_run->SetSinkFactory([this](const std::string& path, std::string*) {
                m_order.push_back(path);
                return std::make_unique<CMemorySink>(&m_pages[path]);
            });
        }
        return *m_run;
    }
    // The list up to publishing: header, entries, footer, close.
    void Write(const std::vector<CFileEntry>& files, const std::string& header = "") {
        Run().BeginList(header);
        for (const CFileEntry& e : files) Run().WriteEntry(e);
        Run().WriteFooter();
        Run().CloseOutput();
    }
    std::string Page(size_t i) { return i < m_order.size() ? m_pages[m_order[i]] : "(none)"; }

    std::map<std::string, std::string> m_pages;
    std::vector<std::string> m_order;
};

TEST_F(HtmlListWriterTest, SinglePageWithTwoAreasAndHeaderLinks) {
    m_def.m_bDefEntry = 0;
    m_def.m_strEntryTemplate = "<TR><TD>~NAME~</TD></TR>\n";
    Write({File("FOO.ZIP", 3, 12345), File("BAR.ZIP", 3, 100), File("GAME.ZIP", 12, 1036132)},
          "  Visit http://bbs.example.net/ today\r\nPlain line\r\n\tmailto:sysop@example.net\r\n"
          "telnet://bbs.example.net\r\nftp://ftp.example.net\r\n<b>\" x http://h/?a&b\r\n"
          "JavaScript:alert(1)//http://\r\n");
    ASSERT_EQ(m_order.size(), 1u);
    EXPECT_EQ(Page(0), ExpectedBytes("html-single-page.htm"));
}

TEST_F(HtmlListWriterTest, EmptySinglePageAndNoCounterImage) {
    Write({});
    EXPECT_EQ(Page(0), ExpectedBytes("html-empty.htm"));
    m_options.noCounterImage = true;
    m_run.reset();
    m_order.clear();
    Write({});
    EXPECT_EQ(Page(0), ExpectedBytes("html-empty-no-counter.htm"));
}

// Strict thresholds; index rows in single precision, where 1073741825 bytes are 1 GB.
TEST(HtmlFigures, TotalsAndIndexRowsInKbMbAndGb) {
    const struct {
        int files;
        int64_t bytes;
        const char *total, *row;
    } cases[] = {{0, 0, "0.00 KB", "0 file, 0.00 KB"},
                 {1, 1048576, "1024.00 KB", "1 file, 1024.00 KB"},
                 {2, 1048577, "1.00 MB", "2 files, 1.00 MB"},
                 {9, 1073741824, "1024.00 MB", "9 files, 1024.00 MB"},
                 {3, 1073741825, "1.00 GB", "3 files, 1024.00 MB"},
                 {40, 3221225472LL, "3.00 GB", "40 files, 3.00 GB"},
                 {3, 5368709120LL, "5.00 GB", "3 files, 5.00 GB"}};
    for (const auto& c : cases) {
        EXPECT_EQ(CHtmlListWriter::TotalsLine(c.files, c.bytes),
                  "<H3>  Total files: " + std::to_string(c.files) + "<BR>  Totalling " + c.total +
                      "</H3>");
        EXPECT_EQ(CHtmlListWriter::IndexRow("00007X.HTM", 7, "Docs", c.files, c.bytes),
                  "<TR><TD><H3><A HREF=\"00007X.HTM\">Area 7 - Docs</A></H3></TD><TD><H3>(" +
                      std::string(c.row) + ")</H3></TD></TR>\n");
    }
}

TEST_F(HtmlListWriterTest, DocumentSettingsAndCustomTemplatesTypedWithCrLf) {
    m_def.m_bDefTitle = m_def.m_bDefHeader = m_def.m_bDefAreaHeader = m_def.m_bDefAreaFooter = 0;
    m_def.m_bDefEntry = m_def.m_bDefFooter = 0;
    m_def.m_strTitle = "My <Files>";
    m_def.m_strStyleSheet = "qv.css";
    m_def.m_strTextColour = "#000000";
    m_def.m_strALinkColour = "#FF0000";
    m_def.m_strBgColour = "#FFFFFF";
    m_def.m_strBgImage = "bg.gif";
    m_def.m_strLinkColour = "#0000FF";
    m_def.m_strVLinkColour = "#800080";
    m_def.m_strHeader = "<H1>~BBS~ ~NAME~ ~SUBJECT~</H1>\r\n";
    m_def.m_strAreaHeader = "<H2>~AREANAME~</H2>\r\n<TABLE>\r\n";
    m_def.m_strAreaFooter = "</TABLE><!-- ~AREANUM~ -->\r\n";
    m_def.m_strEntryTemplate = "~NAME~ ~SIZE~<BR>\r\n";
    m_def.m_strFooter = "<P>Last: ~NAME~ by ~SYSOP~</P>\r\n";
    Write({File("FOO.ZIP", 3, 12345)});
    EXPECT_EQ(Page(0), ExpectedBytes("html-custom-templates.htm"));
}

TEST_F(HtmlListWriterTest, TheThreeBuiltInEntryLayouts) {
    CFileEntry e = File();
    e.m_bLongDesc = true;
    e.m_strDescLine[0] = "Line one";
    e.m_strDescLine[1] = "Line <two>";
    const char* rows[] = {"html-row-double.htm", "html-row-single.htm", "html-row-full.htm"};
    for (int layout : {LAYOUT_DOUBLE, LAYOUT_SINGLE, LAYOUT_FULL}) {
        std::string out;
        m_def.m_nLayout = layout;
        CListRun run(m_def, "/tmp/", nullptr, m_options);
        run.m_pOutFile = std::make_unique<CTextStream>(std::make_unique<CMemorySink>(&out), "m");
        run.m_nCurArea = 3;  // no area change: the row alone
        CHtmlListWriter::WriteHtmlEntry(run, e);
        run.CloseOutput();
        EXPECT_EQ(out, ExpectedBytes(rows[layout])) << "layout " << layout;
    }
}

TEST_F(HtmlListWriterTest, MostPopularPageHasNoAreaSections) {
    m_def.m_nSelection = SEL_POPULAR;
    m_def.m_nTopCount = 2;
    m_def.m_bIndexed = 1;  // never split
    m_def.m_nLayout = LAYOUT_SINGLE;
    Write({File("GAME.ZIP", 12, 2048), File("FOO.ZIP", 3, 1024)});
    ASSERT_EQ(m_order.size(), 1u);
    EXPECT_EQ(Page(0), ExpectedBytes("html-popular.htm"));
}

TEST_F(HtmlListWriterTest, IndexedSetOpensOnePagePerAreaSection) {
    m_def.m_bIndexed = 1;
    m_def.m_bDefEntry = 0;
    m_def.m_strEntryTemplate = "<TR><TD>~NAME~</TD></TR>\n";
    Write({File("FOO.ZIP", 3, 100), File("BAR.ZIP", 3, 200), File("GAME.ZIP", 12, 5000),
           File("BAZ.ZIP", 3, 7)});
    ASSERT_EQ(m_order.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(Page(i), ExpectedBytes("html-indexed-" + std::to_string(i + 1) + ".htm")) << i;
}

}  // namespace
