// The short (8.3) names of one file area: a name that is a valid 8.3 name is kept as it is,
// any other gets a unique one in the usual style ("LONGNA~1.ZIP").
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

class CShortNames {
public:
    // A name already held by a record of the area.
    void Take(const std::string& shortName) { m_taken.insert(shortName); }
    // The name itself when it is a valid, free 8.3 name; otherwise a free short name made
    // from it. `name` is Windows-1252.
    std::string Assign(std::string_view name);
    static bool IsValid83(std::string_view name);

private:
    std::unordered_set<std::string> m_taken;
    // The next number to try for each stem, so that many long names sharing their first six
    // letters do not try "~1", "~2", ... again for every file.
    std::unordered_map<std::string, unsigned> m_next;
};
