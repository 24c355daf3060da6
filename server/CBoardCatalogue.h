// The board's conferences, file areas and languages by number and name, read through this
// thread's server session: what the configuration dialog offers to choose from.
#pragma once

#include <string>
#include <vector>

class CBoardCatalogue {
public:
    struct Entry {
        int number;
        std::string name;  // Windows-1252, never empty
    };

    // Reads the three lists; numbers the board has no record or no name for are left out.
    static CBoardCatalogue Read();

    const std::vector<Entry>& Conferences() const { return m_conferences; }
    const std::vector<Entry>& Areas() const { return m_areas; }
    const std::vector<Entry>& Languages() const { return m_languages; }
    // The operator's name from the board's settings (empty when they cannot be read): the
    // sender of a new message list, and of a message whose list names none.
    static std::string OperatorName();

private:
    std::vector<Entry> m_conferences;
    std::vector<Entry> m_areas;
    std::vector<Entry> m_languages;
};
