// Start-up: command line, locale, configuration, login, then exactly one run mode.
#pragma once

#include <string>

#include "app/CCommandLine.h"
#include "config/CConfig.h"
#include "generate/IRunObserver.h"

class IFrontEnd;

class CFileListApp {
public:
    // Process exit statuses.
    enum Status {
        kFinished = 0,
        kUnknownVersion = 1,
        kNoServer = 2,
        kDamagedConfig = 3,
        kListsFailed = 4,
        kCancelled = 5,
        kUsage = 64
    };

    // Without a front end (no display) the run reports on the terminal.
    CFileListApp(int argc, char** argv, IFrontEnd* frontEnd);
    ~CFileListApp();
    // The whole run; returns the exit status.
    int InitInstance();

    // A display is there when DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM is set.
    static bool HasDisplay();

private:
    int RunConfiguration(const std::string& configPath);
    int RunGeneration(const RunOptions& options);
    // The --list names as the configuration stores them; false (after saying which lists
    // there are) when one names no list.
    bool FindLists(RunOptions& options) const;
    // A message box with a display, a line on stderr without.
    void Report(const std::string& text, MessageIcon icon);

    CCommandLine m_commandLine;
    IFrontEnd* m_frontEnd;
    CConfig m_config;
};
