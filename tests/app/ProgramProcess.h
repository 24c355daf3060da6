// Running the built programs as processes of their own, and reading a board from outside.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "config/CConfig.h"
#include "config/COutRec.h"
#include "tests/support/CScratchDir.h"
#include "tests/support/CTestBoard.h"
#include "tests/support/Commands.h"

namespace qvtest {

inline std::string BinDir() {
    const char* dir = std::getenv("QV_BIN_DIR");
    return dir ? dir : ".";
}

inline std::string Board() {
    return BinDir() + "/quorvane-board";
}

// Starts the shell command line `command` in console mode (no display). The stop signals act
// as they should even when this test runs where they are ignored.
inline pid_t Spawn(const std::string& command, const std::string& err = "/dev/null",
                   const std::string& out = "/dev/null") {
    const std::string line = "exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                             command + " 2>" + err + " >" + out;
    const pid_t pid = fork();
    if (pid == 0) {
        for (int sig : {SIGINT, SIGTERM, SIGHUP}) signal(sig, SIG_DFL);
        execl("/bin/sh", "sh", "-c", line.c_str(), nullptr);
        _exit(127);
    }
    return pid;
}

// Polls `ready` until it holds; false after `seconds`.
template <typename Ready>
bool WaitUntil(Ready ready, int seconds = 60) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > end) return false;
        ::usleep(2000);
    }
    return true;
}

// Exit code or 128 + signal; -1 when there is no process, or it still runs after `seconds`
// (then it is killed).
inline int Wait(pid_t pid, int seconds = 600) {
    int status = 0;
    if (pid <= 0) return -1;
    if (!WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, seconds)) {
        ::kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The program with its libraries in a folder of its own, Quorvane.cfg beside it.
class ProgramCopy : public CScratchDir {
public:
    ProgramCopy() {
        std::filesystem::create_directories(File("bin"));
        for (const char* f : {"quorvane", "libwcsrv.so", "libwcsrv2.so"})
            std::filesystem::copy_file(BinDir() + "/" + f, File("bin/") + f);
    }
    std::string Program() const { return File("bin/quorvane"); }
    std::string ConfigPath() const { return File("bin/Quorvane.cfg"); }

    struct Result {
        int status;
        std::string err, out;
    };
    // Runs the copy to its end; `env` goes before it ("VAR=value", "-u VAR" or a wrapper
    // command ending in "--").
    Result Run(const std::string& args, const std::string& env = "") const {
        const int status =
            Wait(Spawn(env + " " + Program() + " " + args, File("stderr.txt"), File("stdout.txt")));
        return {status, ReadFile(File("stderr.txt")), ReadFile(File("stdout.txt"))};
    }
};

// A list definition of `type` named `name` over `areas`, with an internal ZIP `zip` unless
// that is "", the rest defaults.
inline COutRec List(int type, const std::string& name, std::vector<int32_t> areas = {1},
                    const std::string& zip = "") {
    COutRec list;
    list.m_nListType = type;
    list.m_strListName = name;
    list.m_areas = std::move(areas);
    if (!zip.empty()) {
        list.m_zipFiles.emplace_back().m_strZipName = zip;
        list.m_zipFiles.back().m_nZipFlags = ZIP_INTERNAL;
    }
    return list;
}

// A file list with an internal ZIP, a bulletin, a popular message and an indexed HTML list,
// all over areas 1 to 3 and published in area 4 (the demo boards' areas).
inline CConfig FourLists(const std::string& htmlDir, const std::string& headerText) {
    CConfig config;
    config.m_strHeaderLines = headerText;
    COutRec file = List(LIST_FILE, "ALLFILES.TXT", {1, 2, 3}, "ALLFILES.ZIP");
    file.m_nFileArea = 4;  // not covered: the list does not list itself
    COutRec bulletin = List(LIST_BULLETIN, "NEWFILES", {1, 2, 3});
    bulletin.m_strLanguage = "ALL";
    COutRec message = List(LIST_MESSAGE, "Top", {1, 2, 3});
    message.m_nSelection = SEL_POPULAR;
    message.m_nConference = 0;
    message.m_strSubject = "Top ten";
    COutRec html = List(LIST_HTML, "index.html", {1, 2, 3});
    html.m_bIndexed = true;
    html.m_strHtmlDir = htmlDir;
    config.m_lists = {file, bulletin, message, html};
    return config;
}

}  // namespace qvtest
