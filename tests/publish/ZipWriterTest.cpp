#include <gtest/gtest.h>

#include <filesystem>

#include "publish/CZipEntryHeader.h"
#include "publish/CZipException.h"
#include "publish/CZipWriter.h"
#include "tests/publish/ZipTestHelpers.h"
#include "tests/support/CScratchDir.h"
#include "tests/support/TextBytes.h"

namespace {

// 2002-03-04 05:06:08 UTC (the tests run with TZ=UTC).
constexpr time_t k2002 = 1015218368;

class ZipWriterTest : public ::testing::Test {
protected:
    std::string Input(const std::string& name, const std::string& bytes) {
        CScratchDir::WriteFile(m_dir.File(name), bytes);
        return m_dir.File(name);
    }

    CScratchDir m_dir;
    CZipWriter m_writer;
    std::string m_archive;
};

}  // namespace

TEST_F(ZipWriterTest, EmptyFileGivesTheHundredAndTenByteArchive) {
    SetMTime(Input("A.TXT", ""), k2002);
    m_writer.Create(MemoryFile(&m_archive));
    EXPECT_TRUE(m_writer.AddFile(m_dir.File("A.TXT"), "A.TXT", 9, 65535));
    EXPECT_TRUE(m_writer.SetComment(""));
    m_writer.Close();
    // Time 05:06:08 = 5*2048 + 6*32 + 4 = 0x28C4; date 22*512 + 3*32 + 4 = 0x2C64.
    EXPECT_EQ(m_archive, ExpectedBytes("zip-empty-entry.zip"));
    EXPECT_FALSE(m_writer.IsOpen());
    ExpectUnzips(Input("A.ZIP", m_archive), {{"A.TXT", ""}});
}

// unzip checks the sizes, CRCs and offsets of both directories.
TEST_F(ZipWriterTest, EntriesOfWholeAndOddChunksAndTheCommentReadBack) {
    const std::string whole = PatternText(4 * 4096), odd = PatternText(300001);
    const std::string comment = "Our board\r\nall files", path = m_dir.File("LIST.ZIP");
    m_writer.Create(path);
    EXPECT_TRUE(m_writer.AddFile(Input("WHOLE.TXT", whole), "WHOLE.TXT", 9, 4096));
    EXPECT_TRUE(m_writer.AddFile(Input("ODD.TXT", odd), "ODD.TXT", 1, 65535));
    m_writer.SetComment(comment);
    m_writer.Close();
    const std::string archive = CScratchDir::ReadFile(path);
    const size_t end = archive.size() - 22 - comment.size();
    EXPECT_EQ(Le16(archive, end + 10), 2u);
    EXPECT_EQ(archive.substr(end + 20), std::string("\x14\x00", 2) + comment);
    ExpectUnzips(path, {{"WHOLE.TXT", whole}, {"ODD.TXT", odd}});
}

TEST_F(ZipWriterTest, UnreadableInputLeavesAnEmptyEntryAndAValidArchive) {
    std::filesystem::create_directory(m_dir.File("ADIR"));
    SetMTime(m_dir.File("ADIR"), k2002);
    const std::string path = m_dir.File("BAD.ZIP");
    m_writer.Create(path);  // status unreadable: time and date 0
    EXPECT_FALSE(m_writer.AddFile(m_dir.File("MISSING.TXT"), "MISSING.TXT", 9, 65535));
    m_writer.Close();
    std::string archive = CScratchDir::ReadFile(path);
    // Time and date, CRC-32, compressed and uncompressed sizes.
    EXPECT_EQ(archive.substr(10, 16), std::string(8, '\0') + std::string("\2\0\0\0\0\0\0\0", 8));
    EXPECT_EQ(Le32(archive, 37 + 6 + 38), 0x20u);  // external attributes (name of 11 bytes)

    // Status readable but the file cannot be read as one: dated, still empty.
    m_writer.Create(path);
    EXPECT_FALSE(m_writer.AddFile(m_dir.File("ADIR"), "ADIR", 9, 65535));
    EXPECT_FALSE(m_writer.AddFile(m_dir.File("ADIR"), "ADIR", 9, 65535));  // entry still open
    m_writer.Close();
    archive = CScratchDir::ReadFile(path);
    EXPECT_EQ(Le16(archive, 12), 0x2C64u);
    EXPECT_EQ(Le32(archive, 18), 2u);
    EXPECT_EQ(Le16(archive, archive.size() - 22 + 8), 1u);
    ExpectUnzips(path, {});
}

TEST(ZipEntryHeader, DosDateTimeFlagsByLevelAndNamesFromPaths) {
    struct tm t {};
    t.tm_year = 80, t.tm_mon = 5, t.tm_mday = 15, t.tm_hour = 23, t.tm_min = 59, t.tm_sec = 59;
    EXPECT_EQ(CZipEntryHeader::DosDate(t), 6 * 32 + 15);  // 1980: year part 0
    EXPECT_EQ(CZipEntryHeader::DosTime(t), 23 * 2048 + 59 * 32 + 29);
    t.tm_year = 79, t.tm_mon = 11, t.tm_mday = 31;
    EXPECT_EQ(CZipEntryHeader::DosDate(t), 12 * 32 + 31);
    t.tm_year = 102, t.tm_mon = 0, t.tm_mday = 1;
    EXPECT_EQ(CZipEntryHeader::DosDate(t), 22 * 512 + 32 + 1);

    const std::pair<int, int> flags[] = {{1, 6}, {2, 4}, {3, 0}, {7, 0}, {8, 2}, {9, 2}, {-1, 0}};
    for (const auto& [level, expected] : flags)
        EXPECT_EQ(CZipEntryHeader::FlagsForLevel(level), expected) << level;

    CZipEntryHeader header;
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
        header.m_strFileName = CZipEntryHeader::EntryName(path);
        header.ConvertName();
        EXPECT_EQ(header.m_strFileName, expected) << path;
    }
}

TEST_F(ZipWriterTest, RefusalsWriteNothing) {
    const std::string input = Input("A.TXT", "abc");
    EXPECT_FALSE(m_writer.AddFile(input, "A.TXT", 9, 65535));
    m_writer.Close();  // not open: nothing to do

    m_writer.Create(MemoryFile(&m_archive));
    EXPECT_FALSE(m_writer.AddFile(input, "A.TXT", 9, 0));
    // A path without an entry name is refused before anything is written.
    EXPECT_FALSE(m_writer.AddFile("C:\\", 9, 65535));
    EXPECT_TRUE(m_writer.Entries().empty());
    EXPECT_TRUE(m_archive.empty());
    // A second Create on an open writer changes nothing.
    std::string other;
    m_writer.Create(MemoryFile(&other));
    EXPECT_TRUE(m_writer.AddFile(input, "A.TXT", 9, 65535));
    m_writer.Close();
    EXPECT_TRUE(other.empty());
    EXPECT_EQ(Le16(m_archive, m_archive.size() - 22 + 10), 1u);
}

TEST_F(ZipWriterTest, CreateTruncatesAndMissingFolderThrows) {
    const std::string path = Input("OLD.ZIP", std::string(5000, 'z'));
    m_writer.Create(path);
    m_writer.Close();
    EXPECT_EQ(CScratchDir::ReadFile(path).size(), 22u);

    try {
        m_writer.Create(m_dir.File("NO/SUCH/DIR.ZIP"));
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.Errno(), ENOENT);
        EXPECT_EQ(e.Path(), m_dir.File("NO/SUCH/DIR.ZIP"));
    }
}

TEST_F(ZipWriterTest, FailedWriteIsAnErrorNotABrokenArchive) {
    const std::string input = Input("BIG.TXT", PatternText(400000));
    m_writer.Create(MemoryFile(&m_archive));
    ASSERT_TRUE(m_writer.AddFile(input, "BIG.TXT", 9, 65535));
    m_writer.Close();
    // In the local header, half-way through the data, in the end record.
    for (size_t limit : {size_t{20}, m_archive.size() / 2, m_archive.size() - 10}) {
        std::string archive;
        CZipWriter writer;
        writer.Create(MemoryFile(&archive, limit));
        EXPECT_THROW(
            {
                writer.AddFile(input, "BIG.TXT", 9, 65535);
                writer.Close();
            },
            CFileException)
            << "limit " << limit;
        // Closing again reports the failure once more rather than finishing the archive.
        EXPECT_THROW(writer.Close(), CFileException);
        EXPECT_EQ(archive.find(std::string("PK\x05\x06", 4)), std::string::npos);
    }
}

TEST_F(ZipWriterTest, OverlongEntryNameIsError16) {
    m_writer.Create(MemoryFile(&m_archive));
    try {
        m_writer.AddFile("A.TXT", std::string(70000, 'N'), 9, 65535);
        FAIL() << "no exception";
    } catch (const CZipException& e) {
        EXPECT_EQ(e.Code(), CZipException::NAME_TOO_LONG);
        EXPECT_EQ(e.ArchivePath(), "memory.zip");
    }
    EXPECT_THROW(m_writer.Close(), CZipException);
}

TEST_F(ZipWriterTest, AtMost65535EntriesAndCommentBytes) {
    const std::string input = Input("E", ""), comment = PatternText(70000);
    EXPECT_FALSE(m_writer.SetComment("too early"));
    m_writer.Create(MemoryFile(&m_archive));
    for (size_t i = 0; i < CZipWriter::kMaxEntries; ++i)
        ASSERT_TRUE(m_writer.AddFile(input, "E", 1, 16)) << i;
    EXPECT_FALSE(m_writer.AddFile(input, "E", 1, 16));
    EXPECT_TRUE(m_writer.SetComment(comment));
    m_writer.Close();
    const size_t end = m_archive.size() - 22 - 65535;
    EXPECT_EQ(Le16(m_archive, end + 8), 65535u);
    EXPECT_EQ(Le16(m_archive, end + 10), 65535u);
    EXPECT_EQ(Le32(m_archive, end + 12), 65535u * 47u);
    EXPECT_EQ(Le16(m_archive, end + 20), 65535u);
    EXPECT_EQ(m_archive.substr(end + 22), comment.substr(0, 65535));
}
