#include <gtest/gtest.h>

#include "config/CConfig.h"
#include "publish/CCompressedFiles.h"
#include "tests/publish/ZipTestHelpers.h"
#include "tests/support/CRecordingObserver.h"
#include "tests/support/CScratchDir.h"

// Names: UTF-8 on disk and in the command, IBM437 in the internal archive (0x90 for \xC9).
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

// Also without a front end; a command is stopped with its children after the timeout.
TEST(CompressedFiles, FailuresAreReportedNotThrown) {
    CScratchDir dir;
    CScratchDir::WriteFile(dir.File("LIST.TXT"), "x");
    // An empty archive is no compressed list.
    for (const auto& [zip, list, named] :
         std::initializer_list<std::tuple<ZipRec, const char*, const char*>>{
             {Zip("LIST.ZIP", ""), "GONE.TXT", "GONE.TXT"},
             {Zip("NO/LIST.ZIP", ""), "LIST.TXT", "NO/LIST.ZIP"},
             {Zip("LIST.ZIP", "", "sh -c \"sleep 30 & sleep 30\""), "LIST.TXT",
              "sh did not finish"}}) {
        std::string error;
        EXPECT_FALSE(CCompressedFiles::Compress(zip, dir.Path(), list, nullptr, &error, nullptr,
                                                nullptr, std::chrono::milliseconds(100)));
        EXPECT_NE(error.find(named), std::string::npos) << error;
    }
    EXPECT_EQ(RunOptions().commandTimeout, std::chrono::minutes(10));
}

TEST(CompressedFiles, OnlyPlainNamesAreJoinedToTheTemporaryFolder) {
    for (const char* name : {"LIST.ZIP", "A+B_$~#!.ZIP"})
        EXPECT_TRUE(CConfig::IsPlainFileName(name)) << name;
    for (const char* name : {"", "..", "../../etc/passwd", "/etc/passwd", "TWO\nLINES.ZIP"})
        EXPECT_FALSE(CConfig::IsPlainFileName(name)) << name;
}
