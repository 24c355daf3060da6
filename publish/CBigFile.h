// The archive file of the ZIP writer: write, 64-bit positioning, close; every failure is a
// CFileException. Tests derive from it to write an archive into memory or to fail half-way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "io/CFileDescriptor.h"

class CBigFile {
public:
    // Creates or truncates `path` for reading and writing; throws CFileException.
    static std::unique_ptr<CBigFile> Create(const std::string& path);

    virtual ~CBigFile();  // closes without reporting; call Close() to learn of lost data
    CBigFile(const CBigFile&) = delete;
    CBigFile& operator=(const CBigFile&) = delete;

    virtual void Write(const void* data, size_t size);
    virtual void Seek(uint64_t position);
    // Moves to the end and returns that position.
    virtual uint64_t SeekToEnd();
    virtual uint64_t Position() const;
    // Flushes to disk and closes; a second call does nothing.
    virtual void Close();

    const std::string& Path() const { return m_path; }

protected:
    // Takes over `fd` (-1 for none).
    CBigFile(std::string path, int fd) : CBigFile(std::move(path), CFileDescriptor(fd)) {}
    CBigFile(std::string path, CFileDescriptor fd) : m_path(std::move(path)), m_fd(std::move(fd)) {}

private:
    std::string m_path;
    CFileDescriptor m_fd;
};
