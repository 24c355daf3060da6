// A directory under a board's storage/, reached one component at a time without following a
// symbolic link, so that nothing a server path names can lie outside storage/. Reading,
// writing, listing and deleting server files all go through one.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CStorageDir {
public:
    // The directory `parts` names under `root` (storage/ itself for none). `create` makes
    // missing directories (mode 0777 less the umask). A link or non-directory on the way
    // throws CStoragePathError; a missing directory or other failure std::system_error.
    CStorageDir(const std::string& root, const std::vector<std::string>& parts, bool create);
    ~CStorageDir();
    CStorageDir(const CStorageDir&) = delete;
    CStorageDir& operator=(const CStorageDir&) = delete;

    int Fd() const { return m_fd; }
    // The whole contents of the regular file `name`; a link, FIFO, device or directory is
    // refused (CStoragePathError) without blocking. Other failures: std::system_error.
    std::string Read(const std::string& name) const;
    // Read() of the file a server path names under `root`.
    static std::string ReadFile(const std::string& root, const std::string& serverPath);
    // The directories of a server path that names a file, and (the result) the file's name.
    static std::string SplitFile(const std::string& serverPath, std::vector<std::string>* dirs);
    // Files below this directory, recursively, as (path relative to it, size), links and
    // staging files left out. Throws std::system_error.
    void List(const std::function<void(const std::string&, uint64_t)>& found) const;
    // Staging files of the server library left by a process that no longer runs, in this
    // directory only (`recursive` = and below), as paths relative to it; `remove` deletes them.
    std::vector<std::string> DeadStaging(bool recursive, bool remove) const;

    // The process of a staging file named `prefix` + "<pid>-...", or 0 when it has none.
    static pid_t StagingOwner(const std::string& name, const std::string& prefix);
    // Whether `pid` (non-zero) still runs on this machine.
    static bool Running(pid_t pid);

private:
    explicit CStorageDir(int fd) : m_fd(fd) {}
    int m_fd = -1;
    std::string m_path;
};
