// Byte-exact text lists: header box, entry layouts, area headings, footer, UTF-8 copy, wrapping.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "generate/CListRun.h"
#include "generate/CTextListWriter.h"
#include "generate/CUtf8TextSink.h"
#include "io/CMemorySink.h"
#include "io/CTeeSink.h"
#include "tests/support/CTestBoard.h"
#include "tests/support/TestEntry.h"
#include "tests/support/TextBytes.h"

namespace {

CFileEntry Entry(const std::string& name, int size, const std::string& desc) {
    return TestEntry(name, 1, size, desc);
}
CFileEntry Area(int area, const std::string& name, int size = 1) {
    return TestEntry(name, area, size, "About " + name);
}
CFileEntry Flagged(CFileEntry e, bool CFileEntry::*flag, const char* letter) {
    e.*flag = true;
    e.m_strFlag = letter;
    return e;
}
// `e` with a long description of `lines` (by line number).
CFileEntry Long(CFileEntry e, const std::map<int, std::string>& lines) {
    e.m_bLongDesc = true;
    for (const auto& [i, line] : lines) e.m_strDescLine[i] = line;
    return e;
}

class TextListWriterTest : public ::testing::Test {
protected:
    // A new run of m_def into m_out (UTF-8 copy: m_utf8); entries of `area` get no heading.
    CListRun& NewRun(int area = 1) {
        m_out.clear();
        m_utf8.clear();
        m_run = std::make_unique<CListRun>(m_def, "/tmp/", nullptr);
        m_run->m_pOutFile = std::make_unique<CTextStream>(
            std::make_unique<CTeeSink>(
                std::make_unique<CMemorySink>(&m_out),
                std::make_unique<CUtf8TextSink>(m_copy, m_def.m_nListType == LIST_BULLETIN)),
            "mem");
        m_run->m_nCurArea = area;
        return *m_run;
    }
    // Everything written so far, as it reaches the file.
    std::string Bytes() {
        m_run->m_pOutFile->Close();
        return m_out;
    }

    CTestBoard m_board{CTestBoard::Data("text-areas.json")};
    COutRec m_def;
    std::string m_out, m_utf8;
    CMemorySink m_copy{&m_utf8};
    std::unique_ptr<CListRun> m_run;
};

// The list's kind, and the area where its run stands (-1: before the first heading).
struct Kind {
    int type = LIST_FILE;  // a bulletin is in colour
    int layout = LAYOUT_DOUBLE;
    int options = 0;
    int selection = SEL_ALL;
    int area = 1;
};
// One list as a run writes it: the header (when it has lines), then the entries.
struct TextCase {
    const char* what;
    Kind kind = {};
    std::vector<std::string> header = {};
    std::string title = "";
    std::vector<CFileEntry> entries = {};
    std::string bytes;
    int64_t total = -1;  // of the entries' sizes; -1: not checked
};

TEST_F(TextListWriterTest, ListsByteForByte) {
    CFileEntry bigFile = Entry("BIG.ISO", -1, "Image");  // 4294967295 bytes on the server
    bigFile.m_nDownloads = 3000000000u;
    const TextCase cases[] = {
        {.what = "CP437 header centres shorter lines",
         .header = {"Boards", "Line two!"},
         .title = "Title",
         .bytes = ExpectedBytes("text-header-cp437.txt")},
        {.what = "colour header of a popular list ends its underline",
         .kind = {.type = LIST_BULLETIN, .options = OPT_ASCII, .selection = SEL_POPULAR},
         .header = {"Test Board"},
         .title = "10 Most Popular Files",
         .bytes = ExpectedBytes("text-header-colour.txt")},
        {.what = "a wide header has no indent and borders of at most 80",
         .kind = {.options = OPT_ASCII},
         .header = {Rep('x', 78)},
         .title = Rep('T', 90),
         .bytes = ExpectedBytes("text-header-wide.txt")},
        {.what = "double",
         .entries = {Entry("README.TXT", 1234, "A short description"),
                     Free(Entry("FREE.ZIP", 100, Rep('a', 30) + " " + Rep('b', 19))),
                     Entry("NOBLANK.ZIP", 7, Rep('a', 10) + " " + Rep('b', 39)),
                     Entry("VERYLONGNAME1234.ZIP", 1, "x")},
         .bytes = ExpectedBytes("text-double-plain.txt"),
         .total = 1342},
        {.what = "double, colour",
         .kind = {.type = LIST_BULLETIN},
         .entries = {Entry("README.TXT", 1234, "Plain file"),
                     Free(Entry("FREE.ZIP", 100, "Free file"))},
         .bytes = ExpectedBytes("text-double-colour.txt")},
        {.what = "sizes of 2 GB and more are printed unsigned",
         .entries = {bigFile, bigFile},
         .bytes = ExpectedBytes("text-double-big.txt"),
         .total = 8589934590LL},
        {.what = "an unknown layout writes nothing but counts",
         .kind = {.layout = 7},
         .entries = {Entry("A.ZIP", 10, "x")},
         .bytes = "",
         .total = 10},
        {.what = "single: name and description cut",
         .kind = {.layout = LAYOUT_SINGLE},
         .entries = {Entry("VERYLONGNAME1234.ZIP", 1, Rep('d', 65) + "EEEEE"),
                     Entry("A.TXT", 1, "100% sure %s %n"),
                     Flagged(Entry("SECRET.ZIP", 1, "Locked"), &CFileEntry::m_bHasPassword, "P")},
         .bytes = ExpectedBytes("text-single-cut.txt")},
        {.what = "single, colour: only flagged files are marked",
         .kind = {.type = LIST_BULLETIN, .layout = LAYOUT_SINGLE},
         .entries = {Flagged(Entry("VIRUS.EXE", 1, "Bad"), &CFileEntry::m_bFailedScan, "V"),
                     Entry("GOOD.EXE", 1, "Good")},
         .bytes = "@0E@VIRUS.EXE   @0B@ V @0E@Bad\r\n@0E@GOOD.EXE       Good\r\n"},
        {.what = "full: long lines wrapped, empty ones skipped",
         .kind = {.layout = LAYOUT_FULL},
         .entries = {Long(Entry("TOOLS.ZIP", 1234, "Short description, not used"),
                          {{0, "First line of the long description   "},
                           {1, "Second line\t "},
                           {2, "   "},
                           {3, Rep('a', 40) + " bbbb"},
                           {14, "Last"}})},
         .bytes = ExpectedBytes("text-full-wrap.txt")},
        {.what = "full, colour: a long first line continues on the date line",
         .kind = {.type = LIST_BULLETIN, .layout = LAYOUT_FULL},
         .entries = {Long(Entry("TOOLS.ZIP", 1234, "unused"),
                          {{0, Rep('a', 30) + " " + Rep('b', 19)}, {1, "Line one"}})},
         .bytes = ExpectedBytes("text-full-colour.txt")},
        {.what = "full without a long description (or a blank first line) is double",
         .kind = {.layout = LAYOUT_FULL},
         .entries = {Entry("A.ZIP", 1, "No long description"),
                     Long(Entry("B.ZIP", 2, "Blank first line"),
                          {{0, " \t "}, {1, "never shown"}})},
         .bytes = ExpectedBytes("text-full-plain.txt")},
        {.what = "a popular list has no area headings",
         .kind = {.layout = LAYOUT_SINGLE, .selection = SEL_POPULAR, .area = -1},
         .entries = {Entry("A.ZIP", 1, "a"), TestEntry("B.ZIP", 9, 1, "b")},
         .bytes = "A.ZIP          a\r\nB.ZIP          b\r\n"},
        {.what = "colour heading underlined in code page 437",
         .kind = {.type = LIST_BULLETIN, .layout = LAYOUT_SINGLE, .area = -1},
         .entries = {Area(1, "A.ZIP")},
         .bytes = ExpectedBytes("text-heading-colour.txt")},
        {.what = "an unknown area gets no stale name; long number and name",
         .kind = {.layout = LAYOUT_SINGLE, .options = OPT_ASCII, .area = -1},
         .entries = {Area(1, "A.ZIP"), Area(2, "C.ZIP"), Area(5, "E.ZIP"),
                     Area(123456789, "A.ZIP")},
         .bytes = ExpectedBytes("text-heading-unknown.txt")},
    };
    for (const TextCase& c : cases) {
        m_def.m_nListType = c.kind.type;
        m_def.m_nLayout = c.kind.layout;
        m_def.m_nOptions = c.kind.options;
        m_def.m_nSelection = c.kind.selection;
        CListRun& run = NewRun(c.kind.area);
        run.m_headerLines = c.header;
        run.m_strListTitle = c.title;
        if (!c.header.empty()) run.WriteHeader();
        for (const CFileEntry& e : c.entries) run.WriteEntry(e);
        EXPECT_EQ(Bytes(), c.bytes) << c.what;
        EXPECT_EQ(run.m_nEntryCount, static_cast<int>(c.entries.size())) << c.what;
        EXPECT_TRUE(c.total < 0 || run.m_nTotalBytes == c.total) << c.what;
    }
}

TEST_F(TextListWriterTest, TotalsSwitchUnitsStrictlyAboveEachPower) {
    auto footer = [&](int64_t total) {
        CListRun& run = NewRun();
        run.m_nEntryCount = 4;
        run.m_nTotalBytes = total;
        run.WriteFooter();
        return Bytes();
    };
    const std::pair<int64_t, const char*> cases[] = {
        {0, "0.00KB"},          {1536, "1.50KB"},          {1048576, "1024.00KB"},
        {1048577, "1.00MB"},    {1073741824, "1024.00MB"}, {1073741825, "1.00GB"},
        {8589934590, "8.00GB"},
    };
    for (const auto& [total, text] : cases) EXPECT_EQ(footer(total), Crlf(TextFoot(4, text)));
    m_def.m_nListType = LIST_BULLETIN;  // totals coloured, credits not
    EXPECT_EQ(footer(1536), "@0F@\r\n\r\n  Total files: 4\r\n  Totalling 1.50KB\r\n@0E@\r\n" +
                                Crlf(kTextCredits));
}

// 0xC4 and 0xCD are rules in the box and underlines, but text ("\xC4", "\xCD") in entries.
TEST_F(TextListWriterTest, Utf8CopyConvertsBoxAndTextAndDropsColourCodes) {
    const std::tuple<int, int, const char*> cases[] = {
        {LIST_FILE, 0, "text-utf8-file.txt"},
        {LIST_MESSAGE, OPT_ASCII, "text-utf8-message.txt"},
        {LIST_BULLETIN, 0, "text-utf8-bulletin.txt"}};
    for (const auto& [type, options, expected] : cases) {
        m_def.m_nListType = type;
        m_def.m_nOptions = options;
        m_def.m_nLayout = LAYOUT_FULL;
        CListRun& run = NewRun(-1);
        run.m_headerLines = {"Caf\xE9 BBS"};
        run.m_strListTitle = "Title";
        run.WriteHeader();
        run.WriteEntry(Long(Entry("README.TXT", 1234, "unused"),
                            {{0, "\xC4 la carte \x80"}, {1, "x"}, {2, "\xCD\xCD\xCD"}}));
        Bytes();
        EXPECT_EQ(m_utf8, ExpectedBytes(expected)) << type;
    }
}

TEST(TextListWrap, CutsAtBlanksInTheSecondHalfOtherwiseHard) {
    const std::tuple<const char*, std::string, int, std::string, std::string> cases[] = {
        {"fits", Rep('a', 40), 40, Rep('a', 40), ""},
        {"blank exactly at the width", Rep('a', 40) + " " + Rep('b', 9), 40, Rep('a', 40),
         Rep('b', 9)},
        {"blank at half the width", Rep('a', 20) + " " + Rep('b', 29), 40, Rep('a', 20),
         Rep('b', 29)},
        {"blank just below half", Rep('a', 19) + " " + Rep('b', 30), 40,
         Rep('a', 19) + " " + Rep('b', 20), Rep('b', 10)},
        {"no blank", Rep('x', 41), 40, Rep('x', 40), "x"},
        {"45 characters at 44", Rep('a', 40) + " " + Rep('b', 4), 44, Rep('a', 40), "bbbb"},
        {"blank at 43 of 45", Rep('a', 43) + " b", 44, Rep('a', 43), "b"},
        {"last of several blanks wins", "aaaaaaaaaaaaaaaaaaaaaaaaa bbbbbbbbbb ccccc dddd", 44,
         "aaaaaaaaaaaaaaaaaaaaaaaaa bbbbbbbbbb ccccc", "dddd"},
        {"bytes above 127 are no blanks", Rep('\xB0', 45), 44, Rep('\xB0', 44), "\xB0"},
    };
    for (const auto& [what, text, width, head, tail] : cases) {
        EXPECT_EQ(CTextListWriter::WrapHead(text, width), head) << what;
        EXPECT_EQ(CTextListWriter::WrapTail(text, width), tail) << what;
    }
}

}  // namespace
