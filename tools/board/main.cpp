// quorvane-board: administration of a board directory (the stand-in server's data).
#include <CLI/CLI.hpp>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>

#include "QvBuild.h"
#include "tools/board/CBoardAdmin.h"
#include "tools/board/CBoardError.h"

namespace {

std::string ReadInput(const std::string& path) {
    std::istream* in = &std::cin;
    std::ifstream file;
    if (path != "-") {
        file.open(path, std::ios::binary);
        if (!file) throw CBoardError("cannot read " + path + " (check the file name)");
        in = &file;
    }
    std::string text((std::istreambuf_iterator<char>(*in)), std::istreambuf_iterator<char>());
    if (in->bad()) throw CBoardError("cannot read " + path);
    return text;
}

void WriteRaw(const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    if (std::fflush(stdout) != 0) throw CBoardError("cannot write to standard output");
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Administration of a Quorvane board (the stand-in server's data)",
                 "quorvane-board"};
    app.set_version_flag("--version", std::string("quorvane-board ") + QV_VERSION);
    app.require_subcommand(1);
    std::string board, name = "Quorvane Board", sysop = "Sysop", input, serverPath;
    int64_t messageNo = 0;
    CDemoOptions demo;

    auto* init = app.add_subcommand("init", "Create an empty board");
    init->add_option("BOARD", board, "Board directory")->required();
    init->add_option("--name", name, "Board name");
    init->add_option("--sysop", sysop, "Operator name");

    auto* import = app.add_subcommand("import", "Add the records of board JSON ('-' = stdin)");
    import->add_option("BOARD", board, "Board directory")->required();
    import->add_option("FILE", input, "JSON file, or - for standard input")->required();

    auto* exportCmd = app.add_subcommand("export", "Print the whole board as JSON");
    exportCmd->add_option("BOARD", board, "Board directory")->required();

    auto* ls = app.add_subcommand("ls", "List the server files (path, tab, size)");
    ls->add_option("BOARD", board, "Board directory")->required();
    ls->add_option("SERVER-DIR", serverPath, "Server directory, e.g. wc:\\bull\\");

    auto* cat = app.add_subcommand("cat", "Print the raw bytes of a server file");
    cat->add_option("BOARD", board, "Board directory")->required();
    cat->add_option("SERVER-PATH", serverPath, "Server path, e.g. wc:\\bull\\FILES.TXT")
        ->required();

    auto* check = app.add_subcommand("check", "Look for damage in the board (status 1 if any)");
    check->add_option("BOARD", board, "Board directory")->required();

    auto* message = app.add_subcommand("message", "Print the raw body of message N");
    message->add_option("BOARD", board, "Board directory")->required();
    message->add_option("N", messageNo, "Message number, 0 = first posted")->required();

    auto* demoCmd = app.add_subcommand("demo", "Create a board full of believable data");
    demoCmd->add_option("BOARD", board, "Board directory")->required();
    demoCmd->add_option("--files", demo.files, "Number of file records")->capture_default_str();
    demoCmd->add_option("--areas", demo.areas, "Number of file areas")
        ->check(CLI::Range(1, 100000))
        ->capture_default_str();
    demoCmd->add_option("--seed", demo.seed, "Seed of the generated data")->capture_default_str();
    demoCmd->add_flag("--rising", demo.rising,
                      "Download counts rising along key order, all distinct");
    demoCmd->add_option("--until", demo.until,
                        "Unix time of the latest upload (default: a moment of 2026 chosen by "
                        "the seed); uploads span the two years before it");

    CScanOptions scan;
    auto* scanCmd = app.add_subcommand(
        "scan", "Mirror a tree of files into the board: each folder in DIR one file area");
    scanCmd->add_option("BOARD", board, "Board directory")->required();
    scanCmd->add_option("DIR", scan.dir, "Folder holding one folder per file area")->required();
    scanCmd->add_option("--areas", scan.areasMap,
                        "JSON map of fixed areas: [{\"number\": 3, \"name\": \"Utilities\", "
                        "\"dir\": \"utils\"}]");
    scanCmd->add_option("--uploader", scan.uploader, "Uploader name of new records");
    scanCmd->add_flag("--remove-missing", scan.removeMissing,
                      "Remove the records of files no longer in the tree");
    scanCmd->add_option("--web-root", scan.webRoot,
                        "Link W/file/area<N> to each area's folder for a web server");
    scanCmd->add_flag("--dry-run", scan.dryRun, "Print the summary, write nothing");

    CLI11_PARSE(app, argc, argv);
    try {
        CBoardAdmin admin(board);
        if (*init) {
            admin.Init(name, sysop);
        } else if (*import) {
            admin.Import(ReadInput(input), input == "-" ? "standard input" : input);
        } else if (*exportCmd) {
            WriteRaw(admin.Export());
        } else if (*ls) {
            std::string out;
            for (const auto& [path, size] : admin.List(serverPath))
                out += path + "\t" + std::to_string(size) + "\n";
            WriteRaw(out);
        } else if (*cat) {
            WriteRaw(admin.Cat(serverPath));
        } else if (*check) {
            std::string report;
            const bool sound = admin.Check(&report);
            WriteRaw(report);
            if (!sound) return 1;
        } else if (*message) {
            WriteRaw(admin.Message(messageNo));
        } else if (*demoCmd) {
            admin.Demo(demo);
        } else if (*scanCmd) {
            CScanSummary summary = admin.Scan(scan, std::cerr);
            WriteRaw(summary.Line(scan.dryRun) + "\n");
            return summary.skipped > 0 ? 1 : 0;
        }
    } catch (const CBoardError& e) {
        std::cerr << "quorvane-board: " << e.what() << "\n";
        return *scanCmd ? 2 : 1;  // a failed scan is told apart from one that skipped files
    } catch (const std::exception& e) {
        std::cerr << "quorvane-board: unexpected failure: " << e.what() << "\n";
        return *scanCmd ? 2 : 1;
    }
    return 0;
}
