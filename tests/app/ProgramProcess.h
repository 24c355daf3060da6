// Running the built programs as separate processes on a board of their own, and checking a
// board from outside: the database's integrity and the bytes of its server files.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "config/CConfig.h"
#include "config/COutRec.h"
#include "tests/support/CScratchDir.h"
#include "tests/support/Commands.h"

extern char** environ;

namespace qvtest {

inline std::string BinDir() {
    const char* dir = std::getenv("QV_BIN_DIR");
    return dir ? dir : ".";
}

// Starts `argv` with `env` added to this process's environment (console mode: no display).
inline pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                   const std::string& stderrPath = "/dev/null") {
    std::vector<std::string> vars;
    for (char** e = environ; *e; ++e) {
        const std::string var = *e;
        if (var.rfind("DISPLAY=", 0) == 0 || var.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
            var.rfind("QT_QPA_PLATFORM=", 0) == 0)
            continue;
        vars.push_back(var);
    }
    vars.insert(vars.end(), env.begin(), env.end());
    std::vector<char*> envp, args;
    for (auto& v : vars) envp.push_back(v.data());
    envp.push_back(nullptr);
    std::vector<std::string> copy = argv;
    for (auto& a : copy) args.push_back(a.data());
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    // The stop signals act as they should even when this test runs where they are ignored.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopSignals, sig);
    posix_spawnattr_setsigdefault(&attr, &stopSignals);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, &attr, args.data(), envp.data()) != 0) pid = -1;
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Exit code, or 128 + signal.
inline int Wait(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
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

// As Wait, but a process still running after `seconds` is killed and gives -1.
inline int WaitAtMost(pid_t pid, int seconds) {
    int status = 0;
    if (!WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, seconds)) {
        ::kill(pid, SIGKILL);
        Wait(pid);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

inline int RunToEnd(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                    const std::string& stderrPath = "/dev/null") {
    const pid_t pid = Spawn(argv, env, stderrPath);
    return pid < 0 ? -1 : Wait(pid);
}

// Standard output of a shell command line.
inline std::string Capture(const std::string& command) {
    int status;
    return CommandOutput(command, &status);
}

// The first column of every row of `sql` on the board's database, run after
// kills to read what the killed runs left ("cannot open" or SQLite's message on failure).
inline std::string Query(const std::string& boardDir, const std::string& sql,
                         int flags = SQLITE_OPEN_READONLY) {
    sqlite3* db = nullptr;
    std::string result = "cannot open";
    if (sqlite3_open_v2((boardDir + "/board.db").c_str(), &db, flags, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 10000);
        sqlite3_stmt* stmt = nullptr;
        result.clear();
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
            while (sqlite3_step(stmt) == SQLITE_ROW)
                result.append(static_cast<const char*>(sqlite3_column_blob(stmt, 0)),
                              static_cast<size_t>(sqlite3_column_bytes(stmt, 0)));
        } else {
            result = sqlite3_errmsg(db);
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return result;
}

// "ok", or what SQLite found wrong with the board's database.
inline std::string IntegrityCheck(const std::string& boardDir) {
    return Query(boardDir, "PRAGMA integrity_check", SQLITE_OPEN_READWRITE);
}

// The program with its libraries in a folder of its own, Quorvane.cfg beside it.
class ProgramCopy {
public:
    ProgramCopy() {
        std::filesystem::create_directories(m_dir.File("bin"));
        for (const char* f : {"quorvane", "libwcsrv.so", "libwcsrv2.so"})
            std::filesystem::copy_file(BinDir() + "/" + f, m_dir.File("bin/") + f);
    }
    std::string Program() const { return m_dir.File("bin/quorvane"); }
    std::string ConfigPath() const { return m_dir.File("bin/Quorvane.cfg"); }
    std::string File(const std::string& name) const { return m_dir.File(name); }

    struct Result {
        int status;
        std::string err, out;
    };
    // Runs the copy in console mode through the shell: `env` is put before the program
    // ("VAR=value", "-u VAR" or a wrapper command ending in "--").
    Result Run(const std::string& args, const std::string& env = "") const {
        const std::string err = m_dir.File("stderr.txt"), out = m_dir.File("stdout.txt");
        const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + env +
                                " " + Program() + " " + args + " 2>" + err + " >" + out;
        const int raw = std::system(cmd.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, CScratchDir::ReadFile(err),
                CScratchDir::ReadFile(out)};
    }

private:
    CScratchDir m_dir;
};

// A list definition of `type` named `name` over `areas`, the rest defaults.
inline COutRec List(int type, const std::string& name, std::vector<int32_t> areas = {1}) {
    COutRec list;
    list.m_nListType = type;
    list.m_strListName = name;
    list.m_areas = std::move(areas);
    return list;
}

// A file list with an internal ZIP, a bulletin, a popular message and an indexed HTML list,
// all over areas 1 to 3 and published in area 4 (the demo boards' areas).
inline CConfig FourLists(const std::string& htmlDir, const std::string& headerText) {
    CConfig config;
    config.m_strHeaderLines = headerText;

    COutRec file = List(LIST_FILE, "ALLFILES.TXT", {1, 2, 3});
    file.m_strListDesc = "All files";
    file.m_nFileArea = 4;  // not covered: the list does not list itself
    ZipRec& zip = file.m_zipFiles.emplace_back();
    zip.m_strZipName = "ALLFILES.ZIP";
    zip.m_strZipDesc = "All files, compressed";
    zip.m_nZipFlags = ZIP_INTERNAL;
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

inline std::string Board() {
    return BinDir() + "/quorvane-board";
}

}  // namespace qvtest
