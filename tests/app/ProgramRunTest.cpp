// Runs of the real program on a real board: SIGKILL at random points leaves the board and the
// configuration whole and the next run working; SIGINT, SIGTERM and SIGHUP cancel a run; two
// runs at once with imports beside them all finish and agree.
#include <gtest/gtest.h>
#include <string.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "config/CConfigFile.h"
#include "tests/app/ProgramProcess.h"

namespace fs = std::filesystem;
using namespace qvtest;

namespace {

constexpr int kKills = 200;

// Each published file by name ("list", "bulletin" and "message" for those on the board).
using Version = std::map<std::string, std::string>;

class ProgramRun : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_html);
        fs::create_directories(m_tmp);
        MakeBoard(60);
        std::string error;
        for (int i : {0, 1}) {
            const std::string header =
                i == 0 ? "Configuration A\r\n" : "Configuration B\r\nTwo lines\r\n";
            ASSERT_TRUE(
                CConfigFile::Save(m_program.ConfigPath(), FourLists(m_html, header), &error));
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
    EXPECT_EQ(CTestBoard::Sql(m_board, "PRAGMA integrity_check"), "ok");
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
        int n = 0;
        for (const auto& entry : fs::directory_iterator(m_tmp))
            n += entry.path().filename().string().starts_with("quorvane.");
        return n;
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
        std::string error;
        ASSERT_TRUE(CConfigFile::Save(m_program.ConfigPath(), config, &error)) << error;
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
    std::string error;
    ASSERT_TRUE(CConfigFile::Save(second.ConfigPath(), FourLists(second.File("html"), ""), &error))
        << error;
    UseConfig(0);
    std::vector<std::string> imports;
    for (int batch = 0; batch < 4; ++batch) {
        nlohmann::json files = nlohmann::json::array();
        for (int i = 0; i < 20; ++i)
            files.push_back(
                {{"area", 2}, {"name", "NEW" + std::to_string(batch * 100 + i) + ".ZIP"}});
        imports.push_back(m_program.File("import" + std::to_string(batch) + ".json"));
        CScratchDir::WriteFile(imports.back(), nlohmann::json{{"files", files}}.dump());
    }

    const pid_t a = Start(m_program.Program(), m_program.File("a.err"));
    const pid_t b = Start(second.Program(), m_program.File("b.err"));
    for (const std::string& json : imports)
        EXPECT_EQ(Wait(Spawn(Board() + " import " + m_board + " " + json, m_program.File("i.err"))),
                  0)
            << CScratchDir::ReadFile(m_program.File("i.err"));
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
