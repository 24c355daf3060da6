#include "publish/CZipWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "io/CFileDescriptor.h"
#include "publish/CFileException.h"
#include "publish/CZipException.h"

namespace {

// Reads until `size` bytes or the end of the file; throws on a read error so that a
// truncated entry is never stored as if it were the whole file.
size_t ReadChunk(const CFileDescriptor& fd, char* buffer, size_t size, const std::string& path) {
    size_t got = 0;
    while (got < size) {
        const long n = fd.Read(buffer + got, size - got);
        if (n < 0) throw CFileException("read", path, errno);
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    return got;
}

}  // namespace

CZipWriter::~CZipWriter() {
    ReleaseStream();
    for (void* block : m_blocks) std::free(block);
}

void CZipWriter::Create(const std::string& path) {
    if (IsOpen()) return;
    Create(CBigFile::Create(path));
}

void CZipWriter::Create(std::unique_ptr<CBigFile> file) {
    if (IsOpen()) return;
    m_file = std::move(file);
    m_strPath = m_file->Path();
    m_writeBuffer.assign(kWriteBufferSize, 0);
    m_nWaiting = 0;
    m_nVolume = 0;
    m_entries.clear();
    m_strComment.clear();
    m_failure = nullptr;
}

bool CZipWriter::AddFile(const std::string& path, int level, size_t bufferSize) {
    return AddFile(path, CZipEntryHeader::EntryName(path), level, bufferSize);
}

bool CZipWriter::AddFile(const std::string& path, const std::string& entryName, int level,
                         size_t bufferSize) {
    if (bufferSize == 0 || entryName.empty()) return false;
    if (!IsOpen() || m_failure || m_bEntryOpen || m_entries.size() >= kMaxEntries) return false;
    try {
        return AddFileImpl(path, entryName, level, bufferSize);
    } catch (...) {
        Fail();
    }
}

bool CZipWriter::AddPrecompressed(const std::string& path, const std::string& entryName, int level,
                                  const CDeflatedData& data) {
    if (entryName.empty() || !data.valid) return false;
    if (!IsOpen() || m_failure || m_bEntryOpen || m_entries.size() >= kMaxEntries) return false;
    try {
        struct stat st {};
        if (!StartEntry(path, entryName, level, &st)) throw CFileException("read", path, errno);
        m_outputBuffer.clear();
        m_outputBuffer.shrink_to_fit();
        m_bEntryOpen = true;
        const CFileDescriptor input(data.path, O_RDONLY);
        if (!input.IsOpen()) throw CFileException("read", data.path, errno);
        std::vector<char> chunk(kWriteBufferSize);
        uint64_t copied = 0;
        for (;;) {
            const size_t got = ReadChunk(input, chunk.data(), chunk.size(), data.path);
            WriteBytes(chunk.data(), got);
            copied += got;
            if (got < chunk.size()) break;
        }
        if (copied != data.compressedSize) throw CFileException("read", data.path, EIO);
        PatchEntry(data.crc, data.compressedSize, data.uncompressedSize);
        return true;
    } catch (...) {
        Fail();
    }
}

bool CZipWriter::StartEntry(const std::string& path, const std::string& name, int level,
                            struct stat* st) {
    CZipEntryHeader header;
    header.m_strFileName = name;
    const bool statOk = ::stat(path.c_str(), st) == 0;
    if (statOk) {
        header.SetTime(st->st_mtime);
        // Only the read-only bit of the MS-DOS attributes has a meaning here.
        if ((st->st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) header.m_nExternalAttr |= 0x01;
    }

    m_outputBuffer.assign(kOutputBufferSize, 0);
    m_entries.push_back(std::move(header));
    FlushBuffer();
    m_file->SeekToEnd();

    CZipEntryHeader& entry = m_entries.back();
    entry.ConvertName();
    entry.m_nSignature = CZipEntryHeader::kCentralSignature;
    entry.m_nVersionMadeBy = 20;
    entry.m_nVersionNeeded = 20;
    entry.m_nMethod = 8;
    entry.m_nFlags = CZipEntryHeader::FlagsForLevel(level);
    entry.m_nCrc = entry.m_nCompressedSize = entry.m_nUncompressedSize = 0;
    if (entry.m_strFileName.size() > 0xFFFF)
        throw CZipException(CZipException::NAME_TOO_LONG, m_strPath);

    const uint64_t offset = CurrentPosition();
    CheckFits(offset);
    entry.m_nDiskStart = 0;
    entry.m_nLocalOffset = static_cast<uint32_t>(offset);
    const std::string local = entry.LocalHeader();
    WriteBytes(local.data(), local.size());
    return statOk;
}

bool CZipWriter::AddFileImpl(const std::string& path, const std::string& name, int level,
                             size_t bufferSize) {
    struct stat st {};
    const bool statOk = StartEntry(path, name, level, &st);

    m_stream = z_stream{};
    m_stream.zalloc = &CZipWriter::Alloc;
    m_stream.zfree = &CZipWriter::Free;
    m_stream.opaque = this;
    m_stream.next_out = reinterpret_cast<Bytef*>(m_outputBuffer.data());
    m_stream.avail_out = static_cast<uInt>(m_outputBuffer.size());
    const int rc = deflateInit2(&m_stream, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    if (rc != Z_OK && rc != Z_NEED_DICT)
        throw CZipException(CZipException::CodeFromZlib(rc), m_strPath);
    m_bStreamActive = true;
    m_bEntryOpen = true;
    m_nCrc = crc32(0L, Z_NULL, 0);

    // A file that cannot be read stays as an empty entry; Close finishes it.
    if (!statOk || S_ISDIR(st.st_mode)) return false;
    const CFileDescriptor input(path, O_RDONLY);
    if (!input.IsOpen()) return false;

    std::vector<char> chunk(bufferSize);
    for (;;) {
        const size_t got = ReadChunk(input, chunk.data(), bufferSize, path);
        if (got > 0) Compress(chunk.data(), got);
        if (got < bufferSize) break;
    }
    FinishEntry();
    return true;
}

void CZipWriter::Compress(const char* data, size_t size) {
    m_nCrc = crc32_z(m_nCrc, reinterpret_cast<const Bytef*>(data), size);
    m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    m_stream.avail_in = static_cast<uInt>(size);
    while (m_stream.avail_in > 0) {
        if (m_stream.avail_out == 0) FlushOutput();
        Check(deflate(&m_stream, Z_NO_FLUSH));
    }
    m_stream.next_in = Z_NULL;
}

void CZipWriter::FinishEntry() {
    m_stream.next_in = Z_NULL;
    m_stream.avail_in = 0;
    int rc;
    do {
        if (m_stream.avail_out == 0) FlushOutput();
        rc = deflate(&m_stream, Z_FINISH);
    } while (rc == Z_OK);
    if (rc != Z_STREAM_END) throw CZipException(CZipException::CodeFromZlib(rc), m_strPath);
    FlushOutput();

    const uLong compressed = m_stream.total_out;
    const uLong uncompressed = m_stream.total_in;
    m_bStreamActive = false;
    Check(deflateEnd(&m_stream));
    PatchEntry(static_cast<uint32_t>(m_nCrc), compressed, uncompressed);
}

void CZipWriter::PatchEntry(uint32_t crc, uint64_t compressed, uint64_t uncompressed) {
    CheckFits(compressed);
    CheckFits(uncompressed);

    CZipEntryHeader& entry = m_entries.back();
    entry.m_nCrc = crc;
    entry.m_nCompressedSize = static_cast<uint32_t>(compressed);
    entry.m_nUncompressedSize = static_cast<uint32_t>(uncompressed);

    // The sizes are known only now: patch the local header in place, no data descriptor.
    std::string patch;
    CZipEntryHeader::Put32(patch, entry.m_nCrc);
    CZipEntryHeader::Put32(patch, entry.m_nCompressedSize);
    CZipEntryHeader::Put32(patch, entry.m_nUncompressedSize);
    FlushBuffer();
    m_file->Seek(uint64_t{entry.m_nLocalOffset} + 14);
    m_file->Write(patch.data(), patch.size());
    m_file->SeekToEnd();

    m_bEntryOpen = false;
    m_outputBuffer.clear();
    m_outputBuffer.shrink_to_fit();
}

bool CZipWriter::SetComment(const std::string& comment) {
    if (!IsOpen()) return false;
    m_strComment = comment;
    return true;
}

void CZipWriter::Close() {
    if (!IsOpen()) return;
    if (m_failure) {
        // Leave the broken archive as it is; the caller learns the first error again.
        const std::exception_ptr failure = m_failure;
        ReleaseStream();
        m_file.reset();
        m_nVolume = -1;
        std::rethrow_exception(failure);
    }
    try {
        CloseImpl();
    } catch (...) {
        Fail();
    }
}

void CZipWriter::CloseImpl() {
    if (m_bEntryOpen) FinishEntry();

    FlushBuffer();
    m_file->SeekToEnd();
    if (m_strComment.size() > kMaxComment) m_strComment.resize(kMaxComment);
    const uint64_t directoryOffset = CurrentPosition();
    CheckFits(directoryOffset);
    uint64_t directorySize = 0;
    for (const CZipEntryHeader& entry : m_entries) {
        const std::string central = entry.CentralHeader();
        WriteBytes(central.data(), central.size());
        directorySize += central.size();
    }
    CheckFits(directorySize);

    const auto count = static_cast<uint16_t>(m_entries.size());
    std::string end;
    CZipEntryHeader::Put32(end, 0x06054B50);
    CZipEntryHeader::Put16(end, 0);
    CZipEntryHeader::Put16(end, 0);
    CZipEntryHeader::Put16(end, count);
    CZipEntryHeader::Put16(end, count);
    CZipEntryHeader::Put32(end, static_cast<uint32_t>(directorySize));
    CZipEntryHeader::Put32(end, static_cast<uint32_t>(directoryOffset));
    CZipEntryHeader::Put16(end, static_cast<uint16_t>(m_strComment.size()));
    end += m_strComment;
    WriteBytes(end.data(), end.size());

    m_entries.clear();
    m_strComment.clear();
    FlushBuffer();
    m_file->Close();
    m_file.reset();
    m_writeBuffer.clear();
    m_writeBuffer.shrink_to_fit();
    m_nVolume = -1;
}

void CZipWriter::WriteBytes(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        if (m_nWaiting == m_writeBuffer.size()) FlushBuffer();
        const size_t n = std::min(size, m_writeBuffer.size() - m_nWaiting);
        std::memcpy(m_writeBuffer.data() + m_nWaiting, p, n);
        m_nWaiting += n;
        p += n;
        size -= n;
    }
}

void CZipWriter::FlushBuffer() {
    if (m_nWaiting == 0) return;
    const size_t n = m_nWaiting;
    m_nWaiting = 0;
    m_file->Write(m_writeBuffer.data(), n);
}

uint64_t CZipWriter::CurrentPosition() const {
    return m_file->Position() + m_nWaiting;
}

void CZipWriter::FlushOutput() {
    const size_t waiting = m_outputBuffer.size() - m_stream.avail_out;
    WriteBytes(m_outputBuffer.data(), waiting);
    m_stream.next_out = reinterpret_cast<Bytef*>(m_outputBuffer.data());
    m_stream.avail_out = static_cast<uInt>(m_outputBuffer.size());
}

void CZipWriter::Check(int zlibResult) const {
    if (zlibResult != Z_OK && zlibResult != Z_NEED_DICT)
        throw CZipException(CZipException::CodeFromZlib(zlibResult), m_strPath);
}

void CZipWriter::CheckFits(uint64_t value) const {
    if (value > 0xFFFFFFFFu) throw CZipException(CZipException::TOO_LARGE, m_strPath);
}

void CZipWriter::ReleaseStream() {
    if (m_bStreamActive) deflateEnd(&m_stream);
    m_bStreamActive = false;
    m_bEntryOpen = false;
}

void CZipWriter::Fail() {
    m_failure = std::current_exception();
    ReleaseStream();
    std::rethrow_exception(m_failure);
}

voidpf CZipWriter::Alloc(voidpf opaque, uInt items, uInt size) {
    auto* self = static_cast<CZipWriter*>(opaque);
    if (size != 0 && items > SIZE_MAX / size) return Z_NULL;
    void* block = std::malloc(static_cast<size_t>(items) * size);
    if (!block) return Z_NULL;
    try {
        self->m_blocks.push_back(block);
    } catch (...) {
        std::free(block);
        return Z_NULL;
    }
    return block;
}

void CZipWriter::Free(voidpf opaque, voidpf address) {
    auto* self = static_cast<CZipWriter*>(opaque);
    auto it = std::find(self->m_blocks.rbegin(), self->m_blocks.rend(), address);
    if (it != self->m_blocks.rend()) self->m_blocks.erase(std::next(it).base());
    std::free(address);
}
