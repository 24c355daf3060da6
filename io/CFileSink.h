// A byte sink over a POSIX file descriptor.
#pragma once

#include <memory>
#include <string>

#include "io/CFileDescriptor.h"
#include "io/IByteSink.h"

class CFileSink : public IByteSink {
public:
    // Creates or truncates `path` for writing; null with `error` set when that fails.
    static std::unique_ptr<CFileSink> Create(const std::string& path, std::string* error);

    bool Write(const char* data, size_t size) override;
    bool Close() override;
    std::string Error() const override { return m_error; }

private:
    CFileSink(CFileDescriptor fd, std::string path)
        : m_fd(std::move(fd)), m_path(std::move(path)) {}
    CFileDescriptor m_fd;
    std::string m_path;
    std::string m_error;
};
