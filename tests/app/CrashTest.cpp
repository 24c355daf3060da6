// Crash consistency: the program is killed with SIGKILL at random points of its runs on a
// real board, alternating between two configurations. After every kill the board's
// database passes SQLite's integrity check, every published file is whole (the version of
// one configuration or of the other), the configuration file is untouched, and at the end
// a new run succeeds. And a clean stop: SIGINT, SIGTERM and SIGHUP cancel a run.
#include <gtest/gtest.h>
#include <string.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "config/CConfigFile.h"
#include "tests/app/ProgramProcess.h"

namespace fs = std::filesystem;
using namespace qvtest;

namespace {

constexpr int kKills = 200;

struct Version {
    std::string list, bulletin, message;
    std::map<std::string, std::string> pages;
    bool operator==(const Version&) const = default;
};

class CrashRun : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_html);
        fs::create_directories(m_tmp);
        ASSERT_EQ(
            RunToEnd({Board(), "demo", m_board, "--files", "60", "--areas", "4", "--seed", "3"},
                     {}),
            0);
        std::string error;
        ASSERT_TRUE(CConfigFile::Save(m_program.File("a.cfg"),
                                      FourLists(m_html, "Configuration A\r\n"), &error));
        ASSERT_TRUE(CConfigFile::Save(m_program.File("b.cfg"),
                                      FourLists(m_html, "Configuration B\r\nTwo lines\r\n"),
                                      &error));
        m_cfg[0] = CScratchDir::ReadFile(m_program.File("a.cfg"));
        m_cfg[1] = CScratchDir::ReadFile(m_program.File("b.cfg"));
    }

    void UseConfig(int which) {
        const std::string staged = m_program.ConfigPath() + ".new";
        CScratchDir::WriteFile(staged, m_cfg[which]);
        fs::rename(staged, m_program.ConfigPath());
    }

    pid_t Start() {
        return Spawn({m_program.Program()}, {"QUORVANE_BOARD=" + m_board, "TMPDIR=" + m_tmp});
    }

    // A server file as the board holds it ("" when there is none).
    std::string ServerFile(const std::string& relative) const {
        const std::string path = m_board + "/storage/" + relative;
        return fs::exists(path) ? CScratchDir::ReadFile(path) : "";
    }

    Version Current() const {
        Version v;
        v.list = ServerFile("file/area(4)/ALLFILES.TXT");
        v.bulletin = ServerFile("bull/NEWFILES");
        v.message = Query(m_board, "SELECT body FROM messages ORDER BY id DESC LIMIT 1");
        for (const auto& entry : fs::directory_iterator(m_html)) {
            const std::string name = entry.path().filename();
            if (name.rfind(".qvn-", 0) == 0) continue;  // staging copies of a killed run
            v.pages[name] = CScratchDir::ReadFile(entry.path());
        }
        return v;
    }

    // Whole versions only: each published file is the same as after a complete run with
    // configuration A or with B (or not yet there).
    void ExpectWhole(const Version& now) {
        auto oneOf = [&](const std::string& got, const std::string& a, const std::string& b) {
            return got.empty() || got == a || got == b;
        };
        EXPECT_TRUE(oneOf(now.list, m_ref[0].list, m_ref[1].list)) << now.list.size();
        EXPECT_TRUE(oneOf(now.bulletin, m_ref[0].bulletin, m_ref[1].bulletin));
        EXPECT_TRUE(oneOf(now.message, m_ref[0].message, m_ref[1].message));
        for (const auto& [name, bytes] : now.pages)
            EXPECT_TRUE(oneOf(bytes, m_ref[0].pages[name], m_ref[1].pages[name])) << name;
        const std::string zip = m_program.File("check.zip");
        CScratchDir::WriteFile(zip, ServerFile("file/area(4)/ALLFILES.ZIP"));
        if (fs::file_size(zip) > 0) {
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

TEST_F(CrashRun, KilledAtRandomPointsLeavesTheBoardWholeAndTheNextRunWorks) {
    // Several complete runs: the two versions a file may have, and the shortest run time,
    // so that the kills fall all over a run.
    long runTime = 0;
    for (int which : {0, 1, 0, 1}) {
        UseConfig(which);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(Wait(Start()), 0);
        const long took = static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                std::chrono::steady_clock::now() - start)
                                                .count());
        runTime = runTime == 0 ? took : std::min(runTime, took);
        m_ref[which] = Current();
    }
    ASSERT_NE(m_ref[0].list, m_ref[1].list);
    ASSERT_NE(m_ref[0].message, "");
    const long maxDelay = std::max<long>(10000, runTime * 9 / 10);

    const char* seedText = std::getenv("QV_CRASH_SEED");
    const unsigned seed = seedText ? static_cast<unsigned>(std::atol(seedText)) : 20261201u;
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> delay(0, maxDelay);

    int kills = 0, completed = 0;
    for (int attempt = 0; kills < kKills && attempt < 3 * kKills; ++attempt) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", attempt " + std::to_string(attempt));
        const int which = attempt % 2;
        UseConfig(which);
        const pid_t pid = Start();
        ASSERT_GT(pid, 0);
        ::usleep(static_cast<useconds_t>(delay(random)));
        ::kill(pid, SIGKILL);
        const int status = Wait(pid);
        if (status == 128 + SIGKILL) {
            ++kills;
        } else {
            EXPECT_EQ(status, 0);
            ++completed;
        }
        ASSERT_EQ(IntegrityCheck(m_board), "ok");
        ExpectWhole(Current());
        EXPECT_EQ(CScratchDir::ReadFile(m_program.ConfigPath()), m_cfg[which]);
        if (HasFailure()) break;
    }
    EXPECT_GE(kills, kKills);
    std::printf("%d kills, %d runs finished before their kill, delays 0-%ld us, seed %u\n", kills,
                completed, maxDelay, seed);

    UseConfig(0);
    ASSERT_EQ(Wait(Start()), 0);
    const Version after = Current();
    EXPECT_EQ(after.list, m_ref[0].list);
    EXPECT_EQ(after.bulletin, m_ref[0].bulletin);
    EXPECT_EQ(after.message, m_ref[0].message);
    EXPECT_EQ(IntegrityCheck(m_board), "ok");
}

TEST_F(CrashRun, StopSignalsEndTheRunWithStatus5AndPublishNothingAfterwards) {
    // Long enough a walk with /S (1 ms per record) for a signal to land in it.
    m_board = m_program.File("bigboard");
    ASSERT_EQ(
        RunToEnd({Board(), "demo", m_board, "--files", "4000", "--areas", "4", "--seed", "3"}, {}),
        0);
    const std::string started = m_program.File("started");
    const std::string errPath = m_program.File("stderr.txt");
    // The signal comes during the walk, while a command that ignores SIGTERM runs, or from
    // the command of the second list itself, once the first list is published.
    enum Phase { kWalk, kCommand, kBetweenLists };
    const struct {
        Phase phase;
        int sig;
        bool display;
    } rows[] = {{kWalk, SIGINT, false},          {kWalk, SIGTERM, false},
                {kWalk, SIGHUP, false},          {kWalk, SIGTERM, true},
                {kCommand, SIGINT, false},       {kCommand, SIGTERM, false},
                {kCommand, SIGHUP, false},       {kBetweenLists, SIGINT, false},
                {kBetweenLists, SIGTERM, false}, {kBetweenLists, SIGHUP, false}};
    // The run's own temporary directories (Qt keeps a runtime directory beside them).
    auto runDirs = [&] {
        int n = 0;
        for (const auto& entry : fs::directory_iterator(m_tmp))
            n += entry.path().filename().string().rfind("quorvane.", 0) == 0;
        return n;
    };
    int run = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE("phase " + std::to_string(row.phase) + ", SIG" + sigabbrev_np(row.sig) +
                     (row.display ? ", display" : ""));
        CConfig config = FourLists(m_html, "Run " + std::to_string(++run) + "\r\n");
        std::swap(config.m_lists[0], config.m_lists[1]);  // the bulletin is published first
        ZipRec& zip = config.m_lists[1].m_zipFiles[0];
        zip.m_nZipFlags = 0;
        zip.m_strCommand =
            row.phase == kCommand
                ? "sh -c \"trap '' TERM; touch " + started + "; exec sleep 60\""
                : std::string("sh -c \"kill -") + sigabbrev_np(row.sig) + " $PPID; exec sleep 60\"";
        std::string error;
        ASSERT_TRUE(CConfigFile::Save(m_program.ConfigPath(), config, &error)) << error;
        fs::remove(started);
        const Version before = Current();

        std::vector<std::string> env = {"QUORVANE_BOARD=" + m_board, "TMPDIR=" + m_tmp};
        if (row.display) env.push_back("QT_QPA_PLATFORM=offscreen");
        std::vector<std::string> argv = {m_program.Program()};
        if (row.phase == kWalk) argv.push_back("/S");
        const pid_t pid = Spawn(argv, env, errPath);
        ASSERT_GT(pid, 0);
        if (row.phase != kBetweenLists) {
            // The run's temporary directory appears once the signals are caught.
            ASSERT_TRUE(WaitUntil(
                [&] { return row.phase == kWalk ? runDirs() > 0 : fs::exists(started); }));
            ::kill(pid, row.sig);
        }
        const int status = WaitAtMost(pid, 60);
        const std::string err = CScratchDir::ReadFile(errPath);
        ASSERT_EQ(status, 5) << err;
        if (!row.display) {
            EXPECT_NE(err.find("Cancelled: "), std::string::npos) << err;
            EXPECT_EQ(err.find("Finished!"), std::string::npos) << err;
        }
        EXPECT_EQ(runDirs(), 0);
        Version now = Current();
        if (row.phase != kWalk) {
            EXPECT_NE(now.bulletin, before.bulletin);
            now.bulletin = before.bulletin;
        }
        EXPECT_TRUE(now == before);
    }
}
