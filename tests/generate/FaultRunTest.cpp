// Faults in whole runs: the list is named, its earlier version stays, the others are produced.
#include <gmock/gmock.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>

#include "generate/CListRun.h"
#include "tests/support/CBoardRunFixture.h"
#include "tests/support/CFailingSink.h"

namespace fs = std::filesystem;
using Outcome = CMakeListThread::Outcome;
using namespace ::testing;

namespace {

// 2026-11-01 12:00 UTC: the earlier run's lists differ from those of kNow in their dated titles.
constexpr time_t kEarlier = 1793534400;

// `files` copies of the board's one file, named and described by number, in areas 1 and 2.
std::string BoardJson(int files) {
    auto board = nlohmann::json::parse(CTestBoard::Data("fault.json"));
    nlohmann::json file = board["files"][0];
    board["files"].clear();
    for (int i = 0; i < files; ++i) {
        file["area"] = 1 + i % 2;
        file["name"] = "F" + std::to_string(10000 + i) + ".ZIP";
        file["description"] =
            "File number " + std::to_string(i) + " with a description long enough to fill a line";
        board["files"].push_back(file);
    }
    return board.dump();
}

// A File list (published in area 9, which no list covers, so that republishing it changes
// no list), a bulletin and a single HTML page, all over areas 1 and 2.
enum { kFileList, kBulletin, kHtml, kListCount };
const char* const kNames[] = {"FILES.TXT", "NEWS", "files.htm"};
const int kTypes[] = {LIST_FILE, LIST_BULLETIN, LIST_HTML};

class FaultRun : public CBoardRunFixture {
protected:
    explicit FaultRun(int files = 40) : CBoardRunFixture(BoardJson(files)) {
        for (int i = 0; i < kListCount; ++i) {
            COutRec& list = m_config.m_lists.emplace_back();
            list.m_nListType = kTypes[i];
            list.m_strListName = kNames[i];
            list.m_areas = {1, 2};
        }
        m_config.m_lists[kFileList].m_nFileArea = 9;
        m_config.m_lists[kBulletin].m_strLanguage = "ALL";
        m_config.m_lists[kHtml].m_strHtmlDir = m_dir.Path();
    }

    std::map<int, std::string> Published() const {
        return {{kFileList, m_board.ReadServerFile("wc:\\file\\area(9)\\FILES.TXT")},
                {kBulletin, m_board.ReadServerFile("wc:\\bull\\NEWS")},
                {kHtml, CScratchDir::ReadFile(m_dir.File("files.htm"))}};
    }

    Outcome RunAt(time_t now, const CMakeListThread::ListSetup& setup = nullptr) {
        m_options.now = now;
        return Run(m_config, setup);
    }

    // The published versions of an earlier and of a complete later run, for comparison.
    void MakeVersions() {
        for (auto [at, versions] : {std::pair{kNow, &m_new}, {kEarlier, &m_old}}) {
            ASSERT_EQ(RunAt(at), Outcome::Finished);
            ASSERT_TRUE(m_failed.empty()) << m_failed[0];
            *versions = Published();
        }
        for (int i = 0; i < kListCount; ++i) {
            ASSERT_FALSE(m_old[i].empty());
            ASSERT_NE(m_old[i], m_new[i]);
        }
    }

    // Each list failed by name with its earlier version in place, or published whole.
    void ExpectOldOrNew(const std::vector<int>& mustFail) {
        const std::map<int, std::string> now = Published();
        size_t failures = 0;
        for (int i = 0; i < kListCount; ++i) {
            SCOPED_TRACE(kNames[i]);
            bool named = false;
            for (const std::string& f : m_failed)
                named = named || f.rfind("\"" + std::string(kNames[i]) + "\"", 0) == 0;
            EXPECT_TRUE(named || std::count(mustFail.begin(), mustFail.end(), i) == 0);
            failures += named;
            EXPECT_EQ(now.at(i), named ? m_old[i] : m_new[i]);
        }
        EXPECT_EQ(failures, m_failed.size());
        for (const auto& entry : fs::directory_iterator(m_tmp.Path()))
            EXPECT_EQ(entry.path().filename(), "small") << "left behind: " << entry.path();
    }

    CConfig m_config;
    std::map<int, std::string> m_old, m_new;
};

}  // namespace

// A sink that throws where a full disk would fail, as a fault nobody foresaw would.
class ThrowingSink : public CFailingSink {
public:
    using CFailingSink::CFailingSink;
    bool Write(const char* data, size_t size) override {
        if (!CFailingSink::Write(data, size)) throw std::runtime_error("sink broke");
        return true;
    }
};

TEST_F(FaultRun, AListWhoseOutputFailsIsNamedAndTheOthersArePublished) {
    MakeVersions();
    // The disk fills before the header, in the entries or in the footer; or the sink throws.
    enum Fault { kFull, kThrow };
    for (int victim = 0; victim < kListCount; ++victim) {
        const std::pair<Fault, size_t> faults[] = {
            {kFull, 0}, {kFull, 700}, {kFull, m_new[victim].size() - 20}, {kThrow, 0}};
        for (const auto& [fault, limit] : faults) {
            SCOPED_TRACE("list " + std::to_string(victim) + ", fault " + std::to_string(fault) +
                         " after " + std::to_string(limit) + " bytes");
            ASSERT_EQ(RunAt(kEarlier), Outcome::Finished);  // back to old
            m_old = Published();
            const auto outcome = RunAt(kNow, [&](size_t index, CListRun& run) {
                if (static_cast<int>(index) != victim) return;
                run.SetSinkFactory(
                    [fault, limit](const std::string&, std::string*) -> std::unique_ptr<IByteSink> {
                        if (fault == kThrow) return std::make_unique<ThrowingSink>(0);
                        return std::make_unique<CFailingSink>(limit);
                    });
            });
            ASSERT_EQ(outcome, Outcome::Finished);
            EXPECT_THAT(m_failed,
                        ElementsAre(HasSubstr(fault == kFull ? "No space left on device"
                                                             : "unexpected error: sink broke")));
            ExpectOldOrNew({victim});
        }
    }
}

// Enough files for an HTML page larger than a tiny file system.
class FaultRunBigBoard : public FaultRun {
protected:
    FaultRunBigBoard() : FaultRun(600) {}
};

TEST_F(FaultRunBigBoard, ARealFullTemporaryFileSystemPublishesNothingHalfWritten) {
    MakeVersions();
    // A tmpfs with room for the small lists but not for the HTML page of 600 entries.
    ASSERT_GT(m_new[kHtml].size(), 96u * 1024);
    const std::string small = m_tmp.Path() + "/small";
    fs::create_directories(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=96k,mode=0700") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    const std::shared_ptr<void> unmount(nullptr,
                                        [&](void*) { ::umount2(small.c_str(), MNT_DETACH); });
    setenv("TMPDIR", small.c_str(), 1);
    ASSERT_EQ(RunAt(kNow), Outcome::Finished);
    EXPECT_THAT(m_failed, Each(HasSubstr("No space left")));
    EXPECT_TRUE(fs::is_empty(small));
    setenv("TMPDIR", m_tmp.Path().c_str(), 1);
    ExpectOldOrNew({kHtml});
}

TEST_F(FaultRun, TheTemporaryDirectoryVanishingMidRunFailsEveryListByName) {
    MakeVersions();
    m_observer.onStatus = [&](const std::string& status) {
        if (status.rfind("Area 2", 0) == 0)
            for (const auto& entry : fs::directory_iterator(m_tmp.Path()))
                fs::remove_all(entry.path());
    };
    ASSERT_EQ(RunAt(kNow), Outcome::Finished);
    ExpectOldOrNew({kFileList, kBulletin, kHtml});
}

TEST_F(FaultRun, ABoardDatabaseLockedPastTheBusyTimeoutFailsTheFileList) {
    MakeVersions();
    // Another writer holds the board's write lock for longer than the server waits.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((m_board.Dir() + "/board.db").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto outcome = RunAt(kNow);
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    ASSERT_EQ(outcome, Outcome::Finished);
    EXPECT_THAT(m_failed, ElementsAre(HasSubstr("busy")));
    // The bulletin and the page need no record and go ahead.
    EXPECT_EQ(Published()[kBulletin], m_new[kBulletin]);
    EXPECT_EQ(Published()[kHtml], m_new[kHtml]);
    // The next run, with the lock gone, repairs the record.
    ASSERT_EQ(RunAt(kNow), Outcome::Finished);
    EXPECT_TRUE(m_failed.empty());
}

TEST_F(FaultRun, ADamagedBoardFailsEveryListAndChangesNothing) {
    MakeVersions();
    const std::string db = m_board.Dir() + "/board.db";
    // A page of the records (the walk stops half-way) and of the key index (nothing is read).
    for (const char* btree : {"files", "files_key1"}) {
        SCOPED_TRACE(btree);
        const std::string sound = CScratchDir::ReadFile(db);
        CTestBoard::DamagePage(m_board.Dir(), btree);
        const std::string damaged = CScratchDir::ReadFile(db);
        ASSERT_EQ(RunAt(kNow), Outcome::Finished);
        EXPECT_THAT(m_failed, Each(HasSubstr(": the board's database is damaged: database disk "
                                             "image is malformed; run `quorvane-board check`")));
        ExpectOldOrNew({kFileList, kBulletin, kHtml});
        EXPECT_EQ(CScratchDir::ReadFile(db), damaged);
        CScratchDir::WriteFile(db, sound);
    }
}

TEST_F(FaultRun, ARunRemovesOnlyTheTemporaryDirectoriesOfDeadRuns) {
    const std::string dead = m_tmp.File("quorvane." + std::to_string(CScratchDir::DeadProcessId()));
    const std::string live = m_tmp.File("quorvane." + std::to_string(getppid()));
    for (const std::string& dir : {dead + ".a1b2c3", live + ".a1b2c3"}) {
        fs::create_directories(dir);
        CScratchDir::WriteFile(dir + "/0", "half a list");
    }
    ASSERT_EQ(RunAt(kNow), Outcome::Finished);
    EXPECT_FALSE(fs::exists(dead + ".a1b2c3"));
    EXPECT_TRUE(fs::exists(live + ".a1b2c3/0"));
}

TEST_F(FaultRun, CompressionCommandsThatHangOrCrashPublishNoArchive) {
    ZipRec good, hangs, crashes;
    good.m_strZipName = "GOOD.ZIP";
    good.m_nZipFlags = ZIP_INTERNAL;
    hangs.m_strZipName = "HANGS.ZIP";
    hangs.m_strCommand = "sh -c \"printf PK > HANGS.ZIP; exec sleep 60\"";
    crashes.m_strZipName = "CRASH.ZIP";
    crashes.m_strCommand = "sh -c \"printf PK > CRASH.ZIP; kill -SEGV $$\"";
    m_config.m_lists[kFileList].m_zipFiles = {hangs, good, crashes};
    m_options.commandTimeout = std::chrono::milliseconds(300);
    ASSERT_EQ(RunAt(kNow), Outcome::Finished);
    // The first reason is reported; both bad archives are left out.
    EXPECT_THAT(m_failed, ElementsAre(HasSubstr("HANGS.ZIP")));
    EXPECT_THROW(m_board.ReadServerFile("wc:\\file\\area(9)\\HANGS.ZIP"), std::exception);
    EXPECT_THROW(m_board.ReadServerFile("wc:\\file\\area(9)\\CRASH.ZIP"), std::exception);
    EXPECT_EQ(m_board.ReadServerFile("wc:\\file\\area(9)\\GOOD.ZIP").substr(0, 2), "PK");
    EXPECT_NO_THROW(Published());  // the lists themselves are published
}
