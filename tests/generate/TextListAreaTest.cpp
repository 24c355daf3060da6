// Area headings of text lists, with area names read from a board, and a whole plain list.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "config/COutRec.h"
#include "generate/CFileEntry.h"
#include "generate/CListRun.h"
#include "generate/CMemorySink.h"
#include "generate/CTextListWriter.h"
#include "generate/CTextStream.h"
#include "tests/support/CTestBoard.h"

namespace {

std::string Sp(int n) {
    return std::string(n, ' ');
}
std::string Rep(char c, int n) {
    return std::string(n, c);
}

const char* const kBoard =
    R"({"areas":[{"number":1,"name":"Utilities"},{"number":2,"name":"Games 100%"}]})";

class TextListAreaTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_board = std::make_unique<CTestBoard>(kBoard);
        m_def.m_nLayout = LAYOUT_SINGLE;
    }
    CListRun& Run() {
        if (!m_run) {
            m_run = std::make_unique<CListRun>(m_def, "/tmp/", nullptr);
            m_run->m_pOutFile =
                std::make_unique<CTextStream>(std::make_unique<CMemorySink>(&m_out), "mem");
        }
        return *m_run;
    }
    std::string Bytes() {
        Run().m_pOutFile->Close();
        return m_out;
    }
    static CFileEntry Entry(int area, const std::string& name, int size) {
        CFileEntry e;
        e.m_nArea = area;
        e.m_strName = name;
        e.m_nSize = size;
        e.m_strDescription = "About " + name;
        e.m_strFlag = " ";
        return e;
    }

    std::unique_ptr<CTestBoard> m_board;
    COutRec m_def;
    std::string m_out;
    std::unique_ptr<CListRun> m_run;
};

TEST_F(TextListAreaTest, WholeAsciiListWithTwoAreas) {
    m_def.m_nOptions = OPT_ASCII;
    Run().m_headerLines = {"Test Board"};
    Run().m_strListTitle = "Files";
    CTextListWriter::WritePlainHeader(Run());
    CTextListWriter::WritePlainEntry(Run(), Entry(1, "A.ZIP", 1000));
    CTextListWriter::WritePlainEntry(Run(), Entry(1, "B.ZIP", 1048));
    CTextListWriter::WritePlainEntry(Run(), Entry(2, "C.ZIP", 24));
    CTextListWriter::WriteTextFooter(Run());
    EXPECT_EQ(Bytes(), Sp(27) + "+--------------+\r\n" + Sp(27) + "|  Test Board  |\r\n" + Sp(27) +
                           "+--------------+\r\n" + "\r\n" + Sp(32) + "Files\r\n" + Sp(32) +
                           "=====\r\n\r\n1 - Utilities\r\n-------------\r\n"
                           "A.ZIP          About A.ZIP\r\n"
                           "B.ZIP          About B.ZIP\r\n"
                           "\r\n\r\n2 - Games 100%\r\n--------------\r\n"
                           "C.ZIP          About C.ZIP\r\n"
                           "\r\n\r\n  Total files: 3\r\n  Totalling 2.02KB\r\n\r\n"
                           "\r\n" +
                           Sp(12) + "Quorvane V2.2 - file lists for Wildcat! boards\r\n" + Sp(20) +
                           "http://www.morrowfen.example/\r\n" + "\r\n" + Sp(24) +
                           "Morrowfen BBS, Harwick\r\n" + Sp(22) + "Telephone +44 1632 960018\r\n" +
                           "\r\n");
    EXPECT_EQ(Run().m_nCurArea, 2);
}

TEST_F(TextListAreaTest, ColourHeadingUnderlineInCodePage437) {
    m_def.m_nListType = LIST_BULLETIN;
    CTextListWriter::WriteColourEntry(Run(), Entry(1, "A.ZIP", 1));
    EXPECT_EQ(Bytes(), "\r\n\r\n1 - Utilities\r\n@0C@" + Rep('\xC4', 13) +
                           "@0E@\r\n"
                           "@0E@A.ZIP          About A.ZIP\r\n");
}

TEST_F(TextListAreaTest, AreaUnknownToTheBoardGetsNoStaleName) {
    m_def.m_nOptions = OPT_ASCII;
    CTextListWriter::WritePlainEntry(Run(), Entry(1, "A.ZIP", 1));
    CTextListWriter::WritePlainEntry(Run(), Entry(5, "E.ZIP", 1));
    EXPECT_EQ(Bytes(),
              "\r\n\r\n1 - Utilities\r\n-------------\r\n"
              "A.ZIP          About A.ZIP\r\n"
              "\r\n\r\n5 - \r\n----\r\n"
              "E.ZIP          About E.ZIP\r\n");
}

TEST_F(TextListAreaTest, UnderlineOfALongNumberAndName) {
    m_board.reset();
    m_board = std::make_unique<CTestBoard>(
        R"({"areas":[{"number":123456789,"name":"Area name of thirty-nine characters ..."}]})");
    m_def.m_nOptions = OPT_ASCII;
    CTextListWriter::WritePlainEntry(Run(), Entry(123456789, "A.ZIP", 1));
    // "123456789 - " and the 39-character name: 51 underline characters.
    EXPECT_EQ(Bytes(), "\r\n\r\n123456789 - Area name of thirty-nine characters ...\r\n" +
                           Rep('-', 51) + "\r\nA.ZIP          About A.ZIP\r\n");
}

}  // namespace
