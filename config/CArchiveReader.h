// Reads the little-endian values of the configuration file: ints, counts, floats and
// length-prefixed Windows-1252 strings. The first failure sticks: every later read fails
// too, and Error() says what went wrong and where.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CArchiveReader {
public:
    // An open file of `size` bytes, read through a 4096-byte buffer; the caller closes `fd`.
    CArchiveReader(int fd, uint64_t size);
    // Bytes in memory (tests, the fuzzer); they must outlive the reader.
    explicit CArchiveReader(std::string_view bytes);
    CArchiveReader(const CArchiveReader&) = delete;
    CArchiveReader& operator=(const CArchiveReader&) = delete;

    bool ReadInt(int32_t* value);
    bool ReadCount(uint32_t* value);
    bool ReadFloat(float* value);
    // A length prefix of 1, 3 or 7 bytes and the text. The wide-character form (0xFF, 0xFFFE,
    // a second prefix, UTF-16LE text) is accepted and converted to Windows-1252; a wide text
    // that Windows-1252 cannot hold fails the read.
    bool ReadString(std::string* value);

    // Bytes not yet read; a count or length larger than this cannot be right.
    uint64_t Remaining() const { return m_size - m_offset; }
    uint64_t Offset() const { return m_offset; }
    bool Failed() const { return !m_error.empty(); }
    const std::string& Error() const { return m_error; }
    // Records a failure found by the caller (an impossible count), with the current offset.
    void Fail(const std::string& what);

private:
    bool ReadBytes(void* out, size_t count);
    bool ReadLength(uint64_t* length, bool* wide);
    bool Refill();

    static constexpr size_t kBufferSize = 4096;
    int m_fd = -1;
    std::string_view m_memory;
    uint64_t m_size = 0;
    uint64_t m_offset = 0;  // bytes handed out so far
    char m_buffer[kBufferSize];
    size_t m_bufferPos = 0;
    size_t m_bufferLen = 0;
    std::string m_error;
};
