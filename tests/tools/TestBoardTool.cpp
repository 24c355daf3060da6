// quorvane-board: import/export round trip, the demo board, and refusals of bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/CScratchDir.h"
#include "tools/board/CBoardAdmin.h"
#include "tools/board/CBoardError.h"

namespace {

using Json = nlohmann::json;

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

// Runs the built tool with a shell command line of arguments.
ToolRun Tool(const CScratchDir& scratch, const std::string& args) {
    const char* bin = std::getenv("QV_BIN_DIR");
    std::string cmd = std::string(bin ? bin : ".") + "/quorvane-board " + args + " >" +
                      scratch.File("out") + " 2>" + scratch.File("err");
    int rc = std::system(cmd.c_str());
    return {WEXITSTATUS(rc), CScratchDir::ReadFile(scratch.File("out")),
            CScratchDir::ReadFile(scratch.File("err"))};
}

const char* const kBoard = R"({
 "settings": {"name": "Harbour Light", "sysop": "Morgan Reyes", "version": 1, "build": 446},
 "conferences": [{"number": 0, "name": "Main"}, {"number": 3, "name": "Files"}],
 "areas": [{"number": 1, "name": "Utilities", "ftp_dir": "utils"},
           {"number": 7, "name": "Caf\u00e9 Games", "ftp_dir": "games"}],
 "languages": [{"number": 0, "name": "DEFAULT"}],
 "users": [{"name": "Morgan Reyes"}],
 "files": [
  {"area": 7, "name": "DOOM19S.ZIP", "long_name": "Doom Shareware 1.9.zip",
   "description": "Na\u00efve \u20ac shooter", "long_description": ["one", "", "three"],
   "password": "SECRET", "size": 2930000, "uploaded": "2025-03-04T05:06:07Z",
   "last_download": "2026-01-02T03:04:05Z", "free": true, "failed_scan": true,
   "downloads": 4000000000, "uploader": "Morgan Reyes"},
  {"area": 1, "name": "PKZ204G.EXE", "description": "PKZIP"}]})";

}  // namespace

TEST(BoardTool, ExportGivesBackEveryImportedField) {
    CScratchDir scratch;
    CBoardAdmin admin(scratch.File("b"));
    admin.Init("x", "y");
    admin.Import(kBoard, "test");
    Json expected = Json::parse(R"({
 "settings": {"name": "Harbour Light", "sysop": "Morgan Reyes", "version": 1, "build": 446},
 "conferences": [{"number": 0, "name": "Main"}, {"number": 3, "name": "Files"}],
 "areas": [{"number": 1, "name": "Utilities", "ftp_dir": "utils"},
           {"number": 7, "name": "Café Games", "ftp_dir": "games"}],
 "languages": [{"number": 0, "name": "DEFAULT"}],
 "users": [{"name": "Morgan Reyes"}],
 "files": [
  {"area": 1, "name": "PKZ204G.EXE", "long_name": "", "description": "PKZIP",
   "long_description": [], "password": "", "size": 0, "uploaded": null,
   "last_download": null, "second_time": null, "free": false, "failed_scan": false,
   "downloads": 0, "uploader": ""},
  {"area": 7, "name": "DOOM19S.ZIP", "long_name": "Doom Shareware 1.9.zip",
   "description": "Naïve € shooter", "long_description": ["one", "", "three"],
   "password": "SECRET", "size": 2930000, "uploaded": "2025-03-04T05:06:07Z",
   "last_download": "2026-01-02T03:04:05Z", "second_time": "2026-01-02T03:04:05Z",
   "free": true, "failed_scan": true, "downloads": 4000000000, "uploader": "Morgan Reyes"}],
 "messages": []})");
    EXPECT_EQ(expected, Json::parse(admin.Export()));

    // An export imports into a fresh board unchanged.
    CBoardAdmin copy(scratch.File("c"));
    copy.Init("", "");
    copy.Import(admin.Export(), "export");
    EXPECT_EQ(admin.Export(), copy.Export());
}

TEST(BoardTool, BadInputIsRefusedAndChangesNothing) {
    CScratchDir scratch;
    CBoardAdmin admin(scratch.File("b"));
    admin.Init("Board", "Sysop");
    admin.Import(kBoard, "test");
    std::string before = admin.Export();
    const std::string longText = std::string(100000, 'x');
    struct Case {
        std::string json;
        const char* problem;
    } cases[] = {
        {R"({"files": [)", "malformed JSON"},
        {R"({"files": [{"area": 2, "name": "X.ZIP"}]})", "area 2"},
        {R"({"areas": [{"number": 2}], "files": [{"area": 2, "name": "X", "size": -1}]})",
         "size must be between"},
        {R"({"files": [{"area": 1, "name": "A", "description": "\u03a9mega"}]})", "Windows-1252"},
        {R"({"files": [{"area": 1, "name": "SIXTEEN_CHARS.ZIP"}]})", "longer than 15"},
        {R"({"files": [{"area": 1, "name": "A", "uploaded": "2026-02-30T00:00:00Z"}]})",
         "ISO 8601"},
        {R"({"files": [{"area": 1, "name": "A", "free": "yes"}]})", "true or false"},
        // Long values are quoted short, control characters escaped.
        {R"({"files": [{"area": 1, "name": "A", "description": "\n\u03a9)" + longText + "\"}]}",
         R"("\nΩxxx)"},
        {R"({"files": [{"area": 1, "name": "A", "uploaded": "\u001b)" + longText + "\"}]}",
         R"("\x1Bxxx)"},
        {R"({"files": ")" + longText + "\x01", "malformed JSON"},
    };
    for (const Case& c : cases) {
        try {
            admin.Import(c.json, "in.json");
            ADD_FAILURE() << "accepted: " << c.json;
        } catch (const CBoardError& e) {
            std::string what = e.what();
            EXPECT_NE(std::string::npos, what.find(c.problem)) << what;
            EXPECT_EQ(0u, what.rfind("in.json: ", 0)) << what;
            EXPECT_EQ(std::string::npos, what.find('\n')) << what;
            EXPECT_LT(what.size(), 400u) << what.substr(0, 400);
        }
    }
    EXPECT_EQ(before, admin.Export());
    EXPECT_THROW(CBoardAdmin(scratch.File("none")).Export(), CBoardError);
    EXPECT_THROW(admin.Init("again", ""), CBoardError);
    EXPECT_THROW(admin.Cat("wc:\\..\\board.db"), CBoardError);
    EXPECT_THROW(admin.Message(0), CBoardError);
}

TEST(BoardTool, CommandLine) {
    CScratchDir scratch;
    std::string b = scratch.File("b");
    ASSERT_EQ(0, Tool(scratch, "init " + b + " --name 'Harbour' --sysop 'Morgan'").status);
    CScratchDir::WriteFile(scratch.File("in.json"), kBoard);
    ASSERT_EQ(0, Tool(scratch, "import " + b + " - <" + scratch.File("in.json")).status);
    ToolRun exp = Tool(scratch, "export " + b);
    ASSERT_EQ(0, exp.status);
    EXPECT_EQ("Harbour Light", Json::parse(exp.out)["settings"]["name"]);

    CScratchDir::WriteFile(scratch.File("bad.json"), "{\"files\": [{\"area\": 9}]");
    ToolRun bad = Tool(scratch, "import " + b + " " + scratch.File("bad.json"));
    EXPECT_NE(0, bad.status);
    EXPECT_EQ(0u,
              bad.err.rfind("quorvane-board: " + scratch.File("bad.json") + ": malformed JSON", 0))
        << bad.err;
    EXPECT_EQ(1, std::count(bad.err.begin(), bad.err.end(), '\n'));

    ToolRun missing = Tool(scratch, "export " + scratch.File("nothing"));
    EXPECT_NE(0, missing.status);
    EXPECT_NE(std::string::npos, missing.err.find("no board at")) << missing.err;
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

TEST(BoardTool, DemoBoardsAreRepeatableAndVaried) {
    CScratchDir scratch;
    CDemoOptions options;
    options.files = 600;
    options.areas = 5;
    options.seed = 42;
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
    int passworded = 0, free = 0, failed = 0, longNames = 0, longDescs = 0, full76 = 0;
    for (const Json& f : demo["files"]) {
        passworded += !f["password"].get<std::string>().empty();
        free += f["free"].get<bool>();
        failed += f["failed_scan"].get<bool>();
        longNames += !f["long_name"].get<std::string>().empty();
        longDescs += !f["long_description"].empty();
        EXPECT_LE(f["name"].get<std::string>().size(), 12u);
        EXPECT_FALSE(f["uploaded"].is_null());
    }
    EXPECT_GT(passworded, 0);
    EXPECT_GT(free, 0);
    EXPECT_GT(failed, 0);
    EXPECT_GT(longNames, 0);
    EXPECT_GT(longDescs, 0);
    (void)full76;
    EXPECT_THROW(one.Demo(options), CBoardError);  // never over an existing board
}

TEST(BoardTool, RisingDemoHasDistinctRisingCounts) {
    CScratchDir scratch;
    CDemoOptions options;
    options.files = 300;
    options.areas = 3;
    options.rising = true;
    CBoardAdmin admin(scratch.File("b"));
    admin.Demo(options);
    Json demo = Json::parse(admin.Export());
    int64_t last = -1;
    for (const Json& f : demo["files"]) {
        EXPECT_GT(f["downloads"].get<int64_t>(), last);
        last = f["downloads"].get<int64_t>();
    }
}
