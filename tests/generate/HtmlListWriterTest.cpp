// Byte-exact HTML list pages: document head, headers, area sections, the three built-in
// entry layouts, totals, credits and the page shapes of single, indexed and popular lists.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "generate/CHtmlListWriter.h"
#include "io/CMemorySink.h"
#include "tests/generate/HtmlTestPages.h"

namespace {

using namespace htmltest;

CFileEntry File(const std::string& name, int area, int size) {
    return Free(TestEntry(name, area, size));
}

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
    // Footer and close, as the end of the list does before publishing.
    void Finish() {
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
    Run().BeginList(
        "  Visit http://bbs.example.net/ today\r\nPlain line\r\n\tmailto:sysop@example.net\r\n"
        "telnet://bbs.example.net\r\nftp://ftp.example.net\r\n<b>\" x http://h/?a&b\r\n"
        "JavaScript:alert(1)//http://\r\n");
    Run().WriteEntry(File("FOO.ZIP", 3, 12345));
    Run().WriteEntry(File("BAR.ZIP", 3, 100));
    Run().WriteEntry(File("GAME.ZIP", 12, 1036132));
    Finish();
    ASSERT_EQ(m_order.size(), 1u);
    EXPECT_EQ(Page(0),
              Head(kTitle) +
                  "<H1 ALIGN=CENTER>Test BBS</H1>\r\n<H3 ALIGN=CENTER>"
                  "<A HREF=\"Visit http://bbs.example.net/ today\">Visit http://bbs.example.net/ "
                  "today</A><BR>\r\n"
                  "Plain line<BR>\r\n"
                  "<A HREF=\"mailto:sysop@example.net\">mailto:sysop@example.net</A><BR>\r\n"
                  "<A HREF=\"telnet://bbs.example.net\">telnet://bbs.example.net</A><BR>\r\n"
                  "<A HREF=\"ftp://ftp.example.net\">ftp://ftp.example.net</A><BR>\r\n"
                  "<A HREF=\"&lt;b&gt;&quot; x http://h/?a&amp;b\">&lt;b&gt;&quot; x "
                  "http://h/?a&amp;b</A><BR>\r\n"
                  "JavaScript:alert(1)//http://<BR>\r\n"
                  "</H3><H2 ALIGN=CENTER>" +
                  kTitle +
                  "</H2>"
                  "<H3><BR>3 - Utilities &lt;1&gt;</H3><TABLE BORDER=0 ALIGN=CENTER>\r\n"
                  "<TR><TD>FOO.ZIP</TD></TR>\r\n<TR><TD>BAR.ZIP</TD></TR>\r\n"
                  "</TABLE>\r\n"
                  "<H3><BR>12 - Games</H3><TABLE BORDER=0 ALIGN=CENTER>\r\n"
                  "<TR><TD>GAME.ZIP</TD></TR>\r\n"
                  "</TABLE>\r\n"
                  "<H3>  Total files: 3<BR>  Totalling 1.00 MB</H3>" +
                  kCreditHead + kCreditTail + kCounter + kEnd);
}

TEST_F(HtmlListWriterTest, EmptySinglePageAndNoCounterImage) {
    const std::string empty = Head(kTitle) +
                              "<H1 ALIGN=CENTER>Test BBS</H1>\r\n<H3 ALIGN=CENTER></H3>"
                              "<H2 ALIGN=CENTER>" +
                              kTitle + "</H2><H3>  Total files: 0<BR>  Totalling 0.00 KB</H3>" +
                              kCreditHead + kCreditTail;
    Run().BeginList("");
    Finish();
    EXPECT_EQ(Page(0), empty + kCounter + kEnd);

    m_options.noCounterImage = true;
    m_run.reset();
    m_order.clear();
    Run().BeginList("");
    Finish();
    EXPECT_EQ(Page(0), empty + kEnd);
}

TEST_F(HtmlListWriterTest, TotalsUseStrictThresholds) {
    const struct {
        int files;
        int64_t bytes;
        const char* total;
    } cases[] = {{0, 0, "0.00 KB"},          {2, 1048576, "1024.00 KB"},
                 {2, 1048577, "1.00 MB"},    {9, 1073741824, "1024.00 MB"},
                 {9, 1073741825, "1.00 GB"}, {3, 5368709120LL, "5.00 GB"}};
    for (const auto& c : cases)
        EXPECT_EQ(CHtmlListWriter::TotalsLine(c.files, c.bytes),
                  "<H3>  Total files: " + std::to_string(c.files) + "<BR>  Totalling " + c.total +
                      "</H3>");
}

TEST_F(HtmlListWriterTest, DocumentSettingsAndCustomTemplatesTypedWithCrLf) {
    m_def.m_bDefTitle = 0;
    m_def.m_strTitle = "My <Files>";
    m_def.m_strStyleSheet = "qv.css";
    m_def.m_strTextColour = "#000000";
    m_def.m_strALinkColour = "#FF0000";
    m_def.m_strBgColour = "#FFFFFF";
    m_def.m_strBgImage = "bg.gif";
    m_def.m_strLinkColour = "#0000FF";
    m_def.m_strVLinkColour = "#800080";
    m_def.m_bDefHeader = 0;
    m_def.m_strHeader = "<H1>~BBS~ ~NAME~ ~SUBJECT~</H1>\r\n";
    m_def.m_bDefAreaHeader = 0;
    m_def.m_strAreaHeader = "<H2>~AREANAME~</H2>\r\n<TABLE>\r\n";
    m_def.m_bDefAreaFooter = 0;
    m_def.m_strAreaFooter = "</TABLE><!-- ~AREANUM~ -->\r\n";
    m_def.m_bDefEntry = 0;
    m_def.m_strEntryTemplate = "~NAME~ ~SIZE~<BR>\r\n";
    m_def.m_bDefFooter = 0;
    m_def.m_strFooter = "<P>Last: ~NAME~ by ~SYSOP~</P>\r\n";
    Run().BeginList("");
    Run().WriteEntry(File("FOO.ZIP", 3, 12345));
    Finish();
    EXPECT_EQ(Page(0),
              "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\r\n<HTML>\r\n<HEAD>\r\n"
              "<LINK HREF=\"qv.css\" REL=\"STYLESHEET\">\r\n<TITLE>My &lt;Files&gt;</TITLE>\r\n"
              "<META NAME=\"Author\" CONTENT=\"Quorvane V2.2\">\r\n</HEAD>\r\n"
              "<BODY TEXT=#000000 ALINK=#FF0000 BGCOLOR=#FFFFFF BACKGROUND=\"bg.gif\" "
              "LINK=#0000FF VLINK=#800080>\r\n"
              "<H1>Test BBS ~NAME~ " +
                  kTitle +
                  "</H1>\r\r\n"
                  "<H2>Utilities &lt;1&gt;</H2>\r\r\n<TABLE>\r\r\n"
                  "FOO.ZIP 12345<BR>\r\r\n"
                  "</TABLE><!-- 3 -->\r\r\n"
                  "<H3>  Total files: 1<BR>  Totalling 12.06 KB</H3>" +
                  kCreditHead + kCreditTail + kCounter +
                  "<P>Last: FOO.ZIP by Jo &amp; Sysop</P>\r\r\n" + kEnd);
}

TEST_F(HtmlListWriterTest, TheThreeBuiltInEntryLayouts) {
    CFileEntry e = File("FOO.ZIP", 3, 12345);
    e.m_bLongDesc = true;
    e.m_strDescLine[0] = "Line one";
    e.m_strDescLine[1] = "Line <two>";
    const std::string rows[] = {
        // LAYOUT_DOUBLE
        "<TR><TD WIDTH=120><B>FOO.ZIP</B></TD><TD WIDTH=50>Size:</TD><TD WIDTH=60 "
        "ALIGN=RIGHT>12345</TD><TD WIDTH=21 ALIGN=CENTER>F</TD><TD WIDTH=370 ROWSPAN=2 "
        "VALIGN=TOP>Handy &lt;tools&gt; &amp; more</TD></TR>\r\n<TR>\r\n<TD WIDTH=130>Date: "
        "11/30/26</TD><TD WIDTH=50>Dwnlds:</TD><TD WIDTH=50 ALIGN=RIGHT>7</TD></TR>\r\n",
        // LAYOUT_SINGLE
        "<TR><TD WIDTH=120>FOO.ZIP</TD><TD ALIGN=CENTER WIDTH=20>F</TD><TD WIDTH=550>Handy "
        "&lt;tools&gt; &amp; more</TD></TR>\r\n",
        // LAYOUT_FULL
        "<TR><TD WIDTH=120><B>FOO.ZIP</B></TD><TD WIDTH=50>Size:</TD><TD WIDTH=60 "
        "ALIGN=RIGHT>12345</TD><TD WIDTH=21 ALIGN=CENTER>F</TD><TD WIDTH=370 ROWSPAN=2 "
        "VALIGN=TOP>Handy &lt;tools&gt; &amp; more</TD></TR>\r\n<TR><TD WIDTH=130>Date: "
        "11/30/26</TD><TD WIDTH=50>Dwnlds:</TD><TD WIDTH=50 ALIGN=RIGHT>7</TD></TR>\r\n"
        "<TR><TD WIDTH=130></TD><TD WIDTH=50></TD><TD WIDTH=60></TD><TD WIDTH=21></TD><TD "
        "WIDTH=370 VALIGN=TOP>Line one Line &lt;two&gt;</TD></TR>\r\n",
    };
    for (int layout : {LAYOUT_DOUBLE, LAYOUT_SINGLE, LAYOUT_FULL}) {
        std::string out;
        m_def.m_nLayout = layout;
        CListRun run(m_def, "/tmp/", nullptr, m_options);
        run.m_pOutFile = std::make_unique<CTextStream>(std::make_unique<CMemorySink>(&out), "m");
        run.m_nCurArea = 3;  // no area change: the row alone
        CHtmlListWriter::WriteHtmlEntry(run, e);
        run.CloseOutput();
        EXPECT_EQ(out, rows[layout]) << "layout " << layout;
        EXPECT_EQ(run.m_nEntryCount, 1);
        EXPECT_EQ(run.m_nTotalBytes, 12345);
    }
}

TEST_F(HtmlListWriterTest, MostPopularPageHasNoAreaSections) {
    m_def.m_nSelection = SEL_POPULAR;
    m_def.m_nTopCount = 2;
    m_def.m_bIndexed = 1;  // never split
    m_def.m_nLayout = LAYOUT_SINGLE;
    Run().BeginList("");
    Run().WriteEntry(File("GAME.ZIP", 12, 2048));
    Run().WriteEntry(File("FOO.ZIP", 3, 1024));
    Finish();
    ASSERT_EQ(m_order.size(), 1u);
    EXPECT_EQ(Page(0),
              Head("2 Most Popular Files") +
                  "<H1 ALIGN=CENTER>Test BBS</H1>\r\n<H3 ALIGN=CENTER></H3>"
                  "<H2 ALIGN=CENTER>2 Most Popular Files</H2>\r\n<TABLE>\r\n"
                  "<TR><TD WIDTH=120>GAME.ZIP</TD><TD ALIGN=CENTER WIDTH=20>F</TD><TD "
                  "WIDTH=550>Handy &lt;tools&gt; &amp; more</TD></TR>\r\n"
                  "<TR><TD WIDTH=120>FOO.ZIP</TD><TD ALIGN=CENTER WIDTH=20>F</TD><TD "
                  "WIDTH=550>Handy &lt;tools&gt; &amp; more</TD></TR>\r\n"
                  "</TABLE>\r\n\r\n</TABLE>\r\n<H3>  Total files: 2<BR>  Totalling 3.00 KB</H3>" +
                  kCreditHead + kCreditTail + kCounter + kEnd);
    EXPECT_TRUE(Run().m_indexPages.empty());
}

TEST_F(HtmlListWriterTest, IndexedSetOpensOnePagePerAreaSection) {
    m_def.m_bIndexed = 1;
    m_def.m_bDefEntry = 0;
    m_def.m_strEntryTemplate = "<TR><TD>~NAME~</TD></TR>\n";
    Run().BeginList("");
    EXPECT_TRUE(m_order.empty());  // pages come with the areas
    Run().WriteEntry(File("FOO.ZIP", 3, 100));
    Run().WriteEntry(File("BAR.ZIP", 3, 200));
    Run().WriteEntry(File("GAME.ZIP", 12, 5000));
    Run().WriteEntry(File("BAZ.ZIP", 3, 7));
    Finish();
    ASSERT_EQ(m_order.size(), 3u);
    const std::string header = Head(kTitle) +
                               "<H1 ALIGN=CENTER>Test BBS</H1>\r\n<H3 ALIGN=CENTER></H3>"
                               "<H2 ALIGN=CENTER>" +
                               kTitle + "</H2>";
    const std::string back = "<H2 ALIGN=CENTER><BR>Back to <A HREF=LIST.HTM>Index</A></H2>";
    EXPECT_EQ(Page(0), header +
                           "<H3><BR>3 - Utilities &lt;1&gt;</H3><TABLE BORDER=0 ALIGN=CENTER>\r\n"
                           "<TR><TD>FOO.ZIP</TD></TR>\r\n<TR><TD>BAR.ZIP</TD></TR>\r\n"
                           "</TABLE>\r\n" +
                           kCreditHead + kCreditTail + back + kEnd);
    EXPECT_EQ(Page(1), header +
                           "<H3><BR>12 - Games</H3><TABLE BORDER=0 ALIGN=CENTER>\r\n"
                           "<TR><TD>GAME.ZIP</TD></TR>\r\n</TABLE>\r\n" +
                           kCreditHead + kCreditTail + back + kEnd);
    EXPECT_EQ(Page(2), header +
                           "<H3><BR>3 - Utilities &lt;1&gt;</H3><TABLE BORDER=0 ALIGN=CENTER>\r\n"
                           "<TR><TD>BAZ.ZIP</TD></TR>\r\n</TABLE>\r\n" +
                           kCreditHead + kCreditTail + back + kEnd);

    const CListRun& run = Run();
    EXPECT_EQ(run.m_indexAreas, (std::vector<int>{3, 12, 3}));
    EXPECT_EQ(run.m_indexCounts, (std::vector<int>{2, 1, 1}));
    EXPECT_EQ(run.m_indexBytes, (std::vector<int64_t>{300, 5000, 7}));
    ASSERT_EQ(run.m_indexPages.size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(m_temp + "/" + run.m_indexPages[i], m_order[i]);
    EXPECT_EQ(run.m_nEntryCount, 4);
    EXPECT_EQ(run.m_nTotalBytes, 5307);
}

TEST_F(HtmlListWriterTest, IndexedSetWithoutFilesWritesNoPage) {
    m_def.m_bIndexed = 1;
    Run().BeginList("");
    Finish();
    EXPECT_TRUE(m_order.empty());
    EXPECT_TRUE(Run().m_indexPages.empty());
    EXPECT_FALSE(Run().Failed());
}

}  // namespace
