#include <gtest/gtest.h>

#include <string>

#include "config/CArchiveReader.h"
#include "config/CArchiveWriter.h"
#include "io/CMemorySink.h"

using namespace std::string_literals;

TEST(CArchive, StringPrefixesAtEveryBoundary) {
    const std::pair<size_t, std::string> cases[] = {
        {0, "\x00"s},
        {254, "\xFE"},
        {255, "\xFF\xFF\x00"s},
        {256, "\xFF\x00\x01"s},
        {65533, "\xFF\xFD\xFF"},
        {65534, "\xFF\xFF\xFF\xFE\xFF\x00\x00"s},
        {65535, "\xFF\xFF\xFF\xFF\xFF\x00\x00"s},
        {65536, "\xFF\xFF\xFF\x00\x00\x01\x00"s},
    };
    for (const auto& [length, prefix] : cases) {
        const std::string text(length, 'x');
        std::string bytes;
        CMemorySink sink(&bytes);
        CArchiveWriter writer(sink);
        writer.WriteString(text);
        writer.WriteInt(7);
        ASSERT_TRUE(writer.Flush());
        EXPECT_EQ(bytes, prefix + text + "\x07\x00\x00\x00"s) << length;

        CArchiveReader reader(bytes);
        std::string back;
        int32_t after;
        ASSERT_TRUE(reader.ReadString(&back)) << length;
        EXPECT_EQ(back, text);
        ASSERT_TRUE(reader.ReadInt(&after));
        EXPECT_EQ(after, 7);
    }
}

TEST(CArchive, WideStringsAreConvertedAndWhatFollowsIsIntact) {
    // Marker FF FE FF, then 3 UTF-16LE characters: 'A', e-acute, the euro sign.
    const std::string bytes = "\xFF\xFE\xFF\x03\x41\x00\xE9\x00\xAC\x20\x05\x00\x00\x00"s;
    CArchiveReader ar(bytes);
    std::string text;
    int32_t after;
    ASSERT_TRUE(ar.ReadString(&text)) << ar.Error();
    EXPECT_EQ(text, "A\xE9\x80");
    ASSERT_TRUE(ar.ReadInt(&after));
    EXPECT_EQ(after, 5);

    // A wide text with a 3-byte second prefix (256 characters).
    std::string longWide = "\xFF\xFE\xFF\xFF\x00\x01"s;
    for (int i = 0; i < 256; ++i) longWide += "z\0"s;
    CArchiveReader ar2(longWide);
    ASSERT_TRUE(ar2.ReadString(&text)) << ar2.Error();
    EXPECT_EQ(text, std::string(256, 'z'));

    // Cyrillic has no place in Windows-1252, and half a surrogate pair is no character: the
    // read fails rather than guessing.
    for (const std::string& bad : {"\xFF\xFE\xFF\x01\x16\x04"s, "\xFF\xFE\xFF\x01\x00\xD8"s}) {
        CArchiveReader ar3(bad);
        EXPECT_FALSE(ar3.ReadString(&text));
        EXPECT_NE(ar3.Error().find("Windows-1252"), std::string::npos);
    }
}

// The error names the byte where the read stopped.
TEST(CArchive, HostileLengthsFailBeforeAllocating) {
    const std::pair<std::string, int> cases[] = {
        {"\x05xyz", 1},                                    // 5 announced, 3 there
        {"\xFF\x00\x10xyz"s, 3},                           // 4096 announced
        {"\xFF\xFF\xFF\xFE\xFF\xFF\x7Fxyz", 7},            // about 2 GB announced
        {std::string(15, '\xFF'), 15},                     // 8-byte length
        {"\xFF\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 10},  // wide, 2 G characters
        {"\xFF\xFF", 1},                                   // prefix cut short
    };
    for (const auto& [bytes, at] : cases) {
        CArchiveReader ar(bytes);
        std::string text = "kept";
        EXPECT_FALSE(ar.ReadString(&text));
        EXPECT_EQ(text, "kept");
        EXPECT_NE(ar.Error().find("(at byte " + std::to_string(at) + ")"), std::string::npos)
            << ar.Error();
        int32_t i;
        EXPECT_FALSE(ar.ReadInt(&i)) << "a failure sticks";
    }
}
