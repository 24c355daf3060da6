// Start-up: the command line, and the program's exit statuses run as a real process.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "app/CCommandLine.h"
#include "config/CConfigFile.h"
#include "tests/app/ProgramProcess.h"
#include "tests/support/CScratchDir.h"
#include "tests/support/CTestBoard.h"
#include "tools/board/CBoardAdmin.h"

namespace fs = std::filesystem;

TEST(CommandLine, LongOptionsComeOutBeforeTheSubstringTest) {
    using A = CCommandLine::Action;
    struct Case {
        std::vector<std::string> args;
        A action;
        std::string switches;  // "C", "I", "S" that hold
        std::string config, board, lists, preview;
    };
    const Case cases[] = {
        {{}, A::Run, "", "", "", "", ""},
        {{"/c"}, A::Run, "C", "", "", "", ""},
        {{"/C", "/S"}, A::Run, "C", "", "", "", ""},  // the dialog ignores the run options
        {{"/i/s"}, A::Run, "IS", "", "", "", ""},
        {{"please/Iplease", "unknown", "words"}, A::Run, "I", "", "", "", ""},
        {{"--config", "/srv/cfg/Q.cfg"}, A::Run, "", "/srv/cfg/Q.cfg", "", "", ""},
        {{"--board=/srv/is/board", "/s"}, A::Run, "S", "", "/srv/is/board", "", ""},
        {{"--list", "A/C", "/I", "--list", "B/S"}, A::Run, "I", "", "", "A/C,B/S,", ""},
        {{"--preview", "/tmp/ci/s", "/i"}, A::Run, "I", "", "", "", "/tmp/ci/s"},
        {{"-h"}, A::Help, "", "", "", "", ""},
        {{"/C", "--help"}, A::Help, "", "", "", "", ""},
        {{"--version"}, A::Version, "", "", "", "", ""},
        {{"--log=/var/log/x.log"}, A::UsageError, "", "", "", "", ""},
        {{"/S", "--colour", "red"}, A::UsageError, "", "", "", "", ""},
        {{"--config"}, A::UsageError, "", "", "", "", ""},
        {{"--board", "a", "--board", "b"}, A::UsageError, "", "", "", "", ""},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.args) line += a + " ";
        SCOPED_TRACE(line);
        const CCommandLine cl(c.args);
        ASSERT_EQ(cl.GetAction(), c.action) << cl.Text();
        if (c.action != A::Run) continue;
        std::string switches = std::string(cl.Configure() ? "C" : "") +
                               (cl.NoCounterImage() ? "I" : "") + (cl.Slow() ? "S" : "");
        EXPECT_EQ(switches, c.switches);
        EXPECT_EQ(cl.ConfigPath(), c.config);
        EXPECT_EQ(cl.BoardDir(), c.board);
        const RunOptions options = cl.GetRunOptions();
        std::string lists;
        for (const std::string& l : options.lists) lists += l + ",";
        EXPECT_EQ(lists, c.lists);
        EXPECT_EQ(options.previewDir, c.preview);
        EXPECT_EQ(options.slowMs, cl.Slow() ? 1 : 0);
    }
    EXPECT_TRUE(std::regex_match(CCommandLine({"--version"}).Text(),
                                 std::regex("quorvane 2\\.2\\.[0-9]+")));
}

namespace {

using qvtest::ProgramCopy;

// A file list named `name` over area 1, with an internal ZIP `zipName` when one is given.
COutRec FileList(const std::string& name, const std::string& zipName = "") {
    COutRec list = qvtest::List(LIST_FILE, name);
    if (!zipName.empty()) {
        ZipRec& zip = list.m_zipFiles.emplace_back();
        zip.m_strZipName = zipName;
        zip.m_nZipFlags = ZIP_INTERNAL;
    }
    return list;
}

void SaveLists(const std::string& path, std::vector<COutRec> lists) {
    CConfig config;
    config.m_lists = std::move(lists);
    fs::create_directories(fs::path(path).parent_path());
    std::string error;
    ASSERT_TRUE(CConfigFile::Save(path, config, &error)) << error;
}

// What `quorvane-board` prints for the board.
std::string BoardTool(const std::string& args) {
    return qvtest::Capture(qvtest::Board() + " " + args + " 2>&1");
}

}  // namespace

// The runs use the tests' board (tests/support/data/board.json): area 1, Utilities, holds FOO.ZIP.
TEST(Startup, ExitStatusAndMessagesOfARun) {
    CTestBoard board(CTestBoard::Data("board.json"));
    ProgramCopy program;
    const struct {
        std::string list, args, env;
        int status;
        const char* err;  // a piece of stderr
    } cases[] = {
        {"FILES.TXT", "", "", 0, "Area 1 - Utilities\n"},
        {"SHOWN.TXT", "/I /S", "QT_QPA_PLATFORM=offscreen", 0, ""},  // the progress dialog
        // A 64 GiB stack limit leaves no room to map a new thread's stack: neither the run, nor
        // the watch for stop signals, nor the list's background deflate get a thread.
        {"ONE.TXT", "", "prlimit --stack=68719476736 --", 0, "Finished!\n"},
        {"../BAD.TXT", "", "", 4, "../BAD.TXT"},  // a list that cannot be made
        {"FILES.TXT", "/c", "", 2, "display"},    // configuring needs a display
        {"FILES.TXT", "", "QUORVANE_BOARD=" + board.Dir() + "/none", 2, ""},  // no board
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list + " " + c.args + " " + c.env);
        SaveLists(program.ConfigPath(), {FileList(c.list, "FILES.ZIP")});
        const auto r = program.Run(c.args, c.env);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        if (c.status == 0) {
            const std::string list = board.ReadServerFile("wc:\\file\\area(1)\\" + c.list);
            EXPECT_NE(list.find("FOO.ZIP"), std::string::npos);
            CScratchDir::WriteFile(program.File("FILES.ZIP"),
                                   board.ReadServerFile("wc:\\file\\area(1)\\FILES.ZIP"));
            EXPECT_EQ(qvtest::Capture("unzip -p '" + program.File("FILES.ZIP") + "' " + c.list),
                      list);
        }
        if (c.status == 0 && c.env.empty()) {
            EXPECT_NE(r.err.find("Finished!\n"), std::string::npos);
        }
        if (c.status == 2 && c.args.empty()) {
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line";
        }
    }
}

TEST(Startup, AConfigurationItCannotReadEndsTheRunAndIsKept) {
    ProgramCopy program;
    SaveLists(program.ConfigPath(), {FileList("FILES.TXT")});
    const std::string good = CScratchDir::ReadFile(program.ConfigPath());
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
        CScratchDir::WriteFile(program.ConfigPath(), c.bytes);
        const auto r = program.Run("");
        EXPECT_EQ(r.status, c.status) << r.err;
        for (const std::string& piece : c.err)
            EXPECT_NE(r.err.find(piece), std::string::npos) << r.err;
        EXPECT_EQ(CScratchDir::ReadFile(program.ConfigPath()), c.bytes);
    }
    // A FIFO in its place neither stalls the start nor passes for an empty configuration.
    ASSERT_EQ(unlink(program.ConfigPath().c_str()), 0);
    ASSERT_EQ(mkfifo(program.ConfigPath().c_str(), 0600), 0);
    const auto r = program.Run("");
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("Quorvane.cfg is damaged: it is not a regular file"), std::string::npos)
        << r.err;
}

TEST(Startup, HelpAndVersionTouchNothingAndUsageErrorsEndWith64) {
    CTestBoard board(CTestBoard::Data("board.json"));
    ProgramCopy program;
    SaveLists(program.ConfigPath(), {FileList("FILES.TXT")});
    const std::string before = board.Export();
    struct Case {
        const char* args;
        int status;
        const char* out;  // regex over stdout
        const char* err;  // a piece of stderr
    };
    const Case cases[] = {
        {"--help", 0, "(.|\\n)*--preview DIR(.|\\n)*/C(.|\\n)*", ""},
        {"-h /C", 0, "(.|\\n)*--list NAME(.|\\n)*", ""},
        {"--version", 0, "quorvane 2\\.2\\.[0-9]+\\n", ""},
        {"--log=/var/log/x.log", 64, "", "--log=/var/log/x.log"},
        {"--list FILES.TXT --list NOPE.TXT", 64, "",
         "NOPE.TXT: the configuration has no such "
         "list; its lists are:\n  FILES.TXT\n"},
        {"--preview", 64, "", "--preview"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const auto r = program.Run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_TRUE(std::regex_match(r.out, std::regex(c.out))) << r.out;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    EXPECT_EQ(board.Export(), before);
    // Not even a damaged configuration is read.
    CScratchDir::WriteFile(program.ConfigPath(), "QV");
    EXPECT_EQ(program.Run("--version").status, 0);
}

TEST(Startup, ConfigurationAndBoardAreFoundOptionFirstThenEnvironmentThenBesideTheProgram) {
    ProgramCopy program;
    // The option's paths hold "/S", "/C" and "/I": they must not read as switches.
    const std::string besideBoard = program.File("bin/board"), envBoard = program.File("env"),
                      optBoard = program.File("srv/cfg/is/board");
    const std::string envCfg = program.File("env.cfg"), optCfg = program.File("srv/cfg/Q.cfg");
    for (const std::string& dir : {besideBoard, envBoard, optBoard}) {
        CBoardAdmin admin(dir);
        admin.Init("Test", "Sam Sysop");
        admin.Import(CTestBoard::Data("board.json"), "test");
    }
    SaveLists(program.ConfigPath(), {FileList("BESIDE.TXT")});
    SaveLists(envCfg, {FileList("ENV.TXT")});
    SaveLists(optCfg, {FileList("OPTION.TXT")});
    const std::string env = "QUORVANE_CONFIG=" + envCfg + " QUORVANE_BOARD=" + envBoard;
    struct Case {
        std::string args, env, list, board;
    };
    const Case cases[] = {
        {"", "-u QUORVANE_CONFIG -u QUORVANE_BOARD", "BESIDE.TXT", besideBoard},
        {"", env, "ENV.TXT", envBoard},
        {"--config " + optCfg + " --board=" + optBoard, env, "OPTION.TXT", optBoard},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        const auto r = program.Run(c.args, c.env);
        ASSERT_EQ(r.status, 0) << r.err;
        for (const std::string& dir : {besideBoard, envBoard, optBoard})
            EXPECT_EQ(BoardTool("ls " + dir).find(c.list) != std::string::npos, dir == c.board)
                << dir;
    }
}

TEST(Startup, PreviewWritesEveryKindOfListUnderTheDirectoryAndLeavesTheBoard) {
    CTestBoard board(CTestBoard::Data("board.json"));
    ProgramCopy program;
    CScratchDir htmlDir;
    COutRec bulletin = qvtest::List(LIST_BULLETIN, "NEWFILES");
    bulletin.m_strLanguage = "ALL";
    COutRec html = qvtest::List(LIST_HTML, "index.html");
    html.m_strHtmlDir = htmlDir.Path();
    SaveLists(program.ConfigPath(), {FileList("FILES.TXT", "FILES.ZIP"),
                                     qvtest::List(LIST_MESSAGE, "Weekly news"), bulletin, html});

    const std::string exported = BoardTool("export " + board.Dir());
    const std::string listed = BoardTool("ls " + board.Dir());
    const std::string preview = program.File("pre/view");
    auto r = program.Run("--preview " + preview);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* out : {"FILES.TXT/FILES.TXT", "FILES.TXT/FILES.ZIP", "Weekly news/MESSAGE.TXT",
                            "NEWFILES/NEWFILES", "index.html/index.html", "index.html/mflogo.gif"})
        EXPECT_NE(CScratchDir::ReadFile(preview + "/" + out).find_first_not_of('\0'),
                  std::string::npos)
            << out;
    EXPECT_NE(CScratchDir::ReadFile(preview + "/FILES.TXT/FILES.TXT").find("FOO.ZIP"),
              std::string::npos);
    EXPECT_EQ(BoardTool("export " + board.Dir()), exported);
    EXPECT_EQ(BoardTool("ls " + board.Dir()), listed);
    EXPECT_TRUE(fs::is_empty(htmlDir.Path()));

    // --list narrows a preview as it narrows a run.
    r = program.Run("--list NEWFILES --preview " + program.File("one"));
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> made;
    for (const auto& entry : fs::recursive_directory_iterator(program.File("one")))
        made.push_back(entry.path().string().substr(program.File("one/").size()));
    EXPECT_EQ(made, (std::vector<std::string>{"NEWFILES", "NEWFILES/NEWFILES"}));
    EXPECT_EQ(BoardTool("export " + board.Dir()), exported);
}
