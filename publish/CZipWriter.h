// Writes a new single-volume ZIP archive: deflated entries, a central directory and an
// archive comment. Errors are thrown: CZipException (zlib, names, sizes) or CFileException
// (the archive or an input file could not be created, read, written or positioned). After
// a throw the archive is broken: Close() then throws the same error again instead of
// finishing it, so a damaged archive is never reported as made.
#pragma once

#include <sys/stat.h>
#include <zlib.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "io/CBackgroundDeflater.h"
#include "publish/CBigFile.h"
#include "publish/CZipEntryHeader.h"

class CZipWriter {
public:
    static constexpr size_t kWriteBufferSize = 65535;
    static constexpr size_t kOutputBufferSize = 16384;
    static constexpr size_t kMaxEntries = 65535;
    static constexpr size_t kMaxComment = 65535;

    CZipWriter() = default;
    // Frees what zlib still holds. Does not finish the archive: one not closed stays partial.
    ~CZipWriter();
    CZipWriter(const CZipWriter&) = delete;
    CZipWriter& operator=(const CZipWriter&) = delete;

    // Creates or truncates the archive file; nothing when an archive is already open.
    void Create(const std::string& path);
    // The same over a file made by the caller (tests write into memory this way).
    void Create(std::unique_ptr<CBigFile> file);

    // Adds the file at `path` as a new entry named after the path. False, writing nothing,
    // for a buffer size of 0, an empty name, no archive open, an entry still open or 65,535
    // entries already present. False after writing the entry when the file's status cannot
    // be read or it cannot be opened: the entry then stays in the archive, empty.
    bool AddFile(const std::string& path, int level, size_t bufferSize);
    // The same with the entry name given (still converted to '/' and code page 437), for
    // files that are not addressed relative to the archive's folder.
    bool AddFile(const std::string& path, const std::string& entryName, int level,
                 size_t bufferSize);
    // Adds the file at `path` from its raw deflate stream made beforehand at `level` (see
    // CBackgroundDeflater): the same entry AddFile would make, without compressing again.
    // False, writing nothing, when the stream is not valid or AddFile would refuse.
    bool AddPrecompressed(const std::string& path, const std::string& entryName, int level,
                          const CDeflatedData& data);
    // False when no archive is open; the comment is written by Close (first 65,535 bytes).
    bool SetComment(const std::string& comment);
    // Finishes an open entry, writes the central directory and the end record, closes.
    void Close();

    bool IsOpen() const { return m_nVolume == 0; }
    const std::vector<CZipEntryHeader>& Entries() const { return m_entries; }

private:
    bool AddFileImpl(const std::string& path, const std::string& name, int level,
                     size_t bufferSize);
    // The entry's header from the file's status, written as its local header; false when
    // the status cannot be read.
    bool StartEntry(const std::string& path, const std::string& name, int level, struct stat* st);
    // The entry's CRC and sizes, known at its end, patched into its local header.
    void PatchEntry(uint32_t crc, uint64_t compressed, uint64_t uncompressed);
    void CloseImpl();
    void Compress(const char* data, size_t size);
    void FinishEntry();
    void WriteBytes(const void* data, size_t size);
    void FlushBuffer();
    uint64_t CurrentPosition() const;
    void FlushOutput();
    void Check(int zlibResult) const;
    void CheckFits(uint64_t value) const;
    void ReleaseStream();
    [[noreturn]] void Fail();

    static voidpf Alloc(voidpf opaque, uInt items, uInt size);
    static void Free(voidpf opaque, voidpf address);

    std::unique_ptr<CBigFile> m_file;
    std::string m_strPath;
    int m_nVolume = -1;  // 0 while an archive is open
    std::vector<char> m_writeBuffer;
    size_t m_nWaiting = 0;
    std::vector<CZipEntryHeader> m_entries;
    std::string m_strComment;
    std::exception_ptr m_failure;

    z_stream m_stream{};
    bool m_bStreamActive = false;
    bool m_bEntryOpen = false;
    std::vector<char> m_outputBuffer;
    uLong m_nCrc = 0;
    std::vector<void*> m_blocks;  // zlib's memory blocks, freed at the latest by the destructor
};
