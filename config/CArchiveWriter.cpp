#include "config/CArchiveWriter.h"

#include <cstring>

#include "io/IByteSink.h"

void CArchiveWriter::WriteBytes(const void* data, size_t count) {
    const char* src = static_cast<const char*>(data);
    while (count > 0 && !m_failed) {
        if (m_used == kBufferSize && !Flush()) return;
        const size_t n = std::min(count, kBufferSize - m_used);
        std::memcpy(m_buffer + m_used, src, n);
        m_used += n;
        src += n;
        count -= n;
    }
}

bool CArchiveWriter::Flush() {
    if (m_failed) return false;
    if (m_used > 0 && !m_sink.Write(m_buffer, m_used)) {
        m_failed = true;
        m_error = m_sink.Error();
        if (m_error.empty()) m_error = "the data could not be written";
    }
    m_used = 0;
    return !m_failed;
}

void CArchiveWriter::WriteCount(uint32_t value) {
    const unsigned char b[4] = {
        static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    WriteBytes(b, 4);
}

void CArchiveWriter::WriteFloat(float value) {
    uint32_t raw;
    std::memcpy(&raw, &value, sizeof raw);
    WriteCount(raw);
}

void CArchiveWriter::WriteString(std::string_view value) {
    const uint64_t length = value.size();
    if (length >= 0xFFFFFFFFu) {
        // Longer than the format can say; never meant to happen with real configurations.
        m_failed = true;
        m_error = "a text is too long to be stored";
        return;
    }
    if (length < 0xFF) {
        const unsigned char b = static_cast<unsigned char>(length);
        WriteBytes(&b, 1);
    } else if (length < 0xFFFE) {
        const unsigned char b[3] = {0xFF, static_cast<unsigned char>(length),
                                    static_cast<unsigned char>(length >> 8)};
        WriteBytes(b, 3);
    } else {
        const unsigned char b[3] = {0xFF, 0xFF, 0xFF};
        WriteBytes(b, 3);
        WriteCount(static_cast<uint32_t>(length));
    }
    WriteBytes(value.data(), value.size());
}
