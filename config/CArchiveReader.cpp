#include "config/CArchiveReader.h"

#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "config/CCodePage.h"

namespace {

// UTF-16LE to UTF-8; false on a broken surrogate pair or a failing iconv.
bool Utf16ToUtf8(const std::string& utf16, std::string* utf8) {
    iconv_t cd = iconv_open("UTF-8", "UTF-16LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string out(utf16.size() * 2 + 4, '\0');  // at most 3 UTF-8 bytes per 2 UTF-16 bytes
    char* in = const_cast<char*>(utf16.data());
    size_t inLeft = utf16.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    const bool ok = iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    if (!ok) return false;
    out.resize(out.size() - outLeft);
    *utf8 = std::move(out);
    return true;
}

}  // namespace

CArchiveReader::CArchiveReader(int fd, uint64_t size) : m_fd(fd), m_size(size) {}

CArchiveReader::CArchiveReader(std::string_view bytes) : m_memory(bytes), m_size(bytes.size()) {}

void CArchiveReader::Fail(const std::string& what) {
    if (m_error.empty()) m_error = what + " (at byte " + std::to_string(m_offset) + ")";
}

bool CArchiveReader::Refill() {
    if (m_fd < 0) return false;
    for (;;) {
        const ssize_t n = read(m_fd, m_buffer, kBufferSize);
        if (n > 0) {
            m_bufferPos = 0;
            m_bufferLen = static_cast<size_t>(n);
            return true;
        }
        if (n == 0) {
            Fail("the file ends in the middle of a value");
            return false;
        }
        if (errno != EINTR) {
            Fail(std::string("reading failed: ") + std::strerror(errno));
            return false;
        }
    }
}

bool CArchiveReader::ReadBytes(void* out, size_t count) {
    if (Failed()) return false;
    if (count > Remaining()) {
        Fail("the file ends in the middle of a value");
        return false;
    }
    char* dest = static_cast<char*>(out);
    if (m_fd < 0) {
        if (count) std::memcpy(dest, m_memory.data() + m_offset, count);
        m_offset += count;
        return true;
    }
    while (count > 0) {
        if (m_bufferPos == m_bufferLen && !Refill()) return false;
        const size_t n = std::min(count, m_bufferLen - m_bufferPos);
        std::memcpy(dest, m_buffer + m_bufferPos, n);
        m_bufferPos += n;
        m_offset += n;
        dest += n;
        count -= n;
    }
    return true;
}

bool CArchiveReader::ReadInt(int32_t* value) {
    uint32_t raw;
    if (!ReadCount(&raw)) return false;
    *value = static_cast<int32_t>(raw);
    return true;
}

bool CArchiveReader::ReadCount(uint32_t* value) {
    unsigned char b[4];
    if (!ReadBytes(b, 4)) return false;
    *value = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return true;
}

bool CArchiveReader::ReadFloat(float* value) {
    uint32_t raw;
    if (!ReadCount(&raw)) return false;
    std::memcpy(value, &raw, sizeof raw);
    return true;
}

bool CArchiveReader::ReadLength(uint64_t* length, bool* wide) {
    *wide = false;
    for (;;) {
        unsigned char b;
        if (!ReadBytes(&b, 1)) return false;
        if (b < 0xFF) {
            *length = b;
            return true;
        }
        unsigned char w[2];
        if (!ReadBytes(w, 2)) return false;
        const uint32_t word = w[0] | (w[1] << 8);
        if (word == 0xFFFE && !*wide) {
            // The wide-character marker: the real length prefix follows.
            *wide = true;
            continue;
        }
        if (word < 0xFFFF) {
            *length = word;
            return true;
        }
        uint32_t dword;
        if (!ReadCount(&dword)) return false;
        if (dword < 0xFFFFFFFFu) {
            *length = dword;
            return true;
        }
        unsigned char q[8];
        if (!ReadBytes(q, 8)) return false;
        uint64_t qword = 0;
        for (int i = 7; i >= 0; --i) qword = (qword << 8) | q[i];
        *length = qword;
        return true;
    }
}

bool CArchiveReader::ReadString(std::string* value) {
    uint64_t length;
    bool wide;
    if (!ReadLength(&length, &wide)) return false;
    // Check against the rest of the file before allocating anything of that size.
    if (length > Remaining() / (wide ? 2 : 1)) {
        Fail("a text of " + std::to_string(length) + (wide ? " wide" : "") +
             " characters runs past the end of the file");
        return false;
    }
    std::string bytes(static_cast<size_t>(length) * (wide ? 2 : 1), '\0');
    if (!ReadBytes(bytes.data(), bytes.size())) return false;
    if (!wide) {
        *value = std::move(bytes);
        return true;
    }
    std::string utf8;
    std::string ansi;
    if (!Utf16ToUtf8(bytes, &utf8) || !CCodePage::FromUtf8(utf8, &ansi)) {
        Fail("a wide-character text holds characters that Windows-1252 cannot hold");
        return false;
    }
    *value = std::move(ansi);
    return true;
}
