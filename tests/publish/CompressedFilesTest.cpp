#include <gtest/gtest.h>

#include "config/CConfig.h"
#include "publish/CCompressedFiles.h"
#include "tests/publish/ZipTestHelpers.h"
#include "tests/support/CRecordingObserver.h"
#include "tests/support/CScratchDir.h"

TEST(CompressedFiles, InternalZipHoldsTheListFileWithTheComment) {
    CScratchDir dir;
    const std::string list = "Files on this board\n" + std::string(5000, 'x') + "\n";
    CScratchDir::WriteFile(dir.File("LIST.TXT"), list);
    std::string error;
    ASSERT_TRUE(CCompressedFiles::Compress(Zip("LIST.ZIP", "Board\r\nComment"), dir.Path() + "/",
                                           "LIST.TXT", nullptr, &error))
        << error;
    const std::string archive = CScratchDir::ReadFile(dir.File("LIST.ZIP"));
    EXPECT_EQ(Le16(archive, 6), 0x0002u);  // level 9
    EXPECT_EQ(archive.substr(30, 8), "LIST.TXT");
    EXPECT_EQ(archive.substr(archive.size() - 14), "Board\r\nComment");

    // No comment: no comment bytes.
    ASSERT_TRUE(
        CCompressedFiles::Compress(Zip("NOCOM.ZIP", ""), dir.Path(), "LIST.TXT", nullptr, &error));
    const std::string plain = CScratchDir::ReadFile(dir.File("NOCOM.ZIP"));
    EXPECT_EQ(Le16(plain, plain.size() - 2), 0u);
    ExpectUnzips(dir.File("LIST.ZIP"), {{"LIST.TXT", list}});
}

TEST(CompressedFiles, InternalZipFailuresAreReportedNotThrown) {
    CScratchDir dir;
    std::string error;
    // The list file is missing: an empty archive is no compressed list.
    EXPECT_FALSE(
        CCompressedFiles::Compress(Zip("LIST.ZIP", ""), dir.Path(), "LIST.TXT", nullptr, &error));
    EXPECT_NE(error.find("LIST.TXT"), std::string::npos);
    // The archive cannot be created.
    CScratchDir::WriteFile(dir.File("LIST.TXT"), "x");
    EXPECT_FALSE(CCompressedFiles::Compress(Zip("NO/LIST.ZIP", ""), dir.Path(), "LIST.TXT", nullptr,
                                            &error));
    EXPECT_NE(error.find("NO/LIST.ZIP"), std::string::npos);
}

TEST(CompressedFiles, ExternalCommandMakesTheArchiveInTheTemporaryFolder) {
    CScratchDir dir;
    CScratchDir::WriteFile(dir.File("LIST.TXT"), "list");
    CScratchDir::WriteFile(dir.File("arc.sh"), "cat \"$2\" > \"$1\"\n");
    CRecordingObserver observer;
    std::string error;
    EXPECT_TRUE(CCompressedFiles::Compress(Zip("LIST.ARC", "", "sh arc.sh LIST.ARC LIST.TXT"),
                                           dir.Path() + "/", "LIST.TXT", &observer, &error));
    EXPECT_EQ(CScratchDir::ReadFile(dir.File("LIST.ARC")), "list");
    EXPECT_TRUE(observer.messages.empty());

    // Windows-1252 names of the configuration are UTF-8 on disk and in the command's words;
    // the internal archive's entry keeps the list's own name, in IBM437 (0x90 for \xC9).
    CScratchDir::WriteFile(dir.File("L\xC3\x89.TXT"), "accented");
    EXPECT_TRUE(CCompressedFiles::Compress(Zip("\xC9.ARC", "", "sh arc.sh \xC9.ARC L\xC9.TXT"),
                                           dir.Path(), "L\xC3\x89.TXT", &observer, &error))
        << error;
    EXPECT_EQ(CScratchDir::ReadFile(dir.File("\xC3\x89.ARC")), "accented");
    EXPECT_TRUE(CCompressedFiles::Compress(Zip("\xC9.ZIP", ""), dir.Path(), "L\xC3\x89.TXT",
                                           &observer, &error))
        << error;
    EXPECT_EQ(CScratchDir::ReadFile(dir.File("\xC3\x89.ZIP")).substr(30, 6), "L\x90.TXT");
}

TEST(CompressedFiles, CommandThatCannotStartIsShownUnformatted) {
    CScratchDir dir;
    CRecordingObserver observer;
    std::string error;
    const std::string command = "no-such-packer-qv -a 50%% LIST.ZIP LIST.TXT";
    EXPECT_FALSE(CCompressedFiles::Compress(Zip("LIST.ZIP", "", command), dir.Path(), "LIST.TXT",
                                            &observer, &error));
    EXPECT_EQ(observer.messages, std::vector<std::string>{"Quorvane: Could not run:\n" + command});
    EXPECT_EQ(observer.icon, MessageIcon::Stop);
    EXPECT_NE(error.find(command), std::string::npos);
    // Without a front end the failure is still returned.
    EXPECT_FALSE(CCompressedFiles::Compress(Zip("LIST.ZIP", "", command), dir.Path(), "LIST.TXT",
                                            nullptr, &error));
}

// Stopped with its children after the timeout (ten minutes unless set).
TEST(CompressedFiles, HangingCommandIsStoppedAfterTheTimeout) {
    CScratchDir dir;
    EXPECT_EQ(RunOptions().commandTimeout, std::chrono::minutes(10));
    std::string error;
    EXPECT_FALSE(CCompressedFiles::Compress(Zip("LIST.ZIP", "", "sh -c \"sleep 30 & sleep 30\""),
                                            dir.Path(), "LIST.TXT", nullptr, &error, nullptr,
                                            nullptr, std::chrono::milliseconds(100)));
    EXPECT_NE(error.find("sh did not finish"), std::string::npos) << error;
}

TEST(CompressedFiles, OnlyPlainNamesAreJoinedToTheTemporaryFolder) {
    for (const char* name : {"LIST.ZIP", "A+B_$~#!.ZIP"})
        EXPECT_TRUE(CConfig::IsPlainFileName(name)) << name;
    for (const char* name : {"", "..", "../../etc/passwd", "/etc/passwd", "TWO\nLINES.ZIP"})
        EXPECT_FALSE(CConfig::IsPlainFileName(name)) << name;
}
