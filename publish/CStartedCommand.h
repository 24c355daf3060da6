// An external compression command started as soon as its list is written, on a thread of its
// own, so that it runs beside the rest of the run; the list's publishing takes its result
// when the list's turn comes.
#pragma once

#include <chrono>
#include <string>
#include <thread>

#include "generate/IListPublisher.h"
#include "publish/CExternalCommand.h"

class CStopRequest;

class CStartedCommand : public IListPublisher::Started {
public:
    // Starts `command` in `workDir`. Throws std::system_error when no thread can be started.
    CStartedCommand(const std::string& command, std::string workDir,
                    std::chrono::milliseconds timeout, const CStopRequest* stop);
    ~CStartedCommand() override;  // waits for the command
    CStartedCommand(const CStartedCommand&) = delete;
    CStartedCommand& operator=(const CStartedCommand&) = delete;

    // Waits for the command; as CExternalCommand::Run.
    CExternalCommand::Result Wait(int* exitStatus, std::string* error);

private:
    CExternalCommand m_command;
    std::string m_workDir;
    CExternalCommand::Result m_result = CExternalCommand::Result::Finished;
    int m_exitStatus = 0;
    std::string m_error;
    std::thread m_thread;
};
