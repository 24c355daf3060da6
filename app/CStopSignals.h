// For the life of the scope, SIGINT, SIGTERM and SIGHUP (Ctrl+C, systemd or `timeout`, a
// closed terminal) ask the run to stop instead of ending the process, so that the run can
// end its compression command and remove its temporary files. The handler only writes the
// signal's number to a pipe, which is safe in a signal handler; a thread of its own reads
// the pipe and calls `onStop`, which may take locks. A signal that was ignored when the
// program started (nohup, a background job of a script) stays ignored.
#pragma once

#include <signal.h>

#include <functional>
#include <thread>

class CStopSignals {
public:
    explicit CStopSignals(std::function<void()> onStop);
    // Puts the previous handlers back; `onStop` is not called after this returns.
    ~CStopSignals();
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

    void Watch();

    std::function<void()> m_onStop;
    int m_pipe[2] = {-1, -1};
    std::thread m_thread;
    struct sigaction m_previous[3] = {};
    bool m_installed[3] = {};
};
