#include "publish/CExternalCommand.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "config/CCodePage.h"

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
                                               std::string* error) const {
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

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            if (exitStatus) *exitStatus = StatusCode(status);
            return Result::Finished;
        }
        if (done < 0 && errno != EINTR) {
            if (error) *error = std::string("waiting for ") + argv[0] + ": " + std::strerror(errno);
            return Result::Finished;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(-pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            if (exitStatus) *exitStatus = StatusCode(status);
            if (error) *error = std::string(argv[0]) + " did not finish in time and was stopped";
            return Result::TimedOut;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}
