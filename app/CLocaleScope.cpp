#include "app/CLocaleScope.h"

#include <clocale>

CLocaleScope::CLocaleScope(int category) : m_category(category) {
    const char* previous = std::setlocale(category, nullptr);
    if (previous) m_previous = previous;
    // The dates of the lists follow the operator's own regional settings.
    m_changed = std::setlocale(category, "") != nullptr;
}

CLocaleScope::~CLocaleScope() {
    if (m_changed) std::setlocale(m_category, m_previous.c_str());
}
