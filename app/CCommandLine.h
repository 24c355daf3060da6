// The command line: long options first (CLI11), then the switches "/C", "/I", "/S" as plain
// substring tests on the upper-cased rest, so that an option's value such as "/srv/cfg"
// never reads as a switch.
#pragma once

#include <string>
#include <vector>

#include "generate/RunOptions.h"

class CCommandLine {
public:
    enum class Action { Run, Help, Version, UsageError };

    CCommandLine(int argc, char** argv);
    // The arguments after the program name.
    explicit CCommandLine(const std::vector<std::string>& args);

    Action GetAction() const { return m_action; }
    // The usage text (Help), the version line (Version) or what is wrong (UsageError).
    const std::string& Text() const { return m_text; }

    bool Configure() const { return Has("/C"); }
    bool NoCounterImage() const { return !Configure() && Has("/I"); }
    bool Slow() const { return !Configure() && Has("/S"); }

    // --config and --board; empty when not given.
    const std::string& ConfigPath() const { return m_configPath; }
    const std::string& BoardDir() const { return m_boardDir; }
    // "/S", --list and --preview as the generation run takes them.
    RunOptions GetRunOptions() const;

private:
    void Parse(std::vector<std::string> args);
    bool Has(const char* sw) const { return m_upper.find(sw) != std::string::npos; }

    Action m_action = Action::Run;
    std::string m_text;
    std::string m_upper;
    std::string m_configPath;
    std::string m_boardDir;
    std::vector<std::string> m_lists;
    std::string m_previewDir;
};
