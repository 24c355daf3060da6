// quorvane-board: import/export round trip, the demo board, refusals of bad input, check.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "server/wcsrv/CSqlDatabase.h"
#include "tests/support/CScratchDir.h"
#include "tests/support/CTestBoard.h"
#include "tools/board/CBoardAdmin.h"
#include "tools/board/CBoardError.h"

namespace fs = std::filesystem;

namespace {

using Json = nlohmann::json;

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

ToolRun Tool(const CScratchDir& scratch, const std::string& args) {
    int rc = std::system((std::string(std::getenv("QV_BIN_DIR")) + "/quorvane-board " + args +
                          " >" + scratch.File("out") + " 2>" + scratch.File("err"))
                             .c_str());
    return {WEXITSTATUS(rc), CScratchDir::ReadFile(scratch.File("out")),
            CScratchDir::ReadFile(scratch.File("err"))};
}

// tests/tools/data/`name`; board.json has two areas, a file with every field set and one
// with none.
std::string Data(const std::string& name) {
    return CScratchDir::ReadFile(std::string(std::getenv("QV_SOURCE_DIR")) + "/tests/tools/data/" +
                                 name);
}

// The board's records in the form of data/scanned.json's files, make-scan-tree.py's tree worked
// out by hand: area, short name, long name, description, long description, size (0 = the archive's
// size on disk), downloads.
Json Scanned(const CBoardAdmin& admin) {
    Json out = Json::array(), board = Json::parse(admin.Export());
    for (const Json& f : board["files"])
        out.push_back({f["area"], f["name"], f["long_name"], f["description"],
                       f["long_description"], f["size"], f["downloads"]});
    return out;
}

}  // namespace

TEST(BoardTool, CommandLineImportExportAndStorage) {
    CScratchDir scratch;
    std::string b = scratch.File("b");
    ASSERT_EQ(0, Tool(scratch, "init " + b + " --name 'Harbour' --sysop 'Morgan'").status);
    CScratchDir::WriteFile(scratch.File("in.json"), Data("board.json"));
    ASSERT_EQ(0, Tool(scratch, "import " + b + " - <" + scratch.File("in.json")).status);
    ToolRun exp = Tool(scratch, "export " + b);
    ASSERT_EQ(0, exp.status);
    // The board as given, with every field of the files spelled out in key order (by hand).
    EXPECT_EQ(Json::parse(Data("board-export.json")), Json::parse(exp.out));
    // An export imports into a fresh board unchanged.
    CBoardAdmin copy(scratch.File("c"));
    copy.Init("", "");
    copy.Import(exp.out, "export");
    EXPECT_EQ(exp.out, copy.Export());

    ToolRun missing = Tool(scratch, "export " + scratch.File("nothing"));
    EXPECT_NE(0, missing.status);
    EXPECT_EQ(0u, missing.err.rfind("quorvane-board: ", 0)) << missing.err;
    EXPECT_NE(std::string::npos, missing.err.find("no board at")) << missing.err;
    EXPECT_EQ(1, std::count(missing.err.begin(), missing.err.end(), '\n'));
    ToolRun outside = Tool(scratch, "cat " + b + " 'wc:\\..\\board.db'");
    EXPECT_NE(0, outside.status);
    EXPECT_EQ("", outside.out);
    EXPECT_NE(std::string::npos, outside.err.find("leaves the board's storage"));

    std::filesystem::create_directories(b + "/storage/bull/conf(0)");
    std::filesystem::create_directories(b + "/storage/TEMP");
    CScratchDir::WriteFile(b + "/storage/bull/conf(0)/NEWS.TXT", "a\r\nb\r\n");
    CScratchDir::WriteFile(b + "/storage/TEMP/x", "");
    EXPECT_EQ("wc:\\bull\\conf(0)\\NEWS.TXT\t6\n", Tool(scratch, "ls " + b + " 'wc:\\bull\\'").out);
    EXPECT_EQ("wc:\\TEMP\\x\t0\nwc:\\bull\\conf(0)\\NEWS.TXT\t6\n", Tool(scratch, "ls " + b).out);
    EXPECT_EQ("a\r\nb\r\n", Tool(scratch, "cat " + b + " 'wc:\\bull\\conf(0)\\NEWS.TXT'").out);
}

// Refused input changes nothing; check then finds each harm added to the ones before.
TEST(BoardTool, BadInputIsRefusedAndCheckFindsDamage) {
    CScratchDir scratch;
    const std::string dir = scratch.File("b");
    CBoardAdmin admin(dir);
    admin.Init("Board", "Sysop");
    admin.Import(Data("board.json"), "test");  // records without a file in storage/ are normal
    std::string before = admin.Export();
    const std::string longText = std::string(100000, 'x');
    // Long values are quoted short, control characters escaped.
    std::vector<std::pair<std::string, std::string>> cases = {
        {R"({"files": [{"area": 1, "name": "A", "description": "\n\u03a9)" + longText + "\"}]}",
         R"("\nΩxxx)"},
        {R"({"files": [{"area": 1, "name": "A", "uploaded": "\u001b)" + longText + "\"}]}",
         R"("\x1Bxxx)"},
        {R"({"files": ")" + longText + "\x01", "malformed JSON"},
    };
    std::istringstream rows(Data("refused-imports.tsv"));
    for (std::string row; std::getline(rows, row);)
        if (row[0] != '#')
            cases.emplace_back(row.substr(row.find('\t') + 1), row.substr(0, row.find('\t')));
    for (const auto& [json, problem] : cases) {
        try {
            admin.Import(json, "in.json");
            ADD_FAILURE() << "accepted: " << json;
        } catch (const CBoardError& e) {
            std::string what = e.what();
            EXPECT_NE(std::string::npos, what.find(problem)) << what;
            EXPECT_EQ(0u, what.rfind("in.json: ", 0)) << what;
            EXPECT_EQ(std::string::npos, what.find('\n')) << what;
            EXPECT_LT(what.size(), 400u) << what.substr(0, 400);
        }
    }
    EXPECT_EQ(before, admin.Export());
    EXPECT_THROW(admin.Init("again", ""), CBoardError);
    EXPECT_THROW(admin.Message(0), CBoardError);

    ToolRun run = Tool(scratch, "check " + dir);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(dir + ": no damage found (2 file records)\n", run.out);
    const std::string leftover =
        "bull/.wctmp-" + std::to_string(CScratchDir::DeadProcessId()) + "-NEWS.1";
    const std::pair<std::function<void()>, std::string> harms[] = {
        {[&] { CSqlDatabase(dir + "/board.db", false).Exec("DELETE FROM areas WHERE number = 7"); },
         ": 1 file record(s) in area 7, which the board does not have\n"},
        {[&] {
             fs::create_directories(dir + "/storage/bull");
             CScratchDir::WriteFile(dir + "/storage/" + leftover, "half");
         },
         ": a staging file of a run that no longer runs: storage/" + leftover},
        {[&] { CTestBoard::DamagePage(dir, "files_key1"); }, ": SQLite's integrity check"},
    };
    for (const auto& [harm, found] : harms) {
        harm();
        run = Tool(scratch, "check " + dir);
        EXPECT_EQ(1, run.status);
        EXPECT_NE(std::string::npos, run.out.find(dir + found)) << run.out;
    }
}

TEST(BoardTool, DemoBoardsAreRepeatableAndVaried) {
    CScratchDir scratch;
    CDemoOptions options{.files = 600, .areas = 5, .seed = 42};
    CBoardAdmin one(scratch.File("one")), two(scratch.File("two")), other(scratch.File("other"));
    one.Demo(options);
    two.Demo(options);
    options.seed = 43;
    other.Demo(options);
    std::string text = one.Export();
    EXPECT_EQ(text, two.Export());
    EXPECT_NE(text, other.Export());
    Json demo = Json::parse(text);
    ASSERT_EQ(600u, demo["files"].size());
    EXPECT_EQ(5u, demo["areas"].size());
    std::map<std::string, int> seen;  // files with each kind of field set
    for (const Json& f : demo["files"]) {
        for (const char* field :
             {"password", "long_name", "long_description", "free", "failed_scan"})
            seen[field] += f[field] != "" && f[field] != Json::array() && f[field] != false;
        EXPECT_LE(f["name"].get<std::string>().size(), 12u);
        EXPECT_FALSE(f["uploaded"].is_null());
    }
    for (const auto& [field, count] : seen) EXPECT_GT(count, 0) << field;
    EXPECT_THROW(one.Demo(options), CBoardError);  // never over an existing board

    // A rising demo has distinct rising download counts.
    options.files = 300;
    options.rising = true;
    CBoardAdmin rising(scratch.File("rising"));
    rising.Demo(options);
    const Json files = Json::parse(rising.Export())["files"];
    for (size_t i = 1; i < files.size(); ++i)
        EXPECT_GT(files[i]["downloads"], files[i - 1]["downloads"]);
}

TEST(BoardTool, ScanMirrorsATreeAndRescansFollowIt) {
    CScratchDir scratch;
    const std::string tree = scratch.File("tree"), b = scratch.File("b"), web = scratch.File("w");
    const std::string script = "python3 " + std::string(std::getenv("QV_SOURCE_DIR")) +
                               "/tests/tools/make-scan-tree.py " + tree;
    ASSERT_EQ(0, std::system(script.c_str()));
    CBoardAdmin admin(b);
    admin.Init("Harbour", "Morgan");
    const char* folders[] = {"", "docs", "dos-games", "utils"};
    const Json scanned = Json::parse(Data("scanned.json"));
    Json expected = scanned["files"];
    for (Json& f : expected)
        if (f[5] == 0)
            f[5] = std::filesystem::file_size(tree + "/" + folders[f[0].get<int>()] + "/" +
                                              (f[2] == "" ? f[1] : f[2]).get<std::string>());

    ToolRun first = Tool(scratch, "scan " + b + " " + tree + " --web-root " + web);
    EXPECT_EQ(1, first.status);  // skipped: a socket, a pipe, links out, to nothing, in a loop
    EXPECT_EQ("3 areas, 15 added, 0 updated, 0 removed, 6 skipped, 2 ignored, 1 cut\n", first.out);
    EXPECT_EQ(6, std::count(first.err.begin(), first.err.end(), '\n')) << first.err;
    EXPECT_NE(std::string::npos, first.err.find(tree + "/utils/passwd: a symbolic link out"));
    EXPECT_EQ(expected, Scanned(admin));
    const Json board = Json::parse(admin.Export());
    for (const Json& f : board["files"])
        EXPECT_EQ("2026-11-02T10:00:00Z", f["uploaded"]) << f["name"];  // the tree's stamp
    EXPECT_EQ(scanned["areas"], board["areas"]);
    // The web root links the files taken, and nothing else of the tree.
    EXPECT_EQ(std::filesystem::canonical(tree + "/docs/manual.txt"),
              std::filesystem::read_symlink(web + "/file/area3/MANUAL.TXT"));
    EXPECT_EQ(15, std::distance(std::filesystem::recursive_directory_iterator(web),
                                std::filesystem::recursive_directory_iterator()) -
                      4);  // less the folders file/, area1, area2, area3

    // Downloads counted by the board survive rescans; a description edited since, one whose
    // FILES.BBS line went and an archive rewritten with its old size and time are read again.
    Json pkz = Json::parse(admin.Export())["files"][13],
         doom = Json::parse(admin.Export())["files"][5];
    pkz["downloads"] = 7;
    doom["description"] = "edited";
    admin.Import(Json{{"files", {pkz, doom}}}.dump(), "downloads");
    expected[13][6] = 7;
    std::filesystem::remove(tree + "/docs/faq.txt");
    CScratchDir::WriteFile(tree + "/utils/readme.txt", "hello again\n");
    CScratchDir::WriteFile(tree + "/docs/NEWS.TXT", "news");
    std::string bbs = CScratchDir::ReadFile(tree + "/utils/FILES.BBS");
    bbs.erase(bbs.find("LIST93"), bbs.find("\"Long") - bbs.find("LIST93"));
    CScratchDir::WriteFile(tree + "/utils/FILES.BBS", bbs);
    ASSERT_EQ(0, std::system((script + " --keen2").c_str()));
    std::string before = admin.Export();
    const std::pair<const char*, const char*> rescans[] = {
        // options, summary
        {"--dry-run --remove-missing",
         "1 added, 4 updated, 1 removed, 6 skipped, 2 ignored, 1 cut (dry run: nothing written)"},
        {"", "1 added, 4 updated, 0 removed, 6 skipped, 2 ignored, 1 cut"},
        {"--remove-missing", "0 added, 0 updated, 1 removed, 6 skipped, 2 ignored, 1 cut"},
    };
    for (const auto& [options, summary] : rescans) {
        ToolRun run = Tool(scratch, "scan " + b + " " + tree + " " + options);
        EXPECT_EQ(1, run.status);
        EXPECT_EQ(std::string("3 areas, ") + summary + "\n", run.out);
        if (std::strstr(options, "dry")) {
            EXPECT_EQ(before, admin.Export());
        }
    }
    // By hand: FAQ.TXT gone, NEWS.TXT new, the descriptions of KEEN1.ZIP and LIST93.ZIP and the
    // size of README.TXT read again, DOOM19S.ZIP's edited description read again from the archive.
    expected.erase(0);
    expected.insert(expected.begin() + 1, Json::parse(R"([1, "NEWS.TXT", "", "", [], 4, 0])"));
    expected[6][3] = "Commander Keen 2";  // KEEN1.ZIP: only its status change tells, not its size
    expected[9][3] = "Not used: FILES.BBS wins";
    expected[14][5] = 12;
    EXPECT_EQ(expected, Scanned(admin));

    // A scan that fails changes nothing; a map fixes numbers and names.
    CScratchDir::WriteFile(scratch.File("map.json"),
                           R"([{"number": 7, "name": "Games", "dir": "dos-games"}])");
    CScratchDir::WriteFile(scratch.File("bad.json"), R"([{"number": 7, "dir": "nope"}])");
    before = admin.Export();
    ToolRun failed =
        Tool(scratch, "scan " + b + " " + tree + " --areas " + scratch.File("bad.json"));
    EXPECT_EQ(2, failed.status);
    EXPECT_NE(std::string::npos, failed.err.find("\"nope\" is not in")) << failed.err;
    EXPECT_EQ(before, admin.Export());
    CBoardAdmin mapped(scratch.File("m"));
    mapped.Init("", "");
    EXPECT_EQ(1, Tool(scratch,
                      "scan " + mapped.Dir() + " " + tree + " --areas " + scratch.File("map.json"))
                     .status);
    EXPECT_EQ(scanned["mapped areas"], Json::parse(mapped.Export())["areas"]);
}
