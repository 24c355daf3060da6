// The "n Most Popular" ranking of one list: the entry store and the ranking table, giving
// exactly the order of the original procedure (a quicksort re-run after every change),
// without its quadratic cost on a table that is already sorted.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <unordered_map>
#include <vector>

#include "generate/CFileEntry.h"

struct PopularKey {
    uint32_t m_dwDownloads;  // the ranking key, compared unsigned
    int32_t m_nIndex;        // position of the file's copy in the entry store
};

class CPopularRanking {
public:
    // Empties the ranking for a list that keeps the `topCount` most downloaded files.
    // A count of 0 or less keeps nothing: with no key there is no least popular one to beat.
    void Reset(int topCount);
    // A file that passed the list's selection.
    void Offer(const CFileEntry& entry);
    // The ranked entries in table order, at most n of them.
    std::vector<const CFileEntry*> Ranked() const;
    // Never more than n: a file that enters a full table takes the store slot of the one it
    // pushes out.
    size_t StoreSize() const { return m_popEntries.size(); }

    // The original procedure (quicksort, most downloads first), with the same comparisons
    // and swaps. It recurses only into the smaller part, so its depth stays logarithmic.
    // Kept as the reference the fast path is checked against.
    static void SortPopular(std::vector<PopularKey>& keys, int lo, int hi);

private:
    using Table = std::deque<PopularKey>;

    // Re-sorting a table that was sorted before the change moves only keys of equal counts
    // among themselves, each run of equal counts by a permutation that depends on its length
    // and on whether it lies above or below the new count. These give those permutations.
    const std::vector<int>& EqualRunOrder(int length);
    void PermuteRun(size_t first, int length, bool rotateFirst);
    void ReorderAfterInsert(uint32_t downloads);

    int m_nTopCount = 0;
    std::vector<CFileEntry> m_popEntries;
    Table m_popRanking;                 // sorted, most downloads first
    std::map<uint32_t, int> m_tieRuns;  // count -> length, for runs of two keys or more
    std::unordered_map<int, std::vector<int>> m_runOrders;
    size_t m_nCachedOrderSize = 0;
    std::vector<PopularKey> m_scratch;
};
