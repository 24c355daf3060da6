// quorvane-config, run as built, and the JSON mapping behind it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/CScratchDir.h"
#include "tests/support/Commands.h"
#include "tools/config/CConfigJson.h"

using namespace std::string_literals;

namespace {

struct ToolRun {
    int status;
    std::string out;
};

// Runs quorvane-config with `args` (already quoted for the shell); stderr goes to `errFile`.
ToolRun Tool(const std::string& args, const std::string& errFile) {
    int status = -1;
    std::string out = CommandOutput(std::string(std::getenv("QV_BIN_DIR")) + "/quorvane-config " +
                                        args + " 2>'" + errFile + "'",
                                    &status);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string DataPath(const std::string& name) {
    return std::string(std::getenv("QV_SOURCE_DIR")) + "/tests/config/data/" + name;
}

}  // namespace

// data/two-lists.json sets a few keys in UTF-8; data/two-lists-dump.json is its dump, worked out
// by hand: every stored field, the defaults of a new definition in the others.
TEST(ConfigTool, BuildThenDumpRoundTrip) {
    CScratchDir dir;
    const std::string cfg = dir.File("Quorvane.cfg");
    const std::string err = dir.File("err");
    ToolRun run = Tool("build '" + DataPath("two-lists.json") + "' '" + cfg + "'", err);
    ASSERT_EQ(run.status, 0) << CScratchDir::ReadFile(err);
    // The file holds Windows-1252.
    const std::string before = CScratchDir::ReadFile(cfg);
    for (const char* text : {"Caf\xE9 \x80", "na\xEFve", "/caf\xE9"})
        EXPECT_NE(before.find(text), std::string::npos) << text;

    run = Tool("dump '" + cfg + "'", err);
    ASSERT_EQ(run.status, 0) << CScratchDir::ReadFile(err);
    EXPECT_EQ(nlohmann::json::parse(run.out),
              nlohmann::json::parse(CScratchDir::ReadFile(DataPath("two-lists-dump.json"))));

    // Feeding the dump back through stdin gives the same file.
    CScratchDir::WriteFile(dir.File("in.json"), run.out);
    run = Tool("build - '" + cfg + "' <'" + dir.File("in.json") + "'", err);
    ASSERT_EQ(run.status, 0) << CScratchDir::ReadFile(err);
    EXPECT_EQ(CScratchDir::ReadFile(cfg), before);
}

TEST(ConfigTool, RefusesBadInputAndWritesNothing) {
    CScratchDir dir;
    const std::string json = dir.File("in.json");
    const std::string cfg = dir.File("Quorvane.cfg");
    const std::string err = dir.File("err");
    CScratchDir::WriteFile(cfg, "\x00\x00\x00\x00\x03old"s);
    // Neither a number beyond every JSON number type nor nesting deeper than any configuration
    // ends the tool; long values and keys are quoted short and escaped.
    std::vector<std::pair<std::string, std::string>> cases = {
        {R"({"lists": [)" + std::string(100000, '[') + std::string(100000, ']') + "]}",
         "nest more than 16 levels"},
        {R"({"lists": [{"days": "\u001b[2J)" + std::string(100000, 'x') + R"("}]})",
         R"(got "\x1B[2Jxxx)"},
        {R"({")" + std::string(100000, 'k') + R"(": 1})", "kkk...: unknown key"},
        {R"({"headerLines": ")" + std::string(100000, 'x') + "\x01\"}", "last read: '\"xxx"},
    };
    std::istringstream rows(CScratchDir::ReadFile(DataPath("refused.tsv")));
    for (std::string row; std::getline(rows, row);)
        if (row[0] != '#')
            cases.emplace_back(row.substr(row.find('\t') + 1), row.substr(0, row.find('\t')));
    for (const auto& [text, expected] : cases) {
        CScratchDir::WriteFile(json, text);
        const ToolRun run = Tool("build '" + json + "' '" + cfg + "'", err);
        EXPECT_NE(run.status, 0) << text;
        const std::string message = CScratchDir::ReadFile(err);
        EXPECT_NE(message.find(expected), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), message.size() - 1) << "one line: " << message;
        EXPECT_LT(message.size(), 400u) << message.substr(0, 400);
        EXPECT_EQ(CScratchDir::ReadFile(cfg), "\x00\x00\x00\x00\x03old"s);
    }

    // Files it cannot read ("" = none): named, non-zero, nothing on stdout.
    const std::tuple<std::string, int, std::string> unreadable[] = {
        {"\x01\x00\x00\x00\x00\x00\xC0\x3F"s + std::string(70, '\0'), 1, "version 1.5"},
        {"\x02\x00\x00\x00\x00"s, 3, cfg + " is damaged"},
        {"", 1, cfg},
    };
    for (const auto& [bytes, status, message] : unreadable) {
        std::filesystem::remove(cfg);
        if (!bytes.empty()) CScratchDir::WriteFile(cfg, bytes);
        const ToolRun run = Tool("dump '" + cfg + "'", err);
        EXPECT_EQ(run.status, status) << message;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(CScratchDir::ReadFile(err).find(message), std::string::npos);
    }
}
