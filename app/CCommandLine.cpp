#include "app/CCommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>

#include "QvBuild.h"

namespace {

constexpr const char* kSwitches =
    "Switches (either case, anywhere in the command line):\n"
    "  /C    open the configuration dialog (needs a display)\n"
    "  /I    HTML pages without the counter image\n"
    "  /S    pause 1 ms per file record, to go easy on a busy board\n"
    "Without a switch, every configured list is made and published.\n";

}  // namespace

CCommandLine::CCommandLine(int argc, char** argv)
    : CCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc)) {}

CCommandLine::CCommandLine(const std::vector<std::string>& args) {
    Parse(args);
}

void CCommandLine::Parse(std::vector<std::string> args) {
    CLI::App app{"Makes the file lists of a bulletin board and publishes them into it.",
                 "quorvane"};
    app.set_help_flag("-h,--help", "Show this text and exit");
    app.set_version_flag("--version", std::string("quorvane ") + QV_VERSION);
    app.add_option("--config", m_configPath, "The configuration file to use")->type_name("FILE");
    app.add_option("--board", m_boardDir, "The board directory")->type_name("DIR");
    app.add_option("--list", m_lists, "Make and publish only this list (repeatable)")
        ->type_name("NAME")
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--preview", m_previewDir,
                   "Publish nothing; write each list under DIR/<list name>/")
        ->type_name("DIR");
    app.footer(kSwitches);
    // Everything that is no long option is left for the switches' substring test.
    app.allow_extras();

    std::reverse(args.begin(), args.end());  // CLI11 takes them last first
    try {
        app.parse(args);
    } catch (const CLI::CallForHelp&) {
        m_action = Action::Help;
        m_text = app.help();
        while (!m_text.empty() && m_text.back() == '\n') m_text.pop_back();
        return;
    } catch (const CLI::CallForVersion&) {
        m_action = Action::Version;
        m_text = app.version();
        return;
    } catch (const CLI::ParseError& e) {
        m_action = Action::UsageError;
        m_text = e.what();
        return;
    }

    std::string rest;
    for (const std::string& arg : app.remaining()) {
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            m_action = Action::UsageError;
            m_text = "unknown option " + arg;
            return;
        }
        if (!rest.empty()) rest += ' ';
        rest += arg;
    }
    m_upper = rest;
    for (char& c : m_upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

RunOptions CCommandLine::GetRunOptions() const {
    RunOptions options;
    options.slowMs = Slow() ? 1 : 0;
    options.lists = m_lists;
    options.previewDir = m_previewDir;
    options.noCounterImage = NoCounterImage();
    return options;
}
