// The built program as a process: the command line and exit statuses at start-up; on a real
// board, SIGKILL at random points leaves the board and configuration whole and the next run
// working, SIGINT, SIGTERM and SIGHUP cancel a run, and two runs beside imports all agree.
#include <gtest/gtest.h>
#include <signal.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "app/CCommandLine.h"
#include "config/CConfig.h"
#include "config/CConfigFile.h"
#include "config/COutRec.h"
#include "tests/support/CScratchDir.h"
#include "tests/support/CTestBoard.h"
#include "tests/support/Commands.h"
#include "tools/board/CBoardAdmin.h"

namespace fs = std::filesystem;

namespace {

inline std::string BinDir() {
    return std::getenv("QV_BIN_DIR");  // set by the tests' main
}

inline std::string Board() {
    return BinDir() + "/quorvane-board";
}

// Starts `command` by the shell without a display, the stop signals at their defaults.
inline pid_t Spawn(const std::string& command, const std::string& err = "/dev/null",
                   const std::string& out = "/dev/null") {
    const std::string line = "exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                             command + " 2>" + err + " >" + out;
    const pid_t pid = fork();
    if (pid == 0) {
        for (int sig : {SIGINT, SIGTERM, SIGHUP}) signal(sig, SIG_DFL);
        execl("/bin/sh", "sh", "-c", line.c_str(), nullptr);
        _exit(127);
    }
    return pid;
}

// Polls `ready` until it holds; false after `seconds`.
template <typename Ready>
bool WaitUntil(Ready ready, int seconds = 60) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > end) return false;
        ::usleep(2000);
    }
    return true;
}

// Exit code or 128 + signal; -1 if none, or still running after `seconds` (then killed).
inline int Wait(pid_t pid, int seconds = 600) {
    int status = 0;
    if (pid <= 0) return -1;
    if (!WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, seconds)) {
        ::kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The program with its libraries in a folder of its own, Quorvane.cfg beside it.
class ProgramCopy : public CScratchDir {
public:
    ProgramCopy() {
        std::filesystem::create_directories(File("bin"));
        for (const char* f : {"quorvane", "libwcsrv.so", "libwcsrv2.so"})
            std::filesystem::copy_file(BinDir() + "/" + f, File("bin/") + f);
    }
    std::string Program() const { return File("bin/quorvane"); }
    std::string ConfigPath() const { return File("bin/Quorvane.cfg"); }

    struct Result {
        int status;
        std::string err, out;
    };
    // Runs the copy to its end after `env`: VAR=value, -u VAR or a wrapper ending in "--".
    Result Run(const std::string& args, const std::string& env = "") const {
        const int status =
            Wait(Spawn(env + " " + Program() + " " + args, File("stderr.txt"), File("stdout.txt")));
        return {status, ReadFile(File("stderr.txt")), ReadFile(File("stdout.txt"))};
    }
};

// A list definition of `type` named `name` over `areas`, with the internal ZIP `zip` if any.
inline COutRec List(int type, const std::string& name, std::vector<int32_t> areas = {1},
                    const std::string& zip = "") {
    COutRec list;
    list.m_nListType = type;
    list.m_strListName = name;
    list.m_areas = std::move(areas);
    if (!zip.empty()) {
        list.m_zipFiles.emplace_back().m_strZipName = zip;
        list.m_zipFiles.back().m_nZipFlags = ZIP_INTERNAL;
    }
    return list;
}

// A file list with an internal ZIP, a bulletin, a popular message and an indexed HTML list,
// all over areas 1 to 3 and published in area 4 (the demo boards' areas).
inline CConfig FourLists(const std::string& htmlDir, const std::string& headerText) {
    CConfig config;
    config.m_strHeaderLines = headerText;
    COutRec file = List(LIST_FILE, "ALLFILES.TXT", {1, 2, 3}, "ALLFILES.ZIP");
    file.m_nFileArea = 4;  // not covered: the list does not list itself
    COutRec bulletin = List(LIST_BULLETIN, "NEWFILES", {1, 2, 3});
    bulletin.m_strLanguage = "ALL";
    COutRec message = List(LIST_MESSAGE, "Top", {1, 2, 3});
    message.m_nSelection = SEL_POPULAR;
    message.m_nConference = 0;
    message.m_strSubject = "Top ten";
    COutRec html = List(LIST_HTML, "index.html", {1, 2, 3});
    html.m_bIndexed = true;
    html.m_strHtmlDir = htmlDir;
    config.m_lists = {file, bulletin, message, html};
    return config;
}

// Saves `config` at `path`, making its folder.
void Save(const std::string& path, const CConfig& config) {
    fs::create_directories(fs::path(path).parent_path());
    std::string error;
    ASSERT_TRUE(CConfigFile::Save(path, config, &error)) << error;
}

COutRec FileList(const std::string& name) {
    return List(LIST_FILE, name, {1}, "FILES.ZIP");
}

// Runs on tests/support/data/board.json, whose area 1 (Utilities) holds FOO.ZIP.
class Startup : public ::testing::Test {
protected:
    void SaveLists(std::vector<COutRec> lists, const std::string& path = "") {
        CConfig config;
        config.m_lists = std::move(lists);
        Save(path.empty() ? m_program.ConfigPath() : path, config);
    }
    static std::string Listing(const std::string& dir) {
        return CommandOutput(Board() + " ls " + dir + " 2>&1");
    }

    CTestBoard m_board{CTestBoard::Data("board.json")};
    ProgramCopy m_program;
};

constexpr int kKills = 200;

// Each published file by name ("list", "bulletin" and "message" for those on the board).
using Version = std::map<std::string, std::string>;

class ProgramRun : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_html);
        fs::create_directories(m_tmp);
        MakeBoard(60);
        for (int i : {0, 1}) {
            const std::string header =
                i == 0 ? "Configuration A\r\n" : "Configuration B\r\nTwo lines\r\n";
            Save(m_program.ConfigPath(), FourLists(m_html, header));
            m_cfg[i] = CScratchDir::ReadFile(m_program.ConfigPath());
        }
    }

    void MakeBoard(int files) {
        ASSERT_EQ(Wait(Spawn(Board() + " demo " + m_board + " --files " + std::to_string(files) +
                             " --areas 4 --seed 3")),
                  0);
    }

    void UseConfig(int which) {
        CScratchDir::WriteFile(m_program.ConfigPath() + ".new", m_cfg[which]);
        fs::rename(m_program.ConfigPath() + ".new", m_program.ConfigPath());
    }

    pid_t Start(const std::string& envAndArgs = "", const std::string& err = "/dev/null") {
        return Spawn("QUORVANE_BOARD=" + m_board + " TMPDIR=" + m_tmp + " " + envAndArgs, err);
    }

    // A server file as the board holds it ("" when there is none).
    std::string ServerFile(const std::string& relative) const {
        const std::string path = m_board + "/storage/" + relative;
        return fs::exists(path) ? CScratchDir::ReadFile(path) : "";
    }

    Version Current() const {
        Version v{{"list", ServerFile("file/area(4)/ALLFILES.TXT")},
                  {"bulletin", ServerFile("bull/NEWFILES")},
                  {"message",
                   CTestBoard::Sql(m_board, "SELECT body FROM messages ORDER BY id DESC LIMIT 1")}};
        for (const auto& entry : fs::directory_iterator(m_html)) {
            const std::string name = entry.path().filename();
            if (!name.starts_with(".qvn-"))  // not the staging copies of a killed run
                v[name] = CScratchDir::ReadFile(entry.path());
        }
        return v;
    }

    // Each published file is as after a complete run with configuration A or B, or not there.
    void ExpectWhole(const Version& now) {
        for (const auto& [name, got] : now)
            EXPECT_TRUE(got.empty() || got == m_ref[0][name] || got == m_ref[1][name]) << name;
        const std::string zip = m_board + "/storage/file/area(4)/ALLFILES.ZIP";
        if (fs::exists(zip)) {
            EXPECT_EQ(std::system(("unzip -tqq '" + zip + "' >/dev/null 2>&1").c_str()), 0);
        }
    }

    ProgramCopy m_program;
    std::string m_board = m_program.File("board");
    std::string m_html = m_program.File("html");
    std::string m_tmp = m_program.File("tmp");
    std::string m_cfg[2];
    Version m_ref[2];
};

}  // namespace

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

TEST_F(ProgramRun, KilledAtRandomPointsLeavesTheBoardWholeAndTheNextRunWorks) {
    // Complete runs give the versions a file may have, and the shortest run spreads the kills.
    using std::chrono::microseconds;
    microseconds fastest = std::chrono::hours(1);
    for (int which : {0, 1, 0, 1}) {
        UseConfig(which);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(Wait(Start(m_program.Program())), 0);
        fastest = std::min(fastest, std::chrono::duration_cast<microseconds>(
                                        std::chrono::steady_clock::now() - start));
        m_ref[which] = Current();
    }
    ASSERT_NE(m_ref[0]["list"], m_ref[1]["list"]);
    ASSERT_NE(m_ref[0]["message"], "");
    const long maxDelay = std::max<long>(10000, fastest.count() * 9 / 10);

    const char* seedText = std::getenv("QV_CRASH_SEED");
    const unsigned seed = seedText ? static_cast<unsigned>(std::atol(seedText)) : 20261201u;
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> delay(0, maxDelay);
    int kills = 0;
    for (int attempt = 0; kills < kKills && attempt < 3 * kKills && !HasFailure(); ++attempt) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", attempt " + std::to_string(attempt));
        UseConfig(attempt % 2);
        const pid_t pid = Start(m_program.Program());
        ASSERT_GT(pid, 0);
        ::usleep(static_cast<useconds_t>(delay(random)));
        ::kill(pid, SIGKILL);
        const int status = Wait(pid);
        EXPECT_TRUE(status == 0 || status == 128 + SIGKILL) << status;
        kills += status == 128 + SIGKILL;
        ASSERT_EQ(CTestBoard::Sql(m_board, "PRAGMA integrity_check"), "ok");
        ExpectWhole(Current());
        EXPECT_EQ(CScratchDir::ReadFile(m_program.ConfigPath()), m_cfg[attempt % 2]);
    }
    EXPECT_GE(kills, kKills);
    std::printf("%d kills, delays 0-%ld us, seed %u\n", kills, maxDelay, seed);

    UseConfig(0);
    ASSERT_EQ(Wait(Start(m_program.Program())), 0);
    EXPECT_TRUE(Current() == m_ref[0]);
}

TEST_F(ProgramRun, StopSignalsEndTheRunWithStatus5AndPublishNothingAfterwards) {
    // Long enough a walk with /S (1 ms per record) for a signal to land in it.
    m_board = m_program.File("bigboard");
    MakeBoard(4000);
    const std::string started = m_program.File("started"), errPath = m_program.File("err.txt");
    // The signal comes during the walk, while a command that ignores SIGTERM runs, or from
    // the command of the second list itself, once the first list is published.
    enum Phase { kWalk, kCommand, kBetweenLists };
    // The run's own temporary directories (Qt keeps a runtime directory beside them).
    auto runDirs = [&] {
        return std::count_if(fs::directory_iterator(m_tmp), {}, [](const fs::path& p) {
            return p.filename().string().starts_with("quorvane.");
        });
    };
    const int signals[] = {SIGINT, SIGTERM, SIGHUP};
    for (int run = 0; run < 10; ++run) {
        // Every phase with every signal, then SIGTERM to a run that shows its progress dialog.
        const Phase phase = run == 9 ? kWalk : Phase(run / 3);
        const int sig = run == 9 ? SIGTERM : signals[run % 3];
        const bool display = run == 9;
        SCOPED_TRACE("phase " + std::to_string(phase) + ", SIG" + sigabbrev_np(sig) +
                     (display ? ", display" : ""));
        CConfig config = FourLists(m_html, "Run " + std::to_string(run) + "\r\n");
        std::swap(config.m_lists[0], config.m_lists[1]);  // the bulletin is published first
        // A list's first command starts as soon as the lists are written; a later one runs in
        // its turn, after the bulletin is published.
        std::vector<ZipRec>& zips = config.m_lists[1].m_zipFiles;
        ZipRec& zip = zips.emplace_back(ZipRec(zips.front()));
        zip.m_strZipName = "ALLFILES.ARC";
        zip.m_nZipFlags = 0;
        zip.m_strCommand =
            phase == kCommand
                ? "sh -c \"trap '' TERM; touch " + started + "; exec sleep 60\""
                : std::string("sh -c \"kill -") + sigabbrev_np(sig) + " $PPID; exec sleep 60\"";
        Save(m_program.ConfigPath(), config);
        fs::remove(started);
        const Version before = Current();

        const pid_t pid = Start(std::string(display ? "QT_QPA_PLATFORM=offscreen " : "") +
                                    m_program.Program() + (phase == kWalk ? " /S" : ""),
                                errPath);
        ASSERT_GT(pid, 0);
        if (phase != kBetweenLists) {
            // The run's temporary directory appears once the signals are caught.
            ASSERT_TRUE(
                WaitUntil([&] { return phase == kWalk ? runDirs() > 0 : fs::exists(started); }));
            ::kill(pid, sig);
        }
        const int status = Wait(pid, 60);
        const std::string err = CScratchDir::ReadFile(errPath);
        ASSERT_EQ(status, 5) << err;
        if (!display) {
            EXPECT_NE(err.find("Cancelled: "), std::string::npos) << err;
            EXPECT_EQ(err.find("Finished!"), std::string::npos) << err;
        }
        EXPECT_EQ(runDirs(), 0);
        Version now = Current();
        if (phase != kWalk) {
            EXPECT_NE(now["bulletin"], before.at("bulletin"));
            now["bulletin"] = before.at("bulletin");
        }
        EXPECT_TRUE(now == before);
    }
}

TEST_F(ProgramRun, TwoRunsAndAnImportOnOneBoardAllFinishAndAgree) {
    const std::string kTail = "Telephone +44 1632 960018\r\n\r\n";  // ends every whole list
    m_board = m_program.File("bigboard");
    MakeBoard(300);
    ProgramCopy second;
    fs::create_directories(second.File("html"));
    Save(second.ConfigPath(), FourLists(second.File("html"), ""));
    UseConfig(0);
    std::vector<std::string> imports;  // 20 files each, made before the runs start
    for (int batch = 0; batch < 4; ++batch) {
        nlohmann::json files = nlohmann::json::array();
        for (int i = 0; i < 20; ++i)
            files.push_back(
                {{"area", 2}, {"name", "NEW" + std::to_string(batch * 100 + i) + ".ZIP"}});
        imports.push_back(m_program.File("import" + std::to_string(batch) + ".json"));
        CScratchDir::WriteFile(imports.back(), nlohmann::json{{"files", files}}.dump());
    }

    // /S (1 ms a record) keeps the first run's walk going while every import is made.
    const pid_t a = Start(m_program.Program() + " /S", m_program.File("a.err"));
    const pid_t b = Start(second.Program(), m_program.File("b.err"));
    const std::string err = m_program.File("i.err");
    for (const std::string& json : imports)
        EXPECT_EQ(Wait(Spawn(Board() + " import " + m_board + " " + json, err)), 0)
            << CScratchDir::ReadFile(err);
    EXPECT_EQ(Wait(a), 0) << CScratchDir::ReadFile(m_program.File("a.err"));
    EXPECT_EQ(Wait(b), 0) << CScratchDir::ReadFile(m_program.File("b.err"));

    EXPECT_EQ(CTestBoard::Sql(m_board, "PRAGMA integrity_check"), "ok");
    const std::string cat = Board() + " cat '" + m_board + "' 'wc:\\file\\area(4)\\ALLFILES.TXT'";
    EXPECT_TRUE(CommandOutput(cat).ends_with(kTail));
    const auto exported =
        nlohmann::json::parse(CommandOutput(Board() + " export '" + m_board + "'"));
    int records = 0, imported = 0;
    for (const auto& f : exported["files"]) {
        records += f["name"] == "ALLFILES.TXT";
        imported += f["name"].get<std::string>().starts_with("NEW");
    }
    EXPECT_EQ(records, 1);  // both runs published it; the second updated the first's record
    EXPECT_EQ(imported, 80);
    EXPECT_EQ(exported["messages"].size(), 2u);
    for (const char* n : {" 0", " 1"})
        EXPECT_TRUE(CommandOutput(Board() + " message '" + m_board + "'" + n).ends_with(kTail))
            << n;
}
