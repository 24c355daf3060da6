// quorvane-config: the configuration file as JSON and back.
//   dump [CFG]        the configuration as JSON on stdout
//   build JSON [CFG]  writes CFG (current format) from JSON, "-" = stdin; replaces CFG atomically
// Without CFG, the file the program would read ($QUORVANE_CONFIG, else the build's default).
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "QvBuild.h"
#include "config/CConfigFile.h"
#include "tools/config/CConfigJson.h"

namespace {

// Exit statuses, as the program itself uses them for a configuration it cannot read.
constexpr int kFailed = 1;
constexpr int kUnknownVersion = 1;
constexpr int kDamaged = 3;

int Fail(const std::string& message) {
    std::cerr << "quorvane-config: " << message << "\n";
    return kFailed;
}

int Dump(const std::string& path) {
    CConfig config;
    std::string error;
    switch (CConfigFile::Load(path, config, &error)) {
        case CConfigFile::LoadResult::Loaded:
            break;
        case CConfigFile::LoadResult::Missing:
            return Fail(error);
        case CConfigFile::LoadResult::UnknownVersion:
            std::cerr << "quorvane-config: " << error << "\n";
            return kUnknownVersion;
        case CConfigFile::LoadResult::Damaged:
            std::cerr << "quorvane-config: " << error << "\n";
            return kDamaged;
    }
    std::cout << CConfigJson::ToJson(config).dump(2) << "\n";
    std::cout.flush();
    return std::cout ? 0 : Fail("could not write to standard output");
}

int Build(const std::string& jsonPath, const std::string& path) {
    std::string text;
    const std::string source = jsonPath == "-" ? "standard input" : jsonPath;
    if (jsonPath == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), {});
    } else {
        std::ifstream in(jsonPath, std::ios::binary);
        if (!in) return Fail("cannot read " + jsonPath + "; check the name");
        text.assign(std::istreambuf_iterator<char>(in), {});
        if (in.bad()) return Fail("cannot read " + jsonPath);
    }
    CConfig config;
    std::string error;
    if (!CConfigJson::FromText(text, &config, &error)) {
        return Fail(source + ": " + error + "; nothing was written");
    }
    if (!CConfigFile::Save(path, config, &error)) return Fail(error);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Dumps and builds the Quorvane configuration file (Quorvane.cfg) as JSON."};
    app.set_version_flag("--version", std::string("quorvane-config ") + QV_VERSION);
    app.require_subcommand(1);

    std::string dumpPath;
    CLI::App* dump = app.add_subcommand("dump", "Write the configuration as JSON to stdout");
    dump->add_option("CFG", dumpPath,
                     "configuration file (default: $QUORVANE_CONFIG, else the program's own)");

    std::string jsonPath, buildPath;
    CLI::App* build =
        app.add_subcommand("build", "Write a configuration file from JSON, replacing it");
    build->add_option("JSON", jsonPath, "JSON file, or - for standard input")->required();
    build->add_option("CFG", buildPath, "configuration file to write (default as for dump)");

    CLI11_PARSE(app, argc, argv);
    // The file the program itself would read.
    for (std::string* path : {&dumpPath, &buildPath})
        if (path->empty()) *path = CConfigFile::DefaultPath();
    if (*dump) return Dump(dumpPath);
    return Build(jsonPath, buildPath);
}
