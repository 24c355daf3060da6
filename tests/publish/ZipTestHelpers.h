// Helpers of the ZIP tests: an archive file in memory that can fail on purpose, reading
// archives back with an independent reader (Info-ZIP's unzip), little-endian fields.
#pragma once

#include <sys/time.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "publish/CBigFile.h"
#include "publish/CFileException.h"

// An archive file in memory; with `failAfter`, a write that would go past that many bytes
// fails like a full disk.
class CMemoryBigFile : public CBigFile {
public:
    explicit CMemoryBigFile(std::string* bytes, size_t failAfter = SIZE_MAX)
        : CBigFile("memory.zip", -1), m_bytes(bytes), m_failAfter(failAfter) {}

    void Write(const void* data, size_t size) override {
        if (m_pos + size > m_failAfter) throw CFileException("write", Path(), ENOSPC);
        if (m_bytes->size() < m_pos + size) m_bytes->resize(m_pos + size);
        m_bytes->replace(m_pos, size, static_cast<const char*>(data), size);
        m_pos += size;
    }
    void Seek(uint64_t position) override { m_pos = position; }
    uint64_t SeekToEnd() override { return m_pos = m_bytes->size(); }
    uint64_t Position() const override { return m_pos; }
    void Close() override {}

private:
    std::string* m_bytes;
    size_t m_failAfter;
    size_t m_pos = 0;
};

// List-like text, the same for every run.
inline std::string PatternText(size_t size) {
    std::string text;
    unsigned seed = 7;
    while (text.size() < size) {
        seed = seed * 1103515245u + 12345u;
        text += "FILE" + std::to_string(seed % 1000) + ".ZIP  " + std::to_string(seed % 77) +
                "k  A file of the board\n";
    }
    text.resize(size);
    return text;
}

inline std::unique_ptr<CBigFile> MemoryFile(std::string* bytes, size_t failAfter = SIZE_MAX) {
    return std::make_unique<CMemoryBigFile>(bytes, failAfter);
}

inline uint32_t Le16(const std::string& b, size_t at) {
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}

inline uint32_t Le32(const std::string& b, size_t at) {
    return Le16(b, at) | Le16(b, at + 2) << 16;
}

inline void SetMTime(const std::string& path, time_t when) {
    const struct timeval times[2] = {{when, 0}, {when, 0}};
    ::utimes(path.c_str(), times);
}

// Output of a shell command line (test tooling only); `ok` says whether it exited with 0.
inline std::string RunTool(const std::string& command, bool* ok = nullptr) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    char buf[4096];
    for (size_t n; p && (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int status = p ? ::pclose(p) : -1;
    if (ok) *ok = status == 0;
    return out;
}

inline bool HaveUnzip() {
    bool ok = false;
    RunTool("unzip -v >/dev/null 2>&1", &ok);
    return ok;
}

// True when unzip tests the archive as sound (every CRC checked).
inline bool UnzipTestsOk(const std::string& archive) {
    bool ok = false;
    RunTool("unzip -tqq '" + archive + "' 2>&1", &ok);
    return ok;
}

// One entry's bytes as unzip extracts them.
inline std::string UnzipEntry(const std::string& archive, const std::string& entry) {
    return RunTool("unzip -p '" + archive + "' '" + entry + "'");
}
