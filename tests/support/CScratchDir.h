// A temporary directory for one test, removed with its contents afterwards.
#pragma once

#include <string>

class CScratchDir {
public:
    CScratchDir();
    ~CScratchDir();
    CScratchDir(const CScratchDir&) = delete;
    CScratchDir& operator=(const CScratchDir&) = delete;

    // The directory, without a trailing '/'.
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

    static std::string ReadFile(const std::string& path);
    static void WriteFile(const std::string& path, const std::string& bytes);
    // The id of a process that has just ended: staging files named after it are leftovers.
    static int DeadProcessId();

private:
    std::string m_path;
};
