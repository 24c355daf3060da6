#include "config/CCodePage.h"

#include <gtest/gtest.h>

TEST(CCodePage, Windows1252ToUtf8) {
    // e-acute, euro sign, left double quote, a-ring, y-diaeresis
    EXPECT_EQ(CCodePage::ToUtf8("caf\xE9 \x80 \x93x\x94 \xE5\xFF"),
              "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D \xC3\xA5\xC3\xBF");
    // Bytes Windows-1252 leaves undefined travel as C1 controls.
    EXPECT_EQ(CCodePage::ToUtf8(std::string("\x81\x8D\x8F\x90\x9D", 5)),
              "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    EXPECT_EQ(CCodePage::ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(CCodePage, Utf8ToWindows1252) {
    std::string out = "unchanged";
    ASSERT_TRUE(CCodePage::FromUtf8("caf\xC3\xA9 \xE2\x82\xAC \xC2\x9D", &out));
    EXPECT_EQ(out, "caf\xE9 \x80 \x9D");
    out = "unchanged";
    // Cyrillic, CJK, an emoji and broken UTF-8 cannot be held.
    for (const char* bad : {"\xD0\x96", "x\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xC3", "\xFF"})
        EXPECT_FALSE(CCodePage::FromUtf8(bad, &out)) << bad;
    EXPECT_EQ(out, "unchanged");
    ASSERT_TRUE(CCodePage::FromUtf8("", &out));
    EXPECT_EQ(out, "");
}

TEST(CCodePage, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    std::string back;
    ASSERT_TRUE(CCodePage::FromUtf8(CCodePage::ToUtf8(all), &back));
    EXPECT_EQ(back, all);
}

TEST(CCodePage, AnsiToOemKeepsTheLength) {
    // e-acute 0x82, u-diaeresis 0x81, pound 0x9C, A-ring 0x8F, German sharp s 0xE1 in IBM437;
    // the euro sign and A-grave have no place there.
    EXPECT_EQ(CCodePage::AnsiToOem("R\xE9SUM\xFC \xA3\xC5\xDF.TXT"),
              "R\x82SUM\x81 \x9C\x8F\xE1.TXT");
    EXPECT_EQ(CCodePage::AnsiToOem("\x80\xC0X"), "__X");
    EXPECT_EQ(CCodePage::AnsiToOem("PLAIN-1.ZIP"), "PLAIN-1.ZIP");
}
