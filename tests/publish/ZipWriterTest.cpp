#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>

#include "publish/CZipEntryHeader.h"
#include "publish/CZipException.h"
#include "publish/CZipWriter.h"
#include "tests/publish/ZipTestHelpers.h"
#include "tests/support/CScratchDir.h"

namespace {

// 2002-03-04 05:06:08 UTC (the tests run with TZ=UTC).
constexpr time_t k2002 = 1015218368;

// Bytes written as hexadecimal pairs; blanks only group the fields.
std::string Hex(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p)
        if (*p != ' ')
            out.push_back(static_cast<char>(std::stoi(std::string(p++, 2), nullptr, 16)));
    return out;
}

}  // namespace

TEST(ZipWriter, EmptyFileGivesTheHundredAndTenByteArchive) {
    CScratchDir dir;
    const std::string input = dir.File("A.TXT");
    CScratchDir::WriteFile(input, "");
    SetMTime(input, k2002);

    std::string archive;
    CZipWriter writer;
    writer.Create(MemoryFile(&archive));
    EXPECT_TRUE(writer.AddFile(input, "A.TXT", 9, 65535));
    EXPECT_TRUE(writer.SetComment(""));
    writer.Close();

    // Time 05:06:08 = 5*2048 + 6*32 + 4 = 0x28C4; date 22*512 + 3*32 + 4 = 0x2C64.
    const std::string expected =
        Hex("504B0304 1400 0200 0800 C428 642C 00000000 02000000 00000000 0500 0000") + "A.TXT" +
        Hex("0300") +
        Hex("504B0102 1400 1400 0200 0800 C428 642C 00000000 02000000 00000000 0500 0000 0000 "
            "0000 0000 20000000 00000000") +
        "A.TXT" + Hex("504B0506 0000 0000 0100 0100 33000000 25000000 0000");
    ASSERT_EQ(expected.size(), 110u);
    EXPECT_EQ(archive, expected);
    EXPECT_FALSE(writer.IsOpen());

    if (!HaveUnzip()) GTEST_SKIP() << "unzip not installed";
    CScratchDir::WriteFile(dir.File("A.ZIP"), archive);
    EXPECT_TRUE(UnzipTestsOk(dir.File("A.ZIP")));
    EXPECT_EQ(UnzipEntry(dir.File("A.ZIP"), "A.TXT"), "");
}

TEST(ZipWriter, OneEntryLayoutAndContentReadBack) {
    CScratchDir dir;
    const std::string text = PatternText(300000);
    CScratchDir::WriteFile(dir.File("LIST.TXT"), text);
    const std::string comment = "Our board\r\nall files";

    const std::string path = dir.File("LIST.ZIP");
    CZipWriter writer;
    writer.Create(path);
    ASSERT_TRUE(writer.AddFile(dir.File("LIST.TXT"), "LIST.TXT", 9, 65535));
    writer.SetComment(comment);
    writer.Close();

    const std::string archive = CScratchDir::ReadFile(path);
    const size_t n = 8, k = comment.size();
    const size_t c = Le32(archive, 18);
    EXPECT_EQ(archive.size(), 30 + n + c + 46 + n + 22 + k);
    EXPECT_EQ(Le32(archive, 14), crc32(0, reinterpret_cast<const Bytef*>(text.data()),
                                       static_cast<uInt>(text.size())));
    EXPECT_EQ(Le32(archive, 22), text.size());
    const size_t end = archive.size() - 22 - k;
    EXPECT_EQ(Le32(archive, end), 0x06054B50u);
    EXPECT_EQ(Le32(archive, end + 12), 46 + n);      // central directory size
    EXPECT_EQ(Le32(archive, end + 16), 30 + n + c);  // central directory offset
    EXPECT_EQ(Le16(archive, end + 20), k);
    EXPECT_EQ(archive.substr(end + 22), comment);
    EXPECT_EQ(Le32(archive, 30 + n + c), 0x02014B50u);

    if (!HaveUnzip()) GTEST_SKIP() << "unzip not installed";
    EXPECT_TRUE(UnzipTestsOk(path));
    EXPECT_EQ(UnzipEntry(path, "LIST.TXT"), text);
}

TEST(ZipWriter, InputOfExactlyWholeChunksAndSeveralEntries) {
    CScratchDir dir;
    const std::string whole = PatternText(4 * 4096), odd = PatternText(4097);
    CScratchDir::WriteFile(dir.File("WHOLE.TXT"), whole);
    CScratchDir::WriteFile(dir.File("ODD.TXT"), odd);

    const std::string path = dir.File("TWO.ZIP");
    CZipWriter writer;
    writer.Create(path);
    EXPECT_TRUE(writer.AddFile(dir.File("WHOLE.TXT"), "WHOLE.TXT", 9, 4096));
    EXPECT_TRUE(writer.AddFile(dir.File("ODD.TXT"), "ODD.TXT", 1, 4096));
    ASSERT_EQ(writer.Entries().size(), 2u);
    EXPECT_EQ(writer.Entries()[0].m_nUncompressedSize, whole.size());
    EXPECT_EQ(writer.Entries()[1].m_nFlags, 0x0006);
    EXPECT_EQ(writer.Entries()[1].m_nLocalOffset, 30 + 9 + writer.Entries()[0].m_nCompressedSize);
    writer.Close();

    if (!HaveUnzip()) GTEST_SKIP() << "unzip not installed";
    EXPECT_TRUE(UnzipTestsOk(path));
    EXPECT_EQ(UnzipEntry(path, "WHOLE.TXT"), whole);
    EXPECT_EQ(UnzipEntry(path, "ODD.TXT"), odd);
}

TEST(ZipWriter, LongCommentIsCutTo65535Bytes) {
    std::string comment(70000, 'x');
    for (size_t i = 0; i < comment.size(); i += 1000) comment[i] = 'y';
    std::string archive;
    CZipWriter writer;
    EXPECT_FALSE(writer.SetComment("too early"));
    writer.Create(MemoryFile(&archive));
    EXPECT_TRUE(writer.SetComment(comment));
    writer.Close();
    // No entries: the end record alone, with 65,535 comment bytes.
    ASSERT_EQ(archive.size(), 22u + 65535u);
    EXPECT_EQ(Le16(archive, 8), 0u);
    EXPECT_EQ(Le16(archive, 20), 65535u);
    EXPECT_EQ(archive.substr(22), comment.substr(0, 65535));
}

TEST(ZipWriter, UnreadableInputLeavesAnEmptyEntryAndAValidArchive) {
    CScratchDir dir;
    std::filesystem::create_directory(dir.File("ADIR"));
    SetMTime(dir.File("ADIR"), k2002);
    const std::string path = dir.File("BAD.ZIP");
    CZipWriter writer;
    writer.Create(path);
    // Status unreadable: time and date 0.
    EXPECT_FALSE(writer.AddFile(dir.File("MISSING.TXT"), "MISSING.TXT", 9, 65535));
    writer.Close();
    std::string archive = CScratchDir::ReadFile(path);
    EXPECT_EQ(Le32(archive, 10), 0u);              // time and date
    EXPECT_EQ(Le32(archive, 14), 0u);              // CRC-32
    EXPECT_EQ(Le32(archive, 18), 2u);              // compressed
    EXPECT_EQ(Le32(archive, 22), 0u);              // uncompressed
    EXPECT_EQ(Le32(archive, 37 + 6 + 38), 0x20u);  // external attributes (name of 11 bytes)

    // Status readable but the file cannot be read as one: dated, still empty.
    writer.Create(path);
    EXPECT_FALSE(writer.AddFile(dir.File("ADIR"), "ADIR", 9, 65535));
    EXPECT_FALSE(writer.AddFile(dir.File("ADIR"), "ADIR", 9, 65535));  // entry still open
    writer.Close();
    archive = CScratchDir::ReadFile(path);
    EXPECT_EQ(Le16(archive, 12), 0x2C64u);
    EXPECT_EQ(Le32(archive, 18), 2u);
    EXPECT_EQ(Le16(archive, archive.size() - 22 + 8), 1u);

    if (!HaveUnzip()) GTEST_SKIP() << "unzip not installed";
    EXPECT_TRUE(UnzipTestsOk(path));
}

TEST(ZipWriter, DosDateTimeAndFlagsByLevel) {
    struct tm t {};
    t.tm_year = 80, t.tm_mon = 5, t.tm_mday = 15, t.tm_hour = 23, t.tm_min = 59, t.tm_sec = 59;
    EXPECT_EQ(CZipEntryHeader::DosDate(t), 6 * 32 + 15);  // 1980: year part 0
    EXPECT_EQ(CZipEntryHeader::DosTime(t), 23 * 2048 + 59 * 32 + 29);
    t.tm_year = 79, t.tm_mon = 11, t.tm_mday = 31;
    EXPECT_EQ(CZipEntryHeader::DosDate(t), 12 * 32 + 31);
    t.tm_year = 102, t.tm_mon = 0, t.tm_mday = 1;
    EXPECT_EQ(CZipEntryHeader::DosDate(t), 22 * 512 + 32 + 1);

    CZipEntryHeader header;
    header.SetTime(k2002);
    EXPECT_EQ(header.m_nModDate, 0x2C64);
    EXPECT_EQ(header.m_nModTime, 0x28C4);

    const std::pair<int, int> flags[] = {{1, 6}, {2, 4}, {3, 0}, {7, 0}, {8, 2}, {9, 2}, {-1, 0}};
    for (const auto& [level, expected] : flags)
        EXPECT_EQ(CZipEntryHeader::FlagsForLevel(level), expected) << level;
}

TEST(ZipWriter, EntryNamesFromPaths) {
    const std::pair<const char*, const char*> names[] = {
        {"LIST.TXT", "LIST.TXT"},
        {"C:\\TEMP\\LIST.TXT", "TEMP/LIST.TXT"},
        {"\\TEMP\\LIST.TXT", "TEMP/LIST.TXT"},
        {"/tmp/run/LIST.TXT", "tmp/run/LIST.TXT"},
        {"..\\..\\ETC\\.\\X.TXT", "ETC/X.TXT"},
        {"C:\\", ""},
        {"LIST\xC4.TXT", "LIST\x8E.TXT"},  // Windows-1252 to code page 437
    };
    for (const auto& [path, expected] : names) {
        CZipEntryHeader h;
        h.m_strFileName = CZipEntryHeader::EntryName(path);
        h.ConvertName();
        EXPECT_EQ(h.m_strFileName, expected) << path;
    }
}

TEST(ZipWriter, RefusalsWriteNothing) {
    CScratchDir dir;
    CScratchDir::WriteFile(dir.File("A.TXT"), "abc");
    CZipWriter closed;
    EXPECT_FALSE(closed.AddFile(dir.File("A.TXT"), "A.TXT", 9, 65535));
    closed.Close();  // nothing to do

    std::string archive;
    CZipWriter writer;
    writer.Create(MemoryFile(&archive));
    EXPECT_FALSE(writer.AddFile(dir.File("A.TXT"), "A.TXT", 9, 0));
    // A path without an entry name is refused before anything is written.
    EXPECT_FALSE(writer.AddFile("C:\\", 9, 65535));
    EXPECT_TRUE(writer.Entries().empty());
    EXPECT_TRUE(archive.empty());
    // A second Create on an open writer changes nothing.
    std::string other;
    writer.Create(MemoryFile(&other));
    EXPECT_TRUE(writer.AddFile(dir.File("A.TXT"), "A.TXT", 9, 65535));
    writer.Close();
    EXPECT_TRUE(other.empty());
    EXPECT_EQ(Le16(archive, archive.size() - 22 + 10), 1u);
}

TEST(ZipWriter, CreateTruncatesAndMissingFolderThrows) {
    CScratchDir dir;
    const std::string path = dir.File("OLD.ZIP");
    CScratchDir::WriteFile(path, std::string(5000, 'z'));
    CZipWriter writer;
    writer.Create(path);
    writer.Close();
    EXPECT_EQ(CScratchDir::ReadFile(path).size(), 22u);

    try {
        writer.Create(dir.File("NO/SUCH/DIR.ZIP"));
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.Errno(), ENOENT);
        EXPECT_EQ(e.Path(), dir.File("NO/SUCH/DIR.ZIP"));
    }
}

TEST(ZipWriter, FailedWriteIsAnErrorNotABrokenArchive) {
    CScratchDir dir;
    CScratchDir::WriteFile(dir.File("BIG.TXT"), PatternText(400000));
    std::string good;
    {
        CZipWriter writer;
        writer.Create(MemoryFile(&good));
        ASSERT_TRUE(writer.AddFile(dir.File("BIG.TXT"), "BIG.TXT", 9, 65535));
        writer.Close();
    }
    // In the local header, half-way through the data, in the end record.
    for (size_t limit : {size_t{20}, good.size() / 2, good.size() - 10}) {
        std::string archive;
        CZipWriter writer;
        writer.Create(MemoryFile(&archive, limit));
        bool threw = false;
        try {
            writer.AddFile(dir.File("BIG.TXT"), "BIG.TXT", 9, 65535);
            writer.Close();
        } catch (const CFileException& e) {
            threw = true;
            EXPECT_EQ(e.Errno(), ENOSPC);
        }
        EXPECT_TRUE(threw) << "limit " << limit;
        // Closing again reports the failure once more rather than finishing the archive.
        EXPECT_THROW(writer.Close(), CFileException);
        EXPECT_EQ(archive.find(std::string("PK\x05\x06", 4)), std::string::npos);
    }
}

TEST(ZipWriter, OverlongEntryNameIsError16) {
    std::string archive;
    CZipWriter writer;
    writer.Create(MemoryFile(&archive));
    try {
        writer.AddFile("A.TXT", std::string(70000, 'N'), 9, 65535);
        FAIL() << "no exception";
    } catch (const CZipException& e) {
        EXPECT_EQ(e.Code(), CZipException::NAME_TOO_LONG);
        EXPECT_EQ(e.ArchivePath(), "memory.zip");
    }
    EXPECT_THROW(writer.Close(), CZipException);
}

TEST(ZipWriter, AtMost65535Entries) {
    CScratchDir dir;
    CScratchDir::WriteFile(dir.File("E"), "");
    std::string archive;
    CZipWriter writer;
    writer.Create(MemoryFile(&archive));
    for (size_t i = 0; i < CZipWriter::kMaxEntries; ++i)
        ASSERT_TRUE(writer.AddFile(dir.File("E"), "E", 1, 16)) << i;
    EXPECT_FALSE(writer.AddFile(dir.File("E"), "E", 1, 16));
    writer.Close();
    const size_t end = archive.size() - 22;
    EXPECT_EQ(Le16(archive, end + 8), 65535u);
    EXPECT_EQ(Le16(archive, end + 10), 65535u);
    EXPECT_EQ(Le32(archive, end + 12), 65535u * 47u);
}
