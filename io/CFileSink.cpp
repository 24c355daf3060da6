#include "io/CFileSink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

std::unique_ptr<CFileSink> CFileSink::Create(const std::string& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error) *error = "cannot create " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<CFileSink>(new CFileSink(fd, path));
}

CFileSink::~CFileSink() {
    if (m_fd >= 0) ::close(m_fd);
}

bool CFileSink::Write(const char* data, size_t size) {
    if (m_fd < 0) return false;
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            m_error = "cannot write " + m_path + ": " + std::strerror(errno);
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool CFileSink::Close() {
    if (m_fd < 0) return m_error.empty();
    const int rc = ::close(m_fd);
    m_fd = -1;
    if (rc != 0) {
        m_error = "cannot write " + m_path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
