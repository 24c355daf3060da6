// Owns one POSIX file descriptor: closed when the owner goes, unless Close() was called to
// learn whether the close lost data.
#pragma once

#include <cstddef>
#include <string>

class CFileDescriptor {
public:
    CFileDescriptor() = default;
    explicit CFileDescriptor(int fd) : m_fd(fd) {}
    // ::open with O_CLOEXEC added; not open (errno set) when that fails.
    CFileDescriptor(const std::string& path, int flags, unsigned mode = 0);
    // ::open with O_CREAT | O_TRUNC (and O_CLOEXEC), except that a file that is empty already
    // is not truncated: ext4 writes out at close a file truncated to nothing (its guard for
    // files replaced that way), which would send every temporary file of a run to the disk.
    static CFileDescriptor CreateTruncated(const std::string& path, int flags, unsigned mode);
    ~CFileDescriptor();
    CFileDescriptor(CFileDescriptor&& other) noexcept;
    CFileDescriptor& operator=(CFileDescriptor&& other) noexcept;
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    int Get() const { return m_fd; }

    // Writes every byte, going on after interrupted and short writes. False (errno set) on
    // an error; a write that makes no progress counts as ENOSPC.
    bool WriteAll(const void* data, size_t size) const;
    // Reads up to `size` bytes, going on after interrupted reads; -1 (errno set) on an error.
    long Read(void* buffer, size_t size) const;
    // Closes now; false (errno set) when the close reported an error. Nothing happens when
    // the descriptor is not open.
    bool Close();

private:
    int m_fd = -1;
};
