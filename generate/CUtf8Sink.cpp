#include "generate/CUtf8Sink.h"

#include <string_view>

#include "config/CCodePage.h"

bool CUtf8Sink::Write(const char* data, size_t size) {
    const size_t i = CCodePage::AsciiPrefix(std::string_view(data, size));
    // Most pieces are ASCII throughout and pass as they are.
    if (i == size) return m_next->Write(data, size);
    m_buffer.assign(data, i);
    CCodePage::AppendUtf8(m_buffer, std::string_view(data + i, size - i));
    return m_next->Write(m_buffer.data(), m_buffer.size());
}
