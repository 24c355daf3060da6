#include "generate/CUtf8Sink.h"

#include <string_view>

#include "config/CCodePage.h"

bool CUtf8Sink::Write(const char* data, size_t size) {
    m_buffer.clear();
    size_t from = 0;
    for (size_t i = 0; i < size; ++i) {
        if (static_cast<unsigned char>(data[i]) < 0x80) continue;
        // Runs of ASCII, most of a page, are copied as they are.
        m_buffer.append(data + from, i - from);
        m_buffer += CCodePage::ToUtf8(std::string_view(data + i, 1));
        from = i + 1;
    }
    if (from == 0) return m_next->Write(data, size);
    m_buffer.append(data + from, size - from);
    return m_next->Write(m_buffer.data(), m_buffer.size());
}
