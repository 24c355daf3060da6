// Start-up: the command line, and the program's exit statuses run as a real process.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "app/CCommandLine.h"
#include "config/CConfigFile.h"
#include "tests/app/ProgramProcess.h"
#include "tests/support/CTestBoard.h"
#include "tools/board/CBoardAdmin.h"

namespace fs = std::filesystem;
using namespace qvtest;

TEST(CommandLine, LongOptionsComeOutBeforeTheSubstringTest) {
    const struct {
        std::vector<std::string> args;
        // Switches that hold ("C", "I", "S") | config | board | lists | preview; "" = usage error.
        std::string run;
    } cases[] = {
        {{}, "||||"},
        {{"/c"}, "C||||"},
        {{"/C", "/S"}, "C||||"},  // the dialog ignores the run options
        {{"/i/s"}, "IS||||"},
        {{"please/Iplease", "unknown", "words"}, "I||||"},
        {{"--config", "/srv/cfg/Q.cfg"}, "|/srv/cfg/Q.cfg|||"},
        {{"--board=/srv/is/board", "/s"}, "S||/srv/is/board||"},
        {{"--list", "A/C", "/I", "--list", "B/S"}, "I|||A/C,B/S,|"},
        {{"--preview", "/tmp/ci/s", "/i"}, "I||||/tmp/ci/s"},
        // Usage errors (help and version: in the program runs below).
        {{"/S", "--colour", "red"}, ""},
        {{"--config"}, ""},
        {{"--board", "a", "--board", "b"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const CCommandLine cl(c.args);
        using A = CCommandLine::Action;
        ASSERT_EQ(cl.GetAction(), c.run.empty() ? A::UsageError : A::Run) << cl.Text();
        if (c.run.empty()) continue;
        const RunOptions options = cl.GetRunOptions();
        std::string run = std::string(cl.Configure() ? "C" : "") +
                          (cl.NoCounterImage() ? "I" : "") + (cl.Slow() ? "S" : "") + "|" +
                          cl.ConfigPath() + "|" + cl.BoardDir() + "|";
        for (const std::string& l : options.lists) run += l + ",";
        EXPECT_EQ(run + "|" + options.previewDir, c.run);
        EXPECT_EQ(options.slowMs, cl.Slow() ? 1 : 0);
    }
}

namespace {

// A file list named `name` over area 1, with an internal ZIP, FILES.ZIP.
COutRec FileList(const std::string& name) {
    return List(LIST_FILE, name, {1}, "FILES.ZIP");
}

// The runs use the tests' board (tests/support/data/board.json): area 1, Utilities, holds
// FOO.ZIP.
class Startup : public ::testing::Test {
protected:
    void SaveLists(std::vector<COutRec> lists, std::string path = "") {
        if (path.empty()) path = m_program.ConfigPath();
        CConfig config;
        config.m_lists = std::move(lists);
        fs::create_directories(fs::path(path).parent_path());
        std::string error;
        ASSERT_TRUE(CConfigFile::Save(path, config, &error)) << error;
    }
    // What `quorvane-board ls` prints for the board at `dir`.
    static std::string Listing(const std::string& dir) {
        return CommandOutput(Board() + " ls " + dir + " 2>&1");
    }

    CTestBoard m_board{CTestBoard::Data("board.json")};
    ProgramCopy m_program;
};

}  // namespace

// Help, version and usage errors (status 64) leave the board alone and read no configuration.
TEST_F(Startup, ExitStatusAndMessagesOfARun) {
    const struct {
        std::string list, args, env;
        int status;
        const char* err;            // a piece of stderr
        const char* out = nullptr;  // regex over stdout: help and version
    } cases[] = {
        {"FILES.TXT", "", "", 0, "Area 1 - Utilities\n"},
        {"SHOWN.TXT", "/I /S", "QT_QPA_PLATFORM=offscreen", 0, ""},  // the progress dialog
        // A 64 GiB stack limit leaves no room to map a new thread's stack: neither the run, nor
        // the watch for stop signals, nor the list's background deflate get a thread.
        {"ONE.TXT", "", "prlimit --stack=68719476736 --", 0, "Finished!\n"},
        {"../BAD.TXT", "", "", 4, "../BAD.TXT"},  // a list that cannot be made
        {"FILES.TXT", "/c", "", 2, "display"},    // configuring needs a display
        {"FILES.TXT", "", "QUORVANE_BOARD=" + m_board.Dir() + "/none", 2, ""},  // no board
        {"FILES.TXT", "--help", "", 0, "", "(.|\\n)*--preview DIR(.|\\n)*/C(.|\\n)*"},
        {"FILES.TXT", "-h /C", "", 0, "", "(.|\\n)*--list NAME(.|\\n)*"},
        {"FILES.TXT", "--version", "", 0, "", "quorvane 2\\.2\\.[0-9]+\\n"},
        {"FILES.TXT", "--log=/var/log/x.log", "", 64, "--log=/var/log/x.log"},
        {"FILES.TXT", "--list FILES.TXT --list NOPE.TXT", "", 64,
         "NOPE.TXT: the configuration has no such list; its lists are:\n  FILES.TXT\n"},
        {"FILES.TXT", "--preview", "", 64, "--preview"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list + " " + c.args + " " + c.env);
        SaveLists({FileList(c.list)});
        const std::string before = m_board.Export();
        const auto r = m_program.Run(c.args, c.env);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        if (c.out || c.status == 64) {
            EXPECT_TRUE(std::regex_match(r.out, std::regex(c.out ? c.out : ""))) << r.out;
            EXPECT_EQ(m_board.Export(), before);
        } else if (c.status == 0) {
            const std::string list = m_board.ReadServerFile("wc:\\file\\area(1)\\" + c.list);
            EXPECT_NE(list.find("FOO.ZIP"), std::string::npos);
            const std::string zip = m_board.Dir() + "/storage/file/area(1)/FILES.ZIP";
            EXPECT_EQ(CommandOutput("unzip -p '" + zip + "' " + c.list), list);
            if (c.env.empty()) {
                EXPECT_NE(r.err.find("Finished!\n"), std::string::npos);
            }
        }
        if (c.status == 2 && c.args.empty()) {
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line";
        }
    }
    CScratchDir::WriteFile(m_program.ConfigPath(), "QV");  // damaged
    EXPECT_EQ(m_program.Run("--version").status, 0);
}

TEST_F(Startup, AConfigurationItCannotReadEndsTheRunAndIsKept) {
    SaveLists({FileList("FILES.TXT")});
    const std::string good = CScratchDir::ReadFile(m_program.ConfigPath());
    const struct {
        std::string bytes;
        int status;
        std::vector<std::string> err;
    } cases[] = {
        // The list record's version, right after the count, becomes 3.0: message 104.
        {good.substr(0, 4) + std::string("\x00\x00\x40\x40", 4) + good.substr(8),
         1,
         {"written by a newer version\nof Quorvane", "QUORVANE.CFG"}},
        {good.substr(0, good.size() / 2), 3, {"Quorvane.cfg"}},
    };
    for (const auto& c : cases) {
        CScratchDir::WriteFile(m_program.ConfigPath(), c.bytes);
        const auto r = m_program.Run("");
        EXPECT_EQ(r.status, c.status) << r.err;
        for (const std::string& piece : c.err)
            EXPECT_NE(r.err.find(piece), std::string::npos) << r.err;
        EXPECT_EQ(CScratchDir::ReadFile(m_program.ConfigPath()), c.bytes);
    }
}

TEST_F(Startup, ConfigurationAndBoardAreFoundOptionFirstThenEnvironmentThenBesideTheProgram) {
    // The option's paths hold "/S", "/C" and "/I": they must not read as switches.
    const std::string beside = m_program.File("bin/board"), envBoard = m_program.File("env"),
                      optBoard = m_program.File("srv/cfg/is/board");
    const std::string envCfg = m_program.File("env.cfg"), optCfg = m_program.File("srv/cfg/Q.cfg");
    for (const std::string& dir : {beside, envBoard, optBoard}) {
        CBoardAdmin admin(dir);
        admin.Init("Test", "Sam Sysop");
        admin.Import(CTestBoard::Data("board.json"), "test");
    }
    SaveLists({FileList("BESIDE.TXT")});
    SaveLists({FileList("ENV.TXT")}, envCfg);
    SaveLists({FileList("OPTION.TXT")}, optCfg);
    const std::string env = "QUORVANE_CONFIG=" + envCfg + " QUORVANE_BOARD=" + envBoard;
    const struct {
        std::string args, env, list, board;
    } cases[] = {
        {"", "-u QUORVANE_CONFIG -u QUORVANE_BOARD", "BESIDE.TXT", beside},
        {"", env, "ENV.TXT", envBoard},
        {"--config " + optCfg + " --board=" + optBoard, env, "OPTION.TXT", optBoard},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list);
        const auto r = m_program.Run(c.args, c.env);
        ASSERT_EQ(r.status, 0) << r.err;
        for (const std::string& dir : {beside, envBoard, optBoard})
            EXPECT_EQ(Listing(dir).find(c.list) != std::string::npos, dir == c.board) << dir;
    }
}

TEST_F(Startup, PreviewWritesEveryKindOfListUnderTheDirectoryAndLeavesTheBoard) {
    CScratchDir htmlDir;
    COutRec bulletin = List(LIST_BULLETIN, "NEWFILES");
    bulletin.m_strLanguage = "ALL";
    COutRec html = List(LIST_HTML, "index.html");
    html.m_strHtmlDir = htmlDir.Path();
    SaveLists({FileList("FILES.TXT"), List(LIST_MESSAGE, "Weekly news"), bulletin, html});
    const std::string board = m_board.Export() + Listing(m_board.Dir());
    const std::string preview = m_program.File("pre/view");
    auto r = m_program.Run("--preview " + preview);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* out : {"FILES.TXT/FILES.TXT", "FILES.TXT/FILES.ZIP", "Weekly news/MESSAGE.TXT",
                            "NEWFILES/NEWFILES", "index.html/index.html", "index.html/mflogo.gif"})
        EXPECT_NE(CScratchDir::ReadFile(preview + "/" + out).find_first_not_of('\0'),
                  std::string::npos)
            << out;
    EXPECT_NE(CScratchDir::ReadFile(preview + "/FILES.TXT/FILES.TXT").find("FOO.ZIP"),
              std::string::npos);
    EXPECT_EQ(m_board.Export() + Listing(m_board.Dir()), board);
    EXPECT_TRUE(fs::is_empty(htmlDir.Path()));

    // --list narrows a preview as it narrows a run.
    r = m_program.Run("--list NEWFILES --preview " + m_program.File("one"));
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> made;
    for (const auto& entry : fs::recursive_directory_iterator(m_program.File("one")))
        made.push_back(entry.path().string().substr(m_program.File("one/").size()));
    EXPECT_EQ(made, (std::vector<std::string>{"NEWFILES", "NEWFILES/NEWFILES"}));
    EXPECT_EQ(m_board.Export() + Listing(m_board.Dir()), board);
}
