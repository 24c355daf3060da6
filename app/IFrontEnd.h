// What a run shows in windows when there is a display: the Qt front end implements it; without
// one the run reports on the terminal and needs no Qt at all.
#pragma once

#include <string>
#include <vector>

#include "generate/CMakeListThread.h"
#include "generate/IRunObserver.h"

class CConfig;

class IFrontEnd {
public:
    struct RunResult {
        CMakeListThread::Outcome outcome = CMakeListThread::Outcome::Finished;
        std::vector<std::string> failed;
    };

    virtual ~IFrontEnd() = default;
    virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
    // The board could not be opened, so "/C" has nothing to edit; `where` is its directory.
    virtual void ShowNoBoard(const std::string& where) = 0;
    // The configuration dialog; OK saves to `configPath`.
    virtual void EditConfiguration(CConfig& config, const std::string& configPath) = 0;
    // The generation run under the progress dialog.
    virtual RunResult RunWithProgress(const CConfig& config, const RunOptions& options) = 0;
};
