#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "publish/CExternalCommand.h"
#include "tests/support/CScratchDir.h"

using namespace std::chrono_literals;
using Words = std::vector<std::string>;

TEST(CompressedCommand, FormatLikePrintfWithoutArguments) {
    EXPECT_EQ(CExternalCommand::Format("pkzip -a 100%% LIST.ZIP"), "pkzip -a 100% LIST.ZIP");
    EXPECT_EQ(CExternalCommand::Format("%%%%"), "%%");
    EXPECT_EQ(CExternalCommand::Format("%%%"), "%%");
    // Conversions have nothing to take: they stay as written.
    EXPECT_EQ(CExternalCommand::Format("zip %s %d 5%"), "zip %s %d 5%");
    EXPECT_EQ(CExternalCommand::Format(""), "");
}

TEST(CompressedCommand, WordsSplitAtBlanksAndGroupedByQuotes) {
    EXPECT_EQ(CExternalCommand::SplitWords("zip -9 LIST.ZIP LIST.TXT"),
              (Words{"zip", "-9", "LIST.ZIP", "LIST.TXT"}));
    EXPECT_EQ(CExternalCommand::SplitWords("  zip\t-q   \"my list.zip\"  "),
              (Words{"zip", "-q", "my list.zip"}));
    EXPECT_EQ(CExternalCommand::SplitWords("a\"b c\"d \"\" e"), (Words{"ab cd", "", "e"}));
    EXPECT_EQ(CExternalCommand::SplitWords("x \"unclosed rest"), (Words{"x", "unclosed rest"}));
    EXPECT_EQ(CExternalCommand::SplitWords("C:\\ARC\\PKZIP.EXE"), (Words{"C:\\ARC\\PKZIP.EXE"}));
    EXPECT_TRUE(CExternalCommand::SplitWords(" \t ").empty());
    EXPECT_EQ(CExternalCommand("sh -c \"echo 50%%\"").Words(), (Words{"sh", "-c", "echo 50%"}));
}

TEST(CompressedCommand, RunsInTheGivenFolderAndWaits) {
    CScratchDir dir;
    CScratchDir::WriteFile(dir.File("make.sh"), "printf '%s' \"$1\" > OUT.ZIP\nexit 3\n");
    int status = -1;
    const CExternalCommand command("sh make.sh \"two words\"");
    EXPECT_EQ(command.Run(dir.Path(), 60s, &status), CExternalCommand::Result::Finished);
    EXPECT_EQ(status, 3);
    EXPECT_EQ(CScratchDir::ReadFile(dir.File("OUT.ZIP")), "two words");
}

TEST(CompressedCommand, DoubledPercentReachesTheProgramAsOne) {
    CScratchDir dir;
    const CExternalCommand command("sh -c \"printf 100%%%% > P.TXT\"");
    EXPECT_EQ(command.Run(dir.Path(), 60s), CExternalCommand::Result::Finished);
    // The shell's printf turns its own "%%" into "%".
    EXPECT_EQ(CScratchDir::ReadFile(dir.File("P.TXT")), "100%");
}

TEST(CompressedCommand, MissingProgramOrEmptyLineCannotStart) {
    CScratchDir dir;
    std::string error;
    EXPECT_EQ(
        CExternalCommand("no-such-archiver-qv -a X.ZIP").Run(dir.Path(), 60s, nullptr, &error),
        CExternalCommand::Result::CouldNotStart);
    EXPECT_NE(error.find("no-such-archiver-qv"), std::string::npos);
    EXPECT_EQ(CExternalCommand("  ").Run(dir.Path(), 60s), CExternalCommand::Result::CouldNotStart);
    // A working folder that does not exist: the program cannot start there.
    EXPECT_EQ(CExternalCommand("true").Run(dir.File("gone"), 60s),
              CExternalCommand::Result::CouldNotStart);
}

TEST(CompressedCommand, HangingCommandIsStoppedWithItsChildren) {
    CScratchDir dir;
    std::string error;
    const CExternalCommand command("sh -c \"sleep 30 & sleep 30\"");
    EXPECT_EQ(command.Run(dir.Path(), 200ms, nullptr, &error), CExternalCommand::Result::TimedOut);
    EXPECT_NE(error.find("did not finish"), std::string::npos);
}
