// The entries an "n Most Popular" list holds until it is written, each packed into one
// string: a copy as CFileEntry spends about 1.5 KB on its 25 strings, which for a list of
// 100,000 files would be most of the program's memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "generate/CFileEntry.h"

class CEntryStore {
public:
    void Clear() { m_slots.clear(); }
    size_t Size() const { return m_slots.size(); }
    // A copy of `entry` in a new slot; returns the slot.
    int32_t Add(const CFileEntry& entry);
    // A copy of `entry` in place of the one in `slot`.
    void Replace(int32_t slot, const CFileEntry& entry);
    // The entry in `slot`, with every field as it was given.
    CFileEntry Get(int32_t slot) const;

private:
    static std::string Pack(const CFileEntry& entry);

    std::vector<std::string> m_slots;
};
