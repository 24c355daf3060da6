#include "app/CStopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <iterator>
#include <system_error>

namespace {

// The pipe's write end for the handler; -1 while no scope is active.
std::atomic<int> g_signalPipe{-1};
// Handlers under way on any thread: the scope's end waits for them before it closes the
// pipe, so that a late signal never writes to a closed (or already reused) descriptor.
std::atomic<int> g_handlersRunning{0};

void OnSignal(int signo) {
    const int saved = errno;
    g_handlersRunning.fetch_add(1);
    const int fd = g_signalPipe.load();
    const unsigned char byte = static_cast<unsigned char>(signo);
    if (fd >= 0 && ::write(fd, &byte, 1) < 0) {
        // A full pipe already holds a stop request.
    }
    g_handlersRunning.fetch_sub(1);
    errno = saved;
}

}  // namespace

CStopSignals::CStopSignals(std::function<void()> onStop) : m_onStop(std::move(onStop)) {
    if (::pipe2(m_pipe, O_CLOEXEC) != 0) return;
    ::fcntl(m_pipe[1], F_SETFL, O_NONBLOCK);
    try {
        m_thread = std::thread([this] { Watch(); });
    } catch (const std::system_error&) {
        // Without a thread to call `onStop` the signals keep their usual effect.
        return;
    }
    g_signalPipe = m_pipe[1];
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        if (::sigaction(kSignals[i], nullptr, &m_previous[i]) != 0 ||
            m_previous[i].sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        m_installed[i] = ::sigaction(kSignals[i], &action, nullptr) == 0;
    }
}

CStopSignals::~CStopSignals() {
    for (size_t i = 0; i < std::size(kSignals); ++i)
        if (m_installed[i]) ::sigaction(kSignals[i], &m_previous[i], nullptr);
    g_signalPipe = -1;
    while (g_handlersRunning.load() != 0) std::this_thread::yield();
    if (m_thread.joinable()) {
        const unsigned char end = 0;
        while (::write(m_pipe[1], &end, 1) < 0 && (errno == EINTR || errno == EAGAIN)) {
        }
        m_thread.join();
    }
    for (int fd : m_pipe)
        if (fd >= 0) ::close(fd);
}

void CStopSignals::Watch() {
    for (;;) {
        unsigned char byte = 0;
        const ssize_t n = ::read(m_pipe[0], &byte, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || byte == 0) return;
        m_onStop();
    }
}
