#include <gtest/gtest.h>

#include "publish/CExternalCommand.h"
#include "tests/support/CScratchDir.h"

using namespace std::chrono_literals;
using Words = std::vector<std::string>;

TEST(CompressedCommand, FormatLikePrintfThenSplitIntoWords) {
    // Conversions have nothing to take: they stay as written.
    const std::pair<const char*, const char*> formats[] = {
        {"pkzip -a 100%% LIST.ZIP", "pkzip -a 100% LIST.ZIP"},
        {"%%%%", "%%"},
        {"%%%", "%%"},
        {"zip %s %d 5%", "zip %s %d 5%"},
        {"", ""},
    };
    for (const auto& [line, expected] : formats)
        EXPECT_EQ(CExternalCommand::Format(line), expected) << line;

    const std::pair<const char*, Words> splits[] = {
        {"zip -9 LIST.ZIP LIST.TXT", {"zip", "-9", "LIST.ZIP", "LIST.TXT"}},
        {"  zip\t-q   \"my list.zip\"  ", {"zip", "-q", "my list.zip"}},
        {"a\"b c\"d \"\" e", {"ab cd", "", "e"}},
        {"x \"unclosed rest", {"x", "unclosed rest"}},
        {"C:\\ARC\\PKZIP.EXE", {"C:\\ARC\\PKZIP.EXE"}},
        {" \t ", {}},
    };
    for (const auto& [line, expected] : splits)
        EXPECT_EQ(CExternalCommand::SplitWords(line), expected) << line;
}

TEST(CompressedCommand, RunsInTheGivenFolderAndWaitsOrCannotStart) {
    CScratchDir dir;
    CScratchDir::WriteFile(dir.File("make.sh"), "printf '%s' \"$1\" > OUT.ZIP\nexit 3\n");
    int status = -1;
    const CExternalCommand command("sh make.sh \"two words\"");
    EXPECT_EQ(command.Run(dir.Path(), 60s, &status), CExternalCommand::Result::Finished);
    EXPECT_EQ(status, 3);
    EXPECT_EQ(CScratchDir::ReadFile(dir.File("OUT.ZIP")), "two words");

    // A doubled percent reaches the program as one; the shell's printf halves its own "%%".
    const CExternalCommand percent("sh -c \"printf 100%%%% > P.TXT\"");
    EXPECT_EQ(percent.Run(dir.Path(), 60s), CExternalCommand::Result::Finished);
    EXPECT_EQ(CScratchDir::ReadFile(dir.File("P.TXT")), "100%");

    // A missing program, an empty line or a missing folder cannot start.
    std::string error;
    EXPECT_EQ(
        CExternalCommand("no-such-archiver-qv -a X.ZIP").Run(dir.Path(), 60s, nullptr, &error),
        CExternalCommand::Result::CouldNotStart);
    EXPECT_NE(error.find("no-such-archiver-qv"), std::string::npos);
    EXPECT_EQ(CExternalCommand("  ").Run(dir.Path(), 60s), CExternalCommand::Result::CouldNotStart);
    EXPECT_EQ(CExternalCommand("true").Run(dir.File("gone"), 60s),
              CExternalCommand::Result::CouldNotStart);
}
