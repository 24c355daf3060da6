#include "config/CConfig.h"

#include <string_view>

size_t CConfig::Duplicate(size_t index) {
    // The stored fields only: the copy opens its sheet on the first page.
    COutRec copy;
    static_cast<CListFields&>(copy) = m_lists.at(index);
    copy.m_strListName = "Copy of " + copy.m_strListName;
    m_lists.push_back(copy);
    return m_lists.size() - 1;
}

size_t CConfig::AddNew(int listType, const std::string& name, const std::string& from) {
    COutRec rec;
    rec.m_strFrom = from;
    rec.m_nListType = listType;
    const bool fileName = listType == LIST_FILE || listType == LIST_BULLETIN;
    rec.m_strListName = fileName ? FilterListName(name) : name;
    m_lists.push_back(rec);
    return m_lists.size() - 1;
}

std::string CConfig::FilterListName(const std::string& name, size_t maxLength) {
    static constexpr std::string_view kAllowed = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890.+-_!$%~#";
    std::string out;
    for (char c : name) {
        if (out.size() >= maxLength) break;
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (kAllowed.find(c) != std::string_view::npos) out += c;
    }
    return out;
}

bool CConfig::IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           !HasControlCharacter(name);
}

bool CConfig::HasControlCharacter(std::string_view name) {
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    }
    return false;
}
