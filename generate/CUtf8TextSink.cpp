#include "generate/CUtf8TextSink.h"

#include <algorithm>

#include "config/CCodePage.h"

namespace {

// Entries' description lines start at this column; rules are always indented less.
constexpr size_t kEntryIndent = 35;

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

std::string WithoutColourCodes(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '@' && i + 3 < line.size() && IsHex(line[i + 1]) && IsHex(line[i + 2]) &&
            line[i + 3] == '@') {
            i += 3;
            continue;
        }
        out += line[i];
    }
    return out;
}

bool IsOneOf(char c, std::string_view set) {
    return set.find(c) != std::string_view::npos;
}

}  // namespace

void CUtf8TextSink::ConvertLine(std::string_view raw, std::string& converted) {
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    const std::string stripped = m_colourCodes ? WithoutColourCodes(raw) : std::string();
    const std::string_view line = m_colourCodes ? std::string_view(stripped) : raw;

    const size_t indent = std::min(line.find_first_not_of(' '), line.size());
    const std::string_view body = line.substr(indent);
    converted.append(line.substr(0, indent));
    if (line.empty()) {
        m_inBox = false;
    } else if (m_inBox && body.size() >= 2 && IsOneOf(body.front(), "\xC9\xC8") &&
               IsOneOf(body.back(), "\xBB\xBC")) {
        // A border: corners and the double rule between them.
        converted += CCodePage::OemToUtf8(body);
        return;
    } else if (m_inBox && body.size() >= 2 && body.front() == '\xBA' && body.back() == '\xBA') {
        // A framed line: the bars are box characters, the text between them is not.
        converted += CCodePage::OemToUtf8(body.substr(0, 1));
        CCodePage::AppendUtf8(converted, body.substr(1, body.size() - 2));
        converted += CCodePage::OemToUtf8(body.substr(body.size() - 1));
        return;
    } else if (!m_inBox && indent < kEntryIndent && !body.empty() &&
               IsOneOf(body.front(), "\xCD\xC4") &&
               body.find_first_not_of(body.front()) == std::string_view::npos) {
        converted += CCodePage::OemToUtf8(body);
        return;
    }
    CCodePage::AppendUtf8(converted, body);
}

bool CUtf8TextSink::Write(const char* data, size_t size) {
    std::string converted;
    converted.reserve(size + size / 4);
    std::string_view rest(data, size);
    for (size_t lf; (lf = rest.find('\n')) != std::string_view::npos; rest.remove_prefix(lf + 1)) {
        if (m_pending.empty()) {
            ConvertLine(rest.substr(0, lf), converted);
        } else {
            m_pending.append(rest.substr(0, lf));
            ConvertLine(m_pending, converted);
            m_pending.clear();
        }
        converted += '\n';
    }
    m_pending.append(rest);
    return converted.empty() || m_out.Write(converted.data(), converted.size());
}

bool CUtf8TextSink::Close() {
    std::string converted;
    if (!m_pending.empty()) ConvertLine(m_pending, converted);
    m_pending.clear();
    const bool written = converted.empty() || m_out.Write(converted.data(), converted.size());
    return m_out.Close() && written;
}
