#include "io/CFileSink.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

std::unique_ptr<CFileSink> CFileSink::Create(const std::string& path, std::string* error) {
    CFileDescriptor fd = CFileDescriptor::CreateTruncated(path, O_WRONLY, 0644);
    if (!fd.IsOpen()) {
        if (error) *error = "cannot create " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<CFileSink>(new CFileSink(std::move(fd), path));
}

bool CFileSink::Write(const char* data, size_t size) {
    if (!m_fd.IsOpen()) return false;
    if (m_fd.WriteAll(data, size)) return true;
    m_error = "cannot write " + m_path + ": " + std::strerror(errno);
    return false;
}

bool CFileSink::Close() {
    if (!m_fd.IsOpen()) return m_error.empty();
    if (m_fd.Close()) return true;
    m_error = "cannot write " + m_path + ": " + std::strerror(errno);
    return false;
}
