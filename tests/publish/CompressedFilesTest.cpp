#include <gtest/gtest.h>

#include "config/CConfig.h"
#include "publish/CCompressedFiles.h"
#include "tests/publish/ZipTestHelpers.h"
#include "tests/support/CRecordingObserver.h"
#include "tests/support/CScratchDir.h"

// The comment and the level-9 flags of an internal ZIP; the list's registration, the external
// command and the front end's message are checked in CompressedPublishTest.
TEST(CompressedFiles, InternalZipHoldsTheListFileWithTheComment) {
    CScratchDir dir;
    CScratchDir::WriteFile(dir.File("LIST.TXT"), "Files on this board\n" + std::string(5000, 'x'));
    std::string error;
    ASSERT_TRUE(CCompressedFiles::Compress(Zip("LIST.ZIP", "Board\r\nComment"), dir.Path(),
                                           "LIST.TXT", nullptr, &error))
        << error;
    const std::string archive = CScratchDir::ReadFile(dir.File("LIST.ZIP"));
    EXPECT_EQ(Le16(archive, 6), 0x0002u);  // level 9
    EXPECT_EQ(archive.substr(30, 8), "LIST.TXT");
    EXPECT_EQ(archive.substr(archive.size() - 16), std::string("\x0E\x00", 2) + "Board\r\nComment");
}

// Windows-1252 names of the configuration are UTF-8 on disk and in the command's words; the
// internal archive's entry keeps the list's own name, in IBM437 (0x90 for \xC9).
TEST(CompressedFiles, NamesAreUtf8OnDiskAndIbm437InTheArchive) {
    CScratchDir dir;
    CScratchDir::WriteFile(dir.File("arc.sh"), "cat \"$2\" > \"$1\"\n");
    CScratchDir::WriteFile(dir.File("L\xC3\x89.TXT"), "accented");
    std::string error;
    EXPECT_TRUE(CCompressedFiles::Compress(Zip("\xC9.ARC", "", "sh arc.sh \xC9.ARC L\xC9.TXT"),
                                           dir.Path(), "L\xC3\x89.TXT", nullptr, &error))
        << error;
    EXPECT_EQ(CScratchDir::ReadFile(dir.File("\xC3\x89.ARC")), "accented");
    EXPECT_TRUE(CCompressedFiles::Compress(Zip("\xC9.ZIP", ""), dir.Path(), "L\xC3\x89.TXT",
                                           nullptr, &error))
        << error;
    EXPECT_EQ(CScratchDir::ReadFile(dir.File("\xC3\x89.ZIP")).substr(30, 6), "L\x90.TXT");
}

// Without a front end too; a command is stopped with its children after the timeout (ten
// minutes unless set).
TEST(CompressedFiles, FailuresAreReportedNotThrown) {
    CScratchDir dir;
    CScratchDir::WriteFile(dir.File("LIST.TXT"), "x");
    const struct {
        ZipRec zip;
        const char* list;
        std::string named;
    } cases[] = {
        {Zip("LIST.ZIP", ""), "GONE.TXT", "GONE.TXT"},  // an empty archive is no compressed list
        {Zip("NO/LIST.ZIP", ""), "LIST.TXT", "NO/LIST.ZIP"},
        {Zip("LIST.ZIP", "", "no-such-packer-qv -a 50%% X"), "LIST.TXT", "packer-qv -a 50%% X"},
        {Zip("LIST.ZIP", "", "sh -c \"sleep 30 & sleep 30\""), "LIST.TXT", "sh did not finish"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(CCompressedFiles::Compress(c.zip, dir.Path(), c.list, nullptr, &error, nullptr,
                                                nullptr, std::chrono::milliseconds(100)));
        EXPECT_NE(error.find(c.named), std::string::npos) << error;
    }
    EXPECT_EQ(RunOptions().commandTimeout, std::chrono::minutes(10));
}

TEST(CompressedFiles, OnlyPlainNamesAreJoinedToTheTemporaryFolder) {
    for (const char* name : {"LIST.ZIP", "A+B_$~#!.ZIP"})
        EXPECT_TRUE(CConfig::IsPlainFileName(name)) << name;
    for (const char* name : {"", "..", "../../etc/passwd", "/etc/passwd", "TWO\nLINES.ZIP"})
        EXPECT_FALSE(CConfig::IsPlainFileName(name)) << name;
}
