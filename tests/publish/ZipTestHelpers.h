// Helpers of the ZIP tests: a failing in-memory archive file, list-like text, reading back.
#pragma once

#include <gtest/gtest.h>
#include <sys/time.h>

#include <memory>
#include <string>
#include <vector>

#include "config/ZipRec.h"
#include "publish/CBigFile.h"
#include "publish/CFileException.h"
#include "tests/support/Commands.h"

// A write that would go past `failAfter` bytes fails like a full disk.
class CMemoryBigFile : public CBigFile {
public:
    CMemoryBigFile(std::string* bytes, size_t failAfter)
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

inline std::unique_ptr<CBigFile> MemoryFile(std::string* bytes, size_t failAfter = SIZE_MAX) {
    return std::make_unique<CMemoryBigFile>(bytes, failAfter);
}

// An internal ZIP with `comment`, or an external command when `command` is given.
inline ZipRec Zip(const std::string& name, const std::string& comment,
                  const std::string& command = "") {
    return {"", name, "", command, 0, comment, command.empty() ? ZIP_INTERNAL : 0, 0.f};
}

// List-like text, the same for every run.
inline std::string PatternText(size_t size) {
    std::string text;
    for (unsigned seed = 7; text.size() < size;) {
        seed = seed * 1103515245u + 12345u;
        text += "FILE" + std::to_string(seed % 1000) + ".ZIP  " + std::to_string(seed % 77) +
                "k  A file of the board\n";
    }
    text.resize(size);
    return text;
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

// unzip checks every CRC and extracts each entry; the test is skipped where it is missing.
inline void ExpectUnzips(const std::string& archive,
                         const std::vector<std::pair<std::string, std::string>>& entries) {
    int status = 0;
    CommandOutput("unzip -v >/dev/null 2>&1", &status);
    if (status != 0) GTEST_SKIP() << "unzip not installed";
    CommandOutput("unzip -tqq '" + archive + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << archive;
    for (const auto& [entry, bytes] : entries)
        EXPECT_EQ(CommandOutput("unzip -p '" + archive + "' '" + entry + "'", &status), bytes);
}
