#include "publish/CExternalCommand.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "config/CCodePage.h"
#include "generate/CStopRequest.h"
#include "io/CFileDescriptor.h"

extern char** environ;

namespace {

// The spawn attributes and file actions, destroyed on every way out.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attr);
    }
    ~SpawnSetup() {
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&actions);
    }
};

int StatusCode(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

// The words go to the file system and to a program of this system: UTF-8, as its file
// names are, not the configuration's Windows-1252.
CExternalCommand::CExternalCommand(const std::string& command)
    : m_words(SplitWords(CCodePage::ToUtf8(Format(command)))) {}

std::string CExternalCommand::Format(const std::string& command) {
    std::string out;
    out.reserve(command.size());
    for (size_t i = 0; i < command.size(); ++i) {
        out.push_back(command[i]);
        if (command[i] == '%' && i + 1 < command.size() && command[i + 1] == '%') ++i;
    }
    return out;
}

std::vector<std::string> CExternalCommand::SplitWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

CExternalCommand::Result CExternalCommand::Run(const std::string& workDir,
                                               std::chrono::milliseconds timeout, int* exitStatus,
                                               std::string* error, const CStopRequest* stop) const {
    if (m_words.empty() || m_words[0].empty()) {
        if (error) *error = "the command line is empty";
        return Result::CouldNotStart;
    }
    std::vector<char*> argv;
    for (const std::string& w : m_words) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);

    SpawnSetup setup;
    // No input and no chatter on our output; errors stay visible. Nothing else inherited.
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);
    posix_spawn_file_actions_addchdir_np(&setup.actions, workDir.c_str());
    // Its own process group, so that a hanging command can be stopped with its children.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&setup.attr, &none);
    posix_spawnattr_setsigdefault(&setup.attr, &defaults);
    posix_spawnattr_setpgroup(&setup.attr, 0);
    posix_spawnattr_setflags(
        &setup.attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &setup.actions, &setup.attr, argv.data(), environ);
    if (rc != 0) {
        if (error) *error = std::string(argv[0]) + ": " + std::strerror(rc);
        return Result::CouldNotStart;
    }

    // Readable when the command ends, so that the run goes on at once rather than at the next
    // look (up to 50 ms later, a fixed cost of every zipped list). Without it (kernels before
    // 5.3) the command is looked at after growing pauses.
    const CFileDescriptor ended(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    auto deadline = std::chrono::steady_clock::now() + timeout;
    auto pause = std::chrono::milliseconds(1);
    bool stopping = false;
    bool killed = false;
    for (;;) {
        // Looked at without reaping: while the command is a zombie its process group id
        // cannot be taken by another process, so the group can still be ended safely.
        siginfo_t info{};
        const int w = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
        if (w == 0 && info.si_pid == pid) {
            // A stopped command may have left children of its own; none may outlive the run.
            if (stopping) ::kill(-pid, SIGKILL);
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            if (exitStatus) *exitStatus = StatusCode(status);
            if (stopping) {
                if (error) *error = std::string(argv[0]) + " was stopped by the cancel";
                return Result::Stopped;
            }
            return killed ? Result::TimedOut : Result::Finished;
        }
        if (w < 0 && errno != EINTR) {
            if (error) *error = std::string("waiting for ") + argv[0] + ": " + std::strerror(errno);
            return Result::Finished;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!stopping && stop && stop->Requested()) {
            // Asked politely first, so that the command can remove its half-made archive.
            ::kill(-pid, SIGTERM);
            stopping = true;
            deadline = now + kStopGrace;
        } else if (now >= deadline && !killed) {
            ::kill(-pid, SIGKILL);
            killed = true;
            if (!stopping && error)
                *error = std::string(argv[0]) + " did not finish in time and was stopped";
        }
        if (ended.IsOpen()) {
            pollfd wait{ended.Get(), POLLIN, 0};
            ::poll(&wait, 1, static_cast<int>(pause.count()));
        } else {
            std::this_thread::sleep_for(pause);
        }
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}
