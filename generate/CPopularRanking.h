// The "n Most Popular" ranking of one list: the entry store and the ranking table, giving
// exactly the order of the original procedure (a quicksort re-run after every change)
// without re-sorting anything. The table is kept as runs of equal counts; a change reorders
// every run (CTieOrders), but a run receives what it owes only when it is next touched or
// the ranking is read.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "generate/CEntryStore.h"
#include "generate/CFileEntry.h"
#include "generate/CTieOrders.h"

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
    // Calls `write` with each ranked entry in table order, at most n of them.
    void ForEachRanked(const std::function<void(const CFileEntry&)>& write);
    // Never more than n: a file that enters a full table takes the store slot of the one it
    // pushes out.
    size_t StoreSize() const { return m_store.Size(); }

    // The original procedure (quicksort, most downloads first), with the same comparisons
    // and swaps. It recurses only into the smaller part, so its depth stays logarithmic.
    // Kept as the reference the fast path is checked against.
    static void SortPopular(std::vector<PopularKey>& keys, int lo, int hi);

private:
    struct Run {
        std::vector<int32_t> members;  // store slots, in table order as of `since`
        size_t since = 0;              // first entry of m_entered the run has not received
    };
    using Runs = std::map<uint32_t, Run, std::greater<uint32_t>>;  // most downloads first

    void CatchUp(Runs::value_type& run);
    void CatchUpAll();

    int m_nTopCount = 0;
    size_t m_nKeys = 0;
    CEntryStore m_store;
    Runs m_runs;
    // The download counts of the keys that entered the table, in order: what the runs owe.
    std::vector<uint32_t> m_entered;
    CTieOrders m_orders;
};
