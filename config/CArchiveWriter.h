// Writes the little-endian values of the configuration file through a 512-byte buffer.
// The first failure sticks; Finish() reports it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class IByteSink;

class CArchiveWriter {
public:
    explicit CArchiveWriter(IByteSink& sink) : m_sink(sink) {}
    CArchiveWriter(const CArchiveWriter&) = delete;
    CArchiveWriter& operator=(const CArchiveWriter&) = delete;

    void WriteInt(int32_t value) { WriteCount(static_cast<uint32_t>(value)); }
    void WriteCount(uint32_t value);
    void WriteFloat(float value);
    // Prefix: one byte below 255; 0xFF and a 2-byte length below 0xFFFE; otherwise 0xFF,
    // 0xFFFF and a 4-byte length.
    void WriteString(std::string_view value);

    // Hands the buffered bytes to the sink; false (and Error()) after any failure.
    bool Flush();
    bool Failed() const { return m_failed; }
    const std::string& Error() const { return m_error; }

private:
    void WriteBytes(const void* data, size_t count);

    static constexpr size_t kBufferSize = 512;
    IByteSink& m_sink;
    char m_buffer[kBufferSize];
    size_t m_used = 0;
    bool m_failed = false;
    std::string m_error;
};
