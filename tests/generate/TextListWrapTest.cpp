// Centring and word wrapping of the text lists.
#include <gtest/gtest.h>

#include <string>

#include "generate/CTextListWriter.h"

namespace {

std::string Rep(char c, int n) {
    return std::string(n, c);
}

TEST(TextListCentre, PutsTheOddBlankOnTheRight) {
    EXPECT_EQ(CTextListWriter::Centre("abc", 8), "  abc   ");
    EXPECT_EQ(CTextListWriter::Centre("abcd", 8), "  abcd  ");
    EXPECT_EQ(CTextListWriter::Centre("", 3), "   ");
}

TEST(TextListCentre, LeavesTextAtOrAboveTheWidthAlone) {
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
