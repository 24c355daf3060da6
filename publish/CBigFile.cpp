#include "publish/CBigFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "publish/CFileException.h"

std::unique_ptr<CBigFile> CBigFile::Create(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw CFileException("create", path, errno);
    return std::unique_ptr<CBigFile>(new CBigFile(path, fd));
}

CBigFile::~CBigFile() {
    if (m_fd >= 0) ::close(m_fd);
}

void CBigFile::Write(const void* data, size_t size) {
    if (m_fd < 0) throw CFileException("write", m_strPath, EBADF);
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw CFileException("write", m_strPath, errno);
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
}

void CBigFile::Seek(uint64_t position) {
    if (m_fd < 0 || ::lseek(m_fd, static_cast<off_t>(position), SEEK_SET) < 0)
        throw CFileException("position in", m_strPath, m_fd < 0 ? EBADF : errno);
}

uint64_t CBigFile::SeekToEnd() {
    const off_t end = m_fd < 0 ? -1 : ::lseek(m_fd, 0, SEEK_END);
    if (end < 0) throw CFileException("position in", m_strPath, m_fd < 0 ? EBADF : errno);
    return static_cast<uint64_t>(end);
}

uint64_t CBigFile::Position() const {
    const off_t pos = m_fd < 0 ? -1 : ::lseek(m_fd, 0, SEEK_CUR);
    if (pos < 0) throw CFileException("position in", m_strPath, m_fd < 0 ? EBADF : errno);
    return static_cast<uint64_t>(pos);
}

void CBigFile::Close() {
    if (m_fd < 0) return;
    const int fd = m_fd;
    m_fd = -1;
    // Some file systems only report lost data at close; the archive must not count as made.
    if (::close(fd) != 0 && errno != EINTR) throw CFileException("close", m_strPath, errno);
}
