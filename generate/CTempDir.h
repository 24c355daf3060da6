// One private directory per run (mode 0700), removed with everything in it at the end.
#pragma once

#include <string>

class CTempDir {
public:
    CTempDir() = default;
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    // Makes the directory under $TMPDIR (or /tmp), first removing those of dead runs; false
    // with `error` set on failure.
    bool Create(std::string* error);
    // The directory, ending in '/'; empty before Create.
    const std::string& Path() const { return m_path; }

    // A new, empty file "QVN<process>-<n>.tmp" in `dir` (which ends in '/'), created
    // exclusively, its name unique among the runs of this machine; returns its full path,
    // or empty when no file could be made.
    static std::string UniqueFile(const std::string& dir, const char* prefix = "QVN");

    // Whether `name` is `prefix` + "<process id>" + `separator` + ..., left by a process that no
    // longer runs: a staging file or directory that nobody will finish.
    static bool LeftByDeadRun(const std::string& name, const std::string& prefix, char separator);

private:
    std::string m_path;
};
