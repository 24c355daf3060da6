#include "io/CTextStream.h"

#include "io/CFileSink.h"

namespace {
constexpr size_t kFlushAt = 64 * 1024;
}

CTextStream::CTextStream(std::unique_ptr<IByteSink> sink, std::string path)
    : m_sink(std::move(sink)), m_path(std::move(path)) {
    m_buffer.reserve(kFlushAt + 1024);
}

CTextStream::~CTextStream() {
    try {
        if (!m_closed) Close();
    } catch (...) {
        // The owner has given up on this file; it is removed with the run's directory.
    }
}

std::unique_ptr<CTextStream> CTextStream::CreateFile(const std::string& path, std::string* error) {
    auto sink = CFileSink::Create(path, error);
    if (!sink) return nullptr;
    return std::make_unique<CTextStream>(std::move(sink), path);
}

void CTextStream::Write(std::string_view text) {
    if (m_failed || m_closed) return;
    size_t start = 0;
    while (start < text.size()) {
        const size_t lf = text.find('\n', start);
        if (lf == std::string_view::npos) {
            m_buffer.append(text.substr(start));
            break;
        }
        m_buffer.append(text.substr(start, lf - start));
        m_buffer.append("\r\n", 2);
        start = lf + 1;
    }
    if (m_buffer.size() >= kFlushAt) Flush();
}

void CTextStream::Flush() {
    if (m_failed || m_buffer.empty()) return;
    // Failed until the sink has taken the bytes: a sink that throws leaves a stream that
    // writes nothing more, even from its destructor.
    m_failed = true;
    if (m_sink->Write(m_buffer.data(), m_buffer.size()))
        m_failed = false;
    else
        m_error = m_sink->Error();
    m_buffer.clear();
}

bool CTextStream::Close() {
    if (m_closed) return !m_failed;
    m_closed = true;
    Flush();
    if (!m_sink->Close() && !m_failed) {
        m_failed = true;
        m_error = m_sink->Error();
    }
    return !m_failed;
}

std::string CTextStream::FileName() const {
    const size_t slash = m_path.find_last_of('/');
    return slash == std::string::npos ? m_path : m_path.substr(slash + 1);
}
