#include "io/CFileDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

CFileDescriptor::CFileDescriptor(const std::string& path, int flags, unsigned mode)
    : m_fd(::open(path.c_str(), flags | O_CLOEXEC, static_cast<mode_t>(mode))) {}

CFileDescriptor CFileDescriptor::CreateTruncated(const std::string& path, int flags,
                                                 unsigned mode) {
    CFileDescriptor fd(path, flags | O_CREAT, mode);
    struct stat st {};
    if (fd.IsOpen() && (::fstat(fd.Get(), &st) != 0 || st.st_size != 0) &&
        ::ftruncate(fd.Get(), 0) != 0) {
        const int why = errno;
        fd.Close();
        errno = why;
    }
    return fd;
}

CFileDescriptor::~CFileDescriptor() {
    if (m_fd >= 0) ::close(m_fd);
}

CFileDescriptor::CFileDescriptor(CFileDescriptor&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)) {}

CFileDescriptor& CFileDescriptor::operator=(CFileDescriptor&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

bool CFileDescriptor::WriteAll(const void* data, size_t size) const {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

long CFileDescriptor::Read(void* buffer, size_t size) const {
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, size);
        if (n >= 0 || errno != EINTR) return static_cast<long>(n);
    }
}

bool CFileDescriptor::Close() {
    if (m_fd < 0) return true;
    return ::close(std::exchange(m_fd, -1)) == 0;
}
