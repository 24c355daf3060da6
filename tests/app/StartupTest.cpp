// Start-up: the command line, and the program's exit statuses run as a real process.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/CCommandLine.h"
#include "config/CConfigFile.h"
#include "tests/support/CScratchDir.h"
#include "tests/support/CTestBoard.h"

namespace fs = std::filesystem;

TEST(CommandLine, SwitchesAreSubstringsOfTheUpperCasedText) {
    EXPECT_TRUE(CCommandLine("/c").Configure());
    EXPECT_FALSE(CCommandLine("").Configure());

    const CCommandLine configAndSlow("/C /S");
    EXPECT_TRUE(configAndSlow.Configure());
    EXPECT_FALSE(configAndSlow.Slow());  // the dialog ignores the run options

    const CCommandLine joined("/i/s");
    EXPECT_TRUE(joined.NoCounterImage());
    EXPECT_TRUE(joined.Slow());
    EXPECT_FALSE(joined.Configure());

    EXPECT_TRUE(CCommandLine("please/Iplease").NoCounterImage());
    EXPECT_FALSE(CCommandLine("unknown words").Slow());
}

namespace {

struct Result {
    int status;
    std::string err;
};

// The program with its libraries in a folder of its own, so that Quorvane.cfg beside it
// belongs to the test.
class Program {
public:
    Program() {
        const std::string bin = std::getenv("QV_BIN_DIR");
        fs::create_directories(m_dir.File("bin"));
        for (const char* f : {"quorvane", "libwcsrv.so", "libwcsrv2.so"})
            fs::copy_file(bin + "/" + f, m_dir.File("bin/") + f);
    }
    std::string ConfigPath() const { return m_dir.File("bin/Quorvane.cfg"); }

    Result Run(const std::string& args, const std::string& env = "") const {
        const std::string err = m_dir.File("stderr.txt");
        const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + env +
                                " " + m_dir.File("bin/quorvane") + " " + args + " 2>" + err +
                                " >/dev/null";
        const int raw = std::system(cmd.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, CScratchDir::ReadFile(err)};
    }

private:
    CScratchDir m_dir;
};

void SaveConfig(const std::string& path, const std::string& listName) {
    CConfig config;
    COutRec list;
    list.m_strListName = listName;
    list.m_areas = {1};
    config.m_lists.push_back(list);
    std::string error;
    ASSERT_TRUE(CConfigFile::Save(path, config, &error)) << error;
}

const char* kBoard = R"({"settings": {"name": "Test BBS", "sysop": "Sam Sysop"},
  "areas": [{"number": 1, "name": "Utilities"}], "users": [{"name": "Sam Sysop"}],
  "files": [{"area": 1, "name": "FOO.ZIP", "description": "A tool", "size": 10,
             "uploaded": "2026-11-30T08:00:00Z"}]})";

}  // namespace

TEST(Startup, WithoutABoardEndsWithStatus2AndOneLine) {
    Program program;
    CScratchDir nowhere;
    const Result r = program.Run("", "QUORVANE_BOARD=" + nowhere.File("none"));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

TEST(Startup, ANewerConfigurationIsRefusedWithMessage104AndKept) {
    Program program;
    SaveConfig(program.ConfigPath(), "FILES.TXT");
    // The list record's version, right after the count, becomes 3.0 (00 00 40 40).
    std::string bytes = CScratchDir::ReadFile(program.ConfigPath());
    bytes.replace(4, 4, std::string("\x00\x00\x40\x40", 4));
    CScratchDir::WriteFile(program.ConfigPath(), bytes);
    const Result r = program.Run("");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("written by a newer version\nof Quorvane"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("QUORVANE.CFG"), std::string::npos);
    EXPECT_EQ(CScratchDir::ReadFile(program.ConfigPath()), bytes);
}

TEST(Startup, ATruncatedOrNonRegularConfigurationEndsWithStatus3AndIsKept) {
    Program program;
    SaveConfig(program.ConfigPath(), "FILES.TXT");
    std::string bytes = CScratchDir::ReadFile(program.ConfigPath());
    bytes.resize(bytes.size() / 2);
    CScratchDir::WriteFile(program.ConfigPath(), bytes);
    Result r = program.Run("");
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("Quorvane.cfg"), std::string::npos) << r.err;
    EXPECT_EQ(CScratchDir::ReadFile(program.ConfigPath()), bytes);

    // A FIFO in its place neither stalls the start nor passes for an empty configuration.
    ASSERT_EQ(unlink(program.ConfigPath().c_str()), 0);
    ASSERT_EQ(mkfifo(program.ConfigPath().c_str(), 0600), 0);
    r = program.Run("");
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("Quorvane.cfg is damaged: it is not a regular file"), std::string::npos)
        << r.err;
}

TEST(Startup, ConsoleRunPublishesAndEndsWith0) {
    CTestBoard board(kBoard);
    Program program;
    SaveConfig(program.ConfigPath(), "FILES.TXT");
    const Result r = program.Run("");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Area 1 - Utilities\n"), std::string::npos);
    EXPECT_NE(r.err.find("Finished!\n"), std::string::npos);
    EXPECT_NE(board.ReadServerFile("wc:\\file\\area(1)\\FILES.TXT").find("FOO.ZIP"),
              std::string::npos);
}

TEST(Startup, AListThatCannotBeMadeIsNamedAndEndsWith4) {
    CTestBoard board(kBoard);
    Program program;
    SaveConfig(program.ConfigPath(), "../BAD.TXT");
    const Result r = program.Run("");
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("../BAD.TXT"), std::string::npos) << r.err;
}

TEST(Startup, DisplayRunShowsTheProgressDialogAndCloses) {
    CTestBoard board(kBoard);
    Program program;
    SaveConfig(program.ConfigPath(), "SHOWN.TXT");
    const Result r = program.Run("/I /S", "QT_QPA_PLATFORM=offscreen");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(board.ReadServerFile("wc:\\file\\area(1)\\SHOWN.TXT").find("FOO.ZIP"),
              std::string::npos);
}

TEST(Startup, ConfigureWithoutADisplaySaysSo) {
    CTestBoard board(kBoard);
    Program program;
    const Result r = program.Run("/c");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("display"), std::string::npos);
}
