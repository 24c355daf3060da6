// The "n Most Popular" ranking of one list: the entry store and the ranking table, giving
// exactly the order of the original procedure (a quicksort re-run after every change),
// without its quadratic cost on a table that is already sorted.
#pragma once

#include <cstdint>
#include <vector>

#include "generate/CFileEntry.h"

struct PopularKey {
    uint32_t m_dwDownloads;  // the ranking key, compared unsigned
    int32_t m_nIndex;        // position of the file's copy in the entry store
};

class CPopularRanking {
public:
    // Empties the ranking for a list that keeps the `topCount` most downloaded files.
    void Reset(int topCount);
    // A file that passed the list's selection.
    void Offer(const CFileEntry& entry);
    // The ranked entries in table order, at most n of them.
    std::vector<const CFileEntry*> Ranked() const;
    size_t StoreSize() const { return m_popEntries.size(); }

    // The original procedure, literally (recursive quicksort, most downloads first).
    // Kept as the reference the fast path is checked against.
    static void SortPopular(std::vector<PopularKey>& keys, int lo, int hi);

private:
    int m_nTopCount = 0;
    std::vector<CFileEntry> m_popEntries;
    std::vector<PopularKey> m_popRanking;
};
