// Byte-exact text lists: header box, the three entry layouts, area headings with names read
// from a board, footer, and the centring and word wrapping they use.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "generate/CListRun.h"
#include "generate/CTextListWriter.h"
#include "generate/CUtf8TextSink.h"
#include "io/CMemorySink.h"
#include "io/CTeeSink.h"
#include "io/CTextStream.h"
#include "tests/support/CTestBoard.h"
#include "tests/support/TestEntry.h"
#include "tests/support/TextBytes.h"

namespace {

const std::string kBoard =
    R"({"areas":[{"number":1,"name":"Utilities"},{"number":2,"name":"Games 100%"},)"
    R"({"number":123456789,"name":"Area name of thirty-nine characters ..."}]})";

class TextListWriterTest : public ::testing::Test {
protected:
    // A run writing into memory, positioned in area 1 so that entries of area 1 get no
    // heading.
    CListRun& Run() {
        if (!m_run) {
            m_run = std::make_unique<CListRun>(m_def, "/tmp/", nullptr);
            m_run->m_pOutFile =
                std::make_unique<CTextStream>(std::make_unique<CMemorySink>(&m_out), "mem");
            m_run->m_nCurArea = 1;
        }
        return *m_run;
    }
    // Everything written so far, as it reaches the file.
    std::string Bytes() {
        Run().m_pOutFile->Close();
        return m_out;
    }
    static CFileEntry Entry(const std::string& name, int size, const std::string& desc) {
        return TestEntry(name, 1, size, desc);
    }
    static CFileEntry Area(int area, const std::string& name, int size) {
        return TestEntry(name, area, size, "About " + name);
    }
    void Plain(const CFileEntry& e) { CTextListWriter::WritePlainEntry(Run(), e); }
    void Colour(const CFileEntry& e) { CTextListWriter::WriteColourEntry(Run(), e); }

    CTestBoard m_board{kBoard};
    COutRec m_def;
    std::string m_out;
    std::unique_ptr<CListRun> m_run;
};

// ---- Header ----

TEST_F(TextListWriterTest, Cp437HeaderCentresShorterLines) {
    Run().m_headerLines = {"Boards", "Line two!"};
    Run().m_strListTitle = "Title";
    CTextListWriter::WritePlainHeader(Run());
    EXPECT_EQ(Bytes(), ExpectedBytes("text-header-cp437.txt"));
}

TEST_F(TextListWriterTest, ColourHeaderOfPopularListEndsItsUnderline) {
    m_def.m_nOptions = OPT_ASCII;
    m_def.m_nListType = LIST_BULLETIN;
    m_def.m_nSelection = SEL_POPULAR;
    Run().m_headerLines = {"Test Board"};
    Run().m_strListTitle = "10 Most Popular Files";
    CTextListWriter::WriteColourHeader(Run());
    EXPECT_EQ(Bytes(), ExpectedBytes("text-header-colour.txt"));
}

TEST_F(TextListWriterTest, WideHeaderHasNoIndentAndBordersOfAtMost80) {
    m_def.m_nOptions = OPT_ASCII;
    Run().m_headerLines = {Rep('x', 78)};
    Run().m_strListTitle = Rep('T', 90);
    CTextListWriter::WritePlainHeader(Run());
    const std::string border = "+" + Rep('-', 80) + "+\r\n";
    EXPECT_EQ(Bytes(), border + "|  " + Rep('x', 78) + "  |\r\n" + border + "\r\n" + Rep('T', 90) +
                           "\r\n" + Rep('=', 80));
}

// ---- Entries ----

TEST_F(TextListWriterTest, DoubleLayoutPlain) {
    Plain(Entry("README.TXT", 1234, "A short description"));
    Plain(Free(Entry("FREE.ZIP", 100, Rep('a', 30) + " " + Rep('b', 19))));
    Plain(Entry("NOBLANK.ZIP", 7, Rep('a', 10) + " " + Rep('b', 39)));
    Plain(Entry("VERYLONGNAME1234.ZIP", 1, "x"));  // the name cut to 12
    EXPECT_EQ(Bytes(), ExpectedBytes("text-double-plain.txt"));
    EXPECT_EQ(Run().m_nEntryCount, 4);
    EXPECT_EQ(Run().m_nTotalBytes, 1342);
}

// `e` flagged with `letter` for `flag`.
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

// Entries of each layout, plain or in the colours of a bulletin.
TEST_F(TextListWriterTest, EntryLayouts) {
    using Entries = std::vector<CFileEntry>;
    const struct {
        const char* what;
        int layout;
        bool colour;
        Entries entries;
        std::string bytes;
    } cases[] = {
        {"double, colour", LAYOUT_DOUBLE, true,
         Entries{Entry("README.TXT", 1234, "Plain file"),
                 Free(Entry("FREE.ZIP", 100, "Free file"))},
         "\r\n@0F@README.TXT        @0A@Size:     1234@0C@ | @0E@Plain file\r\n"
         "Date: 11/30/26    Dwnlds:      7@0C@ | @0E@\r\n"
         "\r\n@0F@FREE.ZIP          @0A@Size:      100@0B@ F @0E@Free file\r\n"
         "Date: 11/30/26    Dwnlds:      7@0C@ | @0E@\r\n"},
        {"single: name and description cut", LAYOUT_SINGLE, false,
         Entries{Entry("VERYLONGNAME1234.ZIP", 1, Rep('d', 65) + "EEEEE"),
                 Entry("A.TXT", 1, "100% sure %s %n"),
                 Flagged(Entry("SECRET.ZIP", 1, "Locked"), &CFileEntry::m_bHasPassword, "P")},
         "VERYLONGNAME   " + Rep('d', 65) +
             "\r\nA.TXT          100% sure %s %n\r\nSECRET.ZIP   P Locked\r\n"},
        {"single, colour: only flagged files are marked", LAYOUT_SINGLE, true,
         Entries{Flagged(Entry("VIRUS.EXE", 1, "Bad"), &CFileEntry::m_bFailedScan, "V"),
                 Entry("GOOD.EXE", 1, "Good")},
         "@0E@VIRUS.EXE   @0B@ V @0E@Bad\r\n@0E@GOOD.EXE       Good\r\n"},
        {"full: long lines wrapped, empty ones skipped", LAYOUT_FULL, false,
         Entries{Long(Entry("TOOLS.ZIP", 1234, "Short description, not used"),
                      {{0, "First line of the long description   "},
                       {1, "Second line\t "},
                       {2, "   "},
                       {3, Rep('a', 40) + " bbbb"},
                       {14, "Last"}})},
         ExpectedBytes("text-full-wrap.txt")},
        {"full, colour: a long first line continues on the date line", LAYOUT_FULL, true,
         Entries{Long(Entry("TOOLS.ZIP", 1234, "unused"),
                      {{0, Rep('a', 30) + " " + Rep('b', 19)}, {1, "Line one"}})},
         "\r\n\r\n@0F@TOOLS.ZIP         @0A@Size:     1234@0C@ | @0E@" + Rep('a', 30) +
             "\r\nDate: 11/30/26    Dwnlds:      7@0C@ | @0E@" + Rep('b', 19) + "\r\n" +
             Spaces(35) + "Line one\r\n"},
        {"full without a long description (or a blank first line) is double", LAYOUT_FULL, false,
         Entries{Entry("A.ZIP", 1, "No long description"),
                 Long(Entry("B.ZIP", 2, "Blank first line"), {{0, " \t "}, {1, "never shown"}})},
         "\r\nA.ZIP             Size:        1 | No long description\r\n"
         "Date: 11/30/26    Dwnlds:      7 | \r\n"
         "\r\nB.ZIP             Size:        2 | Blank first line\r\n"
         "Date: 11/30/26    Dwnlds:      7 | \r\n"},
    };
    for (const auto& c : cases) {
        m_out.clear();
        m_run.reset();
        m_def.m_nLayout = c.layout;
        m_def.m_nListType = c.colour ? LIST_BULLETIN : LIST_FILE;
        for (const CFileEntry& e : c.entries) c.colour ? Colour(e) : Plain(e);
        EXPECT_EQ(Bytes(), c.bytes) << c.what;
    }
}

TEST_F(TextListWriterTest, SizesOf2GBAndMoreArePrintedUnsigned) {
    CFileEntry big = Entry("BIG.ISO", 0, "Image");
    big.m_nSize = -1;  // 4294967295 bytes on the server
    big.m_nDownloads = 3000000000u;
    Plain(big);
    Plain(big);
    const std::string entry =
        "\r\nBIG.ISO           Size: 4294967295 | Image\r\nDate: 11/30/26    Dwnlds:3000000000 | "
        "\r\n";
    EXPECT_EQ(Bytes(), entry + entry);
    EXPECT_EQ(Run().m_nTotalBytes, 8589934590LL);
}

TEST_F(TextListWriterTest, UnknownLayoutWritesNothingButCounts) {
    m_def.m_nLayout = 7;
    Plain(Entry("A.ZIP", 10, "x"));
    EXPECT_EQ(Bytes(), "");
    EXPECT_EQ(Run().m_nEntryCount, 1);
    EXPECT_EQ(Run().m_nTotalBytes, 10);
}

TEST_F(TextListWriterTest, PopularListHasNoAreaHeadings) {
    m_def.m_nSelection = SEL_POPULAR;
    m_def.m_nLayout = LAYOUT_SINGLE;
    Run().m_nCurArea = -1;
    CFileEntry other = Entry("B.ZIP", 1, "b");
    other.m_nArea = 9;
    Plain(Entry("A.ZIP", 1, "a"));
    Plain(other);
    EXPECT_EQ(Bytes(),
              "A.ZIP          a\r\n"
              "B.ZIP          b\r\n");
    EXPECT_EQ(Run().m_nCurArea, -1);
}

// ---- Footer ----

TEST_F(TextListWriterTest, TotalsSwitchUnitsStrictlyAboveEachPower) {
    const std::pair<int64_t, const char*> cases[] = {
        {0, "0.00KB"},          {1536, "1.50KB"},          {1048576, "1024.00KB"},
        {1048577, "1.00MB"},    {1073741824, "1024.00MB"}, {1073741825, "1.00GB"},
        {8589934590, "8.00GB"},
    };
    for (const auto& [bytes, text] : cases) {
        m_out.clear();
        m_run.reset();
        Run().m_nEntryCount = 4;
        Run().m_nTotalBytes = bytes;
        CTextListWriter::WriteTextFooter(Run());
        EXPECT_EQ(Bytes(), Crlf(TextFoot(4, text))) << bytes;
    }
}

TEST_F(TextListWriterTest, BulletinTotalsAreColouredButCreditsAreNot) {
    m_def.m_nListType = LIST_BULLETIN;
    Run().m_nEntryCount = 3;
    Run().m_nTotalBytes = 1536;
    CTextListWriter::WriteTextFooter(Run());
    EXPECT_EQ(Bytes(), "@0F@\r\n\r\n  Total files: 3\r\n  Totalling 1.50KB\r\n@0E@\r\n" +
                           Crlf(kTextCredits));
}

// ---- Area headings ----

TEST_F(TextListWriterTest, WholeAsciiListWithTwoAreas) {
    m_def.m_nLayout = LAYOUT_SINGLE;
    Run().m_nCurArea = -1;  // no heading written yet
    m_def.m_nOptions = OPT_ASCII;
    Run().m_headerLines = {"Test Board"};
    Run().m_strListTitle = "Files";
    CTextListWriter::WritePlainHeader(Run());
    Plain(Area(1, "A.ZIP", 1000));
    Plain(Area(1, "B.ZIP", 1048));
    Plain(Area(2, "C.ZIP", 24));
    CTextListWriter::WriteTextFooter(Run());
    EXPECT_EQ(Bytes(), ExpectedBytes("text-two-areas.txt"));
    EXPECT_EQ(Run().m_nCurArea, 2);
}

TEST_F(TextListWriterTest, ColourHeadingUnderlineInCodePage437) {
    m_def.m_nLayout = LAYOUT_SINGLE;
    Run().m_nCurArea = -1;  // no heading written yet
    m_def.m_nListType = LIST_BULLETIN;
    Colour(Area(1, "A.ZIP", 1));
    EXPECT_EQ(Bytes(), "\r\n\r\n1 - Utilities\r\n@0C@" + Rep('\xC4', 13) +
                           "@0E@\r\n"
                           "@0E@A.ZIP          About A.ZIP\r\n");
}

// An area the board does not know gets no stale name; "123456789 - " and the 39-character
// name are underlined with 51 characters.
TEST_F(TextListWriterTest, AreaUnknownToTheBoardAndALongNumberAndName) {
    m_def.m_nLayout = LAYOUT_SINGLE;
    Run().m_nCurArea = -1;  // no heading written yet
    m_def.m_nOptions = OPT_ASCII;
    Plain(Area(1, "A.ZIP", 1));
    Plain(Area(5, "E.ZIP", 1));
    Plain(Area(123456789, "A.ZIP", 1));
    EXPECT_EQ(Bytes(),
              "\r\n\r\n1 - Utilities\r\n-------------\r\nA.ZIP          About A.ZIP\r\n"
              "\r\n\r\n5 - \r\n----\r\nE.ZIP          About E.ZIP\r\n"
              "\r\n\r\n123456789 - Area name of thirty-nine characters ...\r\n" +
                  Rep('-', 51) + "\r\nA.ZIP          About A.ZIP\r\n");
}

// ---- UTF-8 copies ----

struct Utf8Case {
    int type;
    int options;
    std::string expected;
};

// 0xC4 and 0xCD are rules in the box and underlines, but text ("\xC4", "\xCD") in entries.
TEST_F(TextListWriterTest, Utf8CopyConvertsBoxAndTextAndDropsColourCodes) {
    auto times = [](const std::string& s, int n) {
        std::string out;
        while (n-- > 0) out += s;
        return out;
    };
    const std::string dbl = "\xE2\x95\x90";  // U+2550
    const std::string cp437 = Spaces(28) + "\xE2\x95\x94" + times(dbl, 12) + "\xE2\x95\x97\n" +
                              Spaces(28) + "\xE2\x95\x91  Caf\xC3\xA9 BBS  \xE2\x95\x91\n" +
                              Spaces(28) + "\xE2\x95\x9A" + times(dbl, 12) + "\xE2\x95\x9D\n\n" +
                              Spaces(32) + "Title\n" + Spaces(32) + times(dbl, 5) +
                              "\n\n1 - Utilities\n" + times("\xE2\x94\x80", 13) + "\n";
    const std::string ascii = Spaces(28) + "+------------+\n" + Spaces(28) +
                              "|  Caf\xC3\xA9 BBS  |\n" + Spaces(28) + "+------------+\n\n" +
                              Spaces(32) + "Title\n" + Spaces(32) +
                              "=====\n\n1 - Utilities\n-------------\n";
    const std::string entry =
        "\nREADME.TXT        Size:     1234 | \xC3\x84 la carte \xE2\x82\xAC\n"
        "Date: 11/30/26    Dwnlds:      7 | x\n" +
        Spaces(35) + "\xC3\x8D\xC3\x8D\xC3\x8D\n";
    const Utf8Case cases[] = {{LIST_FILE, 0, cp437 + entry},
                              {LIST_MESSAGE, OPT_ASCII, ascii + entry},
                              {LIST_BULLETIN, 0, cp437 + "\n" + entry}};
    for (const Utf8Case& c : cases) {
        SCOPED_TRACE(c.type);
        m_def.m_nListType = c.type;
        m_def.m_nOptions = c.options;
        m_def.m_nLayout = LAYOUT_FULL;
        CListRun run(m_def, "/tmp/", nullptr);
        std::string bytes, utf8;
        CMemorySink copy(&utf8);
        run.m_pOutFile = std::make_unique<CTextStream>(
            std::make_unique<CTeeSink>(
                std::make_unique<CMemorySink>(&bytes),
                std::make_unique<CUtf8TextSink>(copy, c.type == LIST_BULLETIN)),
            "mem");
        run.m_headerLines = {"Caf\xE9 BBS"};
        run.m_strListTitle = "Title";
        CFileEntry e = Entry("README.TXT", 1234, "unused");
        e.m_bLongDesc = true;
        e.m_strDescLine[0] = "\xC4 la carte \x80";
        e.m_strDescLine[1] = "x";
        e.m_strDescLine[2] = "\xCD\xCD\xCD";
        run.WriteHeader();
        run.WriteEntry(e);
        run.m_pOutFile->Close();
        EXPECT_EQ(utf8, c.expected);
    }
}

// ---- Centring and wrapping ----

TEST(TextListCentre, PutsTheOddBlankOnTheRightAndLeavesWideTextAlone) {
    EXPECT_EQ(CTextListWriter::Centre("abc", 8), "  abc   ");
    EXPECT_EQ(CTextListWriter::Centre("abcd", 8), "  abcd  ");
    EXPECT_EQ(CTextListWriter::Centre("", 3), "   ");
    // Text at or above the width stays as it is.
    EXPECT_EQ(CTextListWriter::Centre("abcd", 4), "abcd");
    EXPECT_EQ(CTextListWriter::Centre("abcdef", 4), "abcdef");
    EXPECT_EQ(CTextListWriter::Centre("ab", -3), "ab");
}

struct WrapCase {
    const char* what;
    std::string text;
    int width;
    std::string head;
    std::string tail;
};

TEST(TextListWrap, CutsAtBlanksInTheSecondHalfOtherwiseHard) {
    const WrapCase cases[] = {
        {"fits", Rep('a', 40), 40, Rep('a', 40), ""},
        {"short", "two words", 40, "two words", ""},
        {"empty", "", 40, "", ""},
        {"last blank at 30", Rep('a', 30) + " " + Rep('b', 19), 40, Rep('a', 30), Rep('b', 19)},
        {"only blank at 10", Rep('a', 10) + " " + Rep('b', 39), 40,
         Rep('a', 10) + " " + Rep('b', 29), Rep('b', 10)},
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
    for (const WrapCase& c : cases) {
        EXPECT_EQ(CTextListWriter::WrapHead(c.text, c.width), c.head) << c.what;
        EXPECT_EQ(CTextListWriter::WrapTail(c.text, c.width), c.tail) << c.what;
    }
}

}  // namespace
