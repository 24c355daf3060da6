// Sets one locale category from the environment for the life of the scope, then puts the
// previous setting back.
#pragma once

#include <string>

class CLocaleScope {
public:
    explicit CLocaleScope(int category);
    ~CLocaleScope();
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    int m_category;
    std::string m_previous;
    bool m_changed = false;
};
