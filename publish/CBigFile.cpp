#include "publish/CBigFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "publish/CFileException.h"

std::unique_ptr<CBigFile> CBigFile::Create(const std::string& path) {
    CFileDescriptor fd = CFileDescriptor::CreateTruncated(path, O_RDWR, 0666);
    if (!fd.IsOpen()) throw CFileException("create", path, errno);
    return std::unique_ptr<CBigFile>(new CBigFile(path, std::move(fd)));
}

CBigFile::~CBigFile() = default;

void CBigFile::Write(const void* data, size_t size) {
    if (!m_fd.IsOpen()) throw CFileException("write", m_path, EBADF);
    if (!m_fd.WriteAll(data, size)) throw CFileException("write", m_path, errno);
}

void CBigFile::Seek(uint64_t position) {
    if (!m_fd.IsOpen() || ::lseek(m_fd.Get(), static_cast<off_t>(position), SEEK_SET) < 0)
        throw CFileException("position in", m_path, m_fd.IsOpen() ? errno : EBADF);
}

uint64_t CBigFile::SeekToEnd() {
    const off_t end = m_fd.IsOpen() ? ::lseek(m_fd.Get(), 0, SEEK_END) : -1;
    if (end < 0) throw CFileException("position in", m_path, m_fd.IsOpen() ? errno : EBADF);
    return static_cast<uint64_t>(end);
}

uint64_t CBigFile::Position() const {
    const off_t pos = m_fd.IsOpen() ? ::lseek(m_fd.Get(), 0, SEEK_CUR) : -1;
    if (pos < 0) throw CFileException("position in", m_path, m_fd.IsOpen() ? errno : EBADF);
    return static_cast<uint64_t>(pos);
}

void CBigFile::Close() {
    // Some file systems only report lost data at close; the archive must not count as made.
    if (!m_fd.Close() && errno != EINTR) throw CFileException("close", m_path, errno);
}
