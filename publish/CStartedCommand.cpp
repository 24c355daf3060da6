#include "publish/CStartedCommand.h"

CStartedCommand::CStartedCommand(const std::string& command, std::string workDir,
                                 std::chrono::milliseconds timeout, const CStopRequest* stop)
    : m_command(command), m_workDir(std::move(workDir)) {
    m_thread = std::thread([this, timeout, stop] {
        m_result = m_command.Run(m_workDir, timeout, &m_exitStatus, &m_error, stop);
    });
}

CStartedCommand::~CStartedCommand() {
    if (m_thread.joinable()) m_thread.join();
}

CExternalCommand::Result CStartedCommand::Wait(int* exitStatus, std::string* error) {
    if (m_thread.joinable()) m_thread.join();
    if (exitStatus) *exitStatus = m_exitStatus;
    if (error) *error = m_error;
    return m_result;
}
