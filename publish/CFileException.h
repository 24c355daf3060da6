// A file that cannot be created, read, written or positioned: the system error and the path.
#pragma once

#include <stdexcept>
#include <string>

class CFileException : public std::runtime_error {
public:
    // `action` is a verb for the message ("create", "write"...); `error` an errno value.
    CFileException(const std::string& action, std::string path, int error);

    int Errno() const { return m_nErrno; }
    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
    int m_nErrno;
};
