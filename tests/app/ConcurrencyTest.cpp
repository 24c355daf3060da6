// Two generation runs on one board at once while the board tool imports files into it: every
// process finishes, nothing is recorded twice, and the board stays consistent.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "config/CConfigFile.h"
#include "tests/app/ProgramProcess.h"

using namespace qvtest;

TEST(Concurrency, TwoRunsAndAnImportOnOneBoardAllFinishAndAgree) {
    const std::string kTail = "Telephone +44 1632 960018\r\n\r\n";  // ends every whole list
    ProgramCopy first, second;
    const std::string board = first.File("board");
    ASSERT_EQ(Wait(Spawn(Board() + " demo " + board + " --files 300 --areas 4 --seed 5")), 0);
    std::string error;
    for (const ProgramCopy* p : {&first, &second}) {
        std::filesystem::create_directories(p->File("html"));
        ASSERT_TRUE(CConfigFile::Save(p->ConfigPath(), FourLists(p->File("html"), ""), &error))
            << error;
    }
    std::vector<std::string> imports;
    for (int batch = 0; batch < 4; ++batch) {
        nlohmann::json files = nlohmann::json::array();
        for (int i = 0; i < 20; ++i)
            files.push_back({{"area", 2},
                             {"name", "NEW" + std::to_string(batch * 100 + i) + ".ZIP"},
                             {"description", "Imported during a run"},
                             {"size", 100},
                             {"uploaded", "2026-11-30T08:00:00Z"}});
        imports.push_back(first.File("import" + std::to_string(batch) + ".json"));
        CScratchDir::WriteFile(imports.back(), nlohmann::json{{"files", files}}.dump());
    }

    const std::string env = "QUORVANE_BOARD=" + board + " TMPDIR=" + first.Path() + " ";
    const pid_t a = Spawn(env + first.Program(), first.File("a.err"));
    const pid_t b = Spawn(env + second.Program(), first.File("b.err"));
    for (const std::string& json : imports)
        EXPECT_EQ(Wait(Spawn(Board() + " import " + board + " " + json, first.File("i.err"))), 0)
            << CScratchDir::ReadFile(first.File("i.err"));
    EXPECT_EQ(Wait(a), 0) << CScratchDir::ReadFile(first.File("a.err"));
    EXPECT_EQ(Wait(b), 0) << CScratchDir::ReadFile(first.File("b.err"));

    EXPECT_EQ(Query(board, "PRAGMA integrity_check"), "ok");
    const std::string cat = Board() + " cat '" + board + "' 'wc:\\file\\area(4)\\ALLFILES.TXT'";
    EXPECT_TRUE(Capture(cat).ends_with(kTail));
    const auto exported = nlohmann::json::parse(Capture(Board() + " export '" + board + "'"));
    int records = 0, imported = 0;
    for (const auto& f : exported["files"]) {
        records += f["name"] == "ALLFILES.TXT";
        imported += f["name"].get<std::string>().starts_with("NEW");
    }
    EXPECT_EQ(records, 1);  // both runs published it; the second updated the first's record
    EXPECT_EQ(imported, 80);
    EXPECT_EQ(exported["messages"].size(), 2u);
    for (const char* n : {" 0", " 1"})
        EXPECT_TRUE(Capture(Board() + " message '" + board + "'" + n).ends_with(kTail)) << n;

    // Afterwards a run sees every imported file.
    EXPECT_EQ(Wait(Spawn(env + first.Program())), 0);
    EXPECT_NE(Capture(cat).find("NEW319.ZIP"), std::string::npos);
}
