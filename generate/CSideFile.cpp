#include "generate/CSideFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "generate/CListRun.h"
#include "generate/CTempDir.h"
#include "io/CFileSink.h"

namespace {
constexpr size_t kFlushAt = 64 * 1024;
}

CSideFile::~CSideFile() {
    // A file that was not published goes with its list.
    if (m_sink) m_sink->Close();
    if (!m_strTempPath.empty()) ::unlink(m_strTempPath.c_str());
}

std::string CSideFile::SideFileName(const std::string& listName, const char* extension) {
    const size_t dot = listName.find_last_of('.');
    std::string name = dot == std::string::npos || dot == 0 ? listName : listName.substr(0, dot);
    name += extension;
    return name == listName ? listName + extension : name;
}

bool CSideFile::Open(CListRun& run) {
    m_strTempPath = CTempDir::UniqueFile(run.m_strTempDir, "QVF");
    std::string error;
    if (!m_strTempPath.empty()) m_sink = CFileSink::Create(m_strTempPath, &error);
    if (!m_sink) {
        run.Fail("cannot create " + m_strFileName + " in " + run.m_strTempDir + ": " +
                 (error.empty() ? std::strerror(errno) : error));
        return false;
    }
    m_buffer.reserve(kFlushAt + 4096);
    return true;
}

void CSideFile::Write(std::string_view bytes) {
    m_buffer.append(bytes);
    if (m_buffer.size() >= kFlushAt) Flush();
}

void CSideFile::Flush() {
    if (!m_bFailed && m_sink && !m_buffer.empty())
        m_bFailed = !m_sink->Write(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
}

bool CSideFile::Close(CListRun& run, std::string* tempName) {
    const size_t slash = m_strTempPath.find_last_of('/');
    if (slash != std::string::npos) *tempName = m_strTempPath.substr(slash + 1);
    if (!m_sink) return false;
    Flush();
    const bool closed = m_sink->Close();
    if (m_bFailed || !closed) {
        run.Fail(m_sink->Error().empty() ? "cannot write " + m_strTempPath : m_sink->Error());
        return false;
    }
    return true;
}
