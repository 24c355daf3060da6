#include "tools/board/CShortNames.h"

#include "tools/board/CScanText.h"

namespace {

bool IsNameChar(char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return std::string_view("!#$%&'()-@^_`{}~").find(c) != std::string_view::npos;
}

// Upper case, characters a short name cannot hold dropped (blanks, dots) or made '_'.
std::string Squeeze(std::string_view part, size_t max) {
    std::string out;
    for (char c : CScanText::Upper(part)) {
        if (out.size() == max) break;
        if (c == ' ' || c == '.') continue;
        out += IsNameChar(c) ? c : '_';
    }
    return out;
}

}  // namespace

bool CShortNames::IsValid83(std::string_view name) {
    size_t dot = name.find('.');
    std::string_view base = name.substr(0, dot);
    std::string_view ext = dot == std::string_view::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
    if (dot != std::string_view::npos && ext.empty()) return false;
    for (char c : base)
        if (!IsNameChar(c)) return false;
    for (char c : ext)
        if (!IsNameChar(c)) return false;
    return true;
}

std::string CShortNames::Assign(std::string_view name) {
    std::string upper = CScanText::Upper(name);
    for (const std::string& candidate : {std::string(name), upper}) {
        if (IsValid83(candidate) && m_taken.insert(candidate).second) return candidate;
    }
    size_t dot = name.rfind('.');
    std::string base = Squeeze(name.substr(0, dot), 8);
    std::string ext = dot == std::string_view::npos ? "" : Squeeze(name.substr(dot + 1), 3);
    if (base.empty()) base = "_";
    unsigned& next = m_next.try_emplace(base + "." + ext, 1).first->second;
    for (;; ++next) {
        std::string tail = "~" + std::to_string(next);
        std::string candidate = base.substr(0, 8 - tail.size()) + tail;
        if (!ext.empty()) candidate += "." + ext;
        if (m_taken.insert(candidate).second) return candidate;
    }
}
