// Concurrency: two generation runs on one board at once, while the board tool imports new
// files into it. Every process finishes, nothing is recorded twice, and the board stays
// consistent.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "config/CConfigFile.h"
#include "tests/app/ProgramProcess.h"

namespace fs = std::filesystem;
using namespace qvtest;

namespace {

// The list's last line: the credits end every complete text list.
const std::string kTail = "Telephone +44 1632 960018\r\n\r\n";

std::string ImportJson(int batch) {
    nlohmann::json files = nlohmann::json::array();
    for (int i = 0; i < 20; ++i)
        files.push_back({{"area", 2},
                         {"name", "NEW" + std::to_string(batch * 100 + i) + ".ZIP"},
                         {"description", "Imported during a run"},
                         {"size", 100},
                         {"uploaded", "2026-11-30T08:00:00Z"}});
    return nlohmann::json{{"files", files}}.dump();
}

}  // namespace

TEST(Concurrency, TwoRunsAndAnImportOnOneBoardAllFinishAndAgree) {
    ProgramCopy first, second;
    const std::string board = first.File("board");
    ASSERT_EQ(
        RunToEnd({Board(), "demo", board, "--files", "300", "--areas", "4", "--seed", "5"}, {}), 0);
    std::string error;
    for (const ProgramCopy* p : {&first, &second}) {
        fs::create_directories(p->File("html"));
        ASSERT_TRUE(CConfigFile::Save(p->ConfigPath(), FourLists(p->File("html"), ""), &error))
            << error;
    }
    std::vector<std::string> imports;
    for (int batch = 0; batch < 4; ++batch) {
        imports.push_back(first.File("import" + std::to_string(batch) + ".json"));
        CScratchDir::WriteFile(imports.back(), ImportJson(batch));
    }

    const std::vector<std::string> env = {"QUORVANE_BOARD=" + board, "TMPDIR=" + first.File("")};
    const pid_t a = Spawn({first.Program()}, env, first.File("a.err"));
    const pid_t b = Spawn({second.Program()}, env, first.File("b.err"));
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    for (const std::string& json : imports)
        EXPECT_EQ(RunToEnd({Board(), "import", board, json}, {}, first.File("import.err")), 0)
            << CScratchDir::ReadFile(first.File("import.err"));
    EXPECT_EQ(Wait(a), 0) << CScratchDir::ReadFile(first.File("a.err"));
    EXPECT_EQ(Wait(b), 0) << CScratchDir::ReadFile(first.File("b.err"));

    EXPECT_EQ(IntegrityCheck(board), "ok");
    const std::string list =
        Capture(Board() + " cat '" + board + "' 'wc:\\file\\area(4)\\ALLFILES.TXT'");
    ASSERT_GE(list.size(), kTail.size());
    EXPECT_EQ(list.substr(list.size() - kTail.size()), kTail);

    const auto exported = nlohmann::json::parse(Capture(Board() + " export '" + board + "'"));
    int records = 0, imported = 0;
    for (const auto& f : exported["files"]) {
        if (f["name"] == "ALLFILES.TXT") ++records;
        if (f["name"].get<std::string>().rfind("NEW", 0) == 0) ++imported;
    }
    EXPECT_EQ(records, 1);  // both runs published it; the second updated the first's record
    EXPECT_EQ(imported, 80);
    EXPECT_EQ(exported["messages"].size(), 2u);
    for (int n = 0; n < 2; ++n) {
        const std::string body = Capture(Board() + " message '" + board + "' " + std::to_string(n));
        ASSERT_GE(body.size(), kTail.size());
        EXPECT_EQ(body.substr(body.size() - kTail.size()), kTail);
    }

    // Afterwards a run sees every imported file.
    EXPECT_EQ(RunToEnd({first.Program()}, env), 0);
    const std::string after =
        Capture(Board() + " cat '" + board + "' 'wc:\\file\\area(4)\\ALLFILES.TXT'");
    EXPECT_NE(after.find("NEW319.ZIP"), std::string::npos);
}
