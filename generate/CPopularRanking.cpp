#include "generate/CPopularRanking.h"

#include <algorithm>
#include <utility>

namespace {

// Cached run orders are dropped wholesale beyond this many elements, so a list whose ties
// come in many different lengths does not keep one order for each length.
constexpr size_t kMaxCachedOrderSize = size_t{1} << 22;

// Splits keys lo..hi around the pivot key hi and returns the pivot's final place.
int Partition(std::vector<PopularKey>& keys, int lo, int hi) {
    const PopularKey pivot = keys[hi];
    int i = lo - 1;
    int j = hi;
    for (;;) {
        do {
            ++i;
        } while (keys[i].m_dwDownloads > pivot.m_dwDownloads);
        do {
            --j;
        } while (j > lo && keys[j].m_dwDownloads < pivot.m_dwDownloads);
        if (i >= j) {
            break;
        }
        std::swap(keys[i], keys[j]);
    }
    std::swap(keys[i], keys[hi]);
    return i;
}

// First place in the descending table whose count is at most `downloads`.
size_t FirstAtMost(const std::deque<PopularKey>& table, uint32_t downloads) {
    auto it = std::partition_point(table.begin(), table.end(), [downloads](const PopularKey& k) {
        return k.m_dwDownloads > downloads;
    });
    return static_cast<size_t>(it - table.begin());
}

// First place in the descending table whose count is below `downloads`.
size_t FirstBelow(const std::deque<PopularKey>& table, uint32_t downloads) {
    auto it = std::partition_point(table.begin(), table.end(), [downloads](const PopularKey& k) {
        return k.m_dwDownloads >= downloads;
    });
    return static_cast<size_t>(it - table.begin());
}

}  // namespace

void CPopularRanking::SortPopular(std::vector<PopularKey>& keys, int lo, int hi) {
    // The two parts are disjoint, so sorting them in either order gives the same table;
    // looping on the larger part only bounds the depth.
    while (hi > lo) {
        const int i = Partition(keys, lo, hi);
        if (i - lo < hi - i) {
            SortPopular(keys, lo, i - 1);
            lo = i + 1;
        } else {
            SortPopular(keys, i + 1, hi);
            hi = i - 1;
        }
    }
}

void CPopularRanking::Reset(int topCount) {
    m_nTopCount = topCount;
    m_popEntries.clear();
    m_popRanking.clear();
    m_tieRuns.clear();
}

void CPopularRanking::Offer(const CFileEntry& entry) {
    if (m_nTopCount <= 0) {
        return;
    }
    const uint32_t downloads = entry.m_nDownloads;
    int32_t slot = 0;
    if (m_popRanking.size() < static_cast<size_t>(m_nTopCount)) {
        slot = static_cast<int32_t>(m_popEntries.size());
        m_popEntries.push_back(entry);
    } else {
        const PopularKey last = m_popRanking.back();
        if (downloads <= last.m_dwDownloads) {
            return;
        }
        m_popRanking.pop_back();
        auto run = m_tieRuns.find(last.m_dwDownloads);
        if (run != m_tieRuns.end() && --run->second < 2) {
            m_tieRuns.erase(run);
        }
        slot = last.m_nIndex;
        m_popEntries[slot] = entry;
    }
    ReorderAfterInsert(downloads);
    const size_t at = FirstBelow(m_popRanking, downloads);
    m_popRanking.insert(m_popRanking.begin() + static_cast<std::ptrdiff_t>(at),
                        PopularKey{downloads, slot});
    const size_t runStart = FirstAtMost(m_popRanking, downloads);
    const int runLength = static_cast<int>(at - runStart + 1);
    if (runLength >= 2) {
        m_tieRuns[downloads] = runLength;
        // The new key joins its equal run at the end, then the run is sorted like any other.
        PermuteRun(runStart, runLength, false);
    }
}

void CPopularRanking::ReorderAfterInsert(uint32_t downloads) {
    // Before the change the table was sorted and the new key sat at its end. The quicksort
    // then treats every run of equal counts as a run of equal keys on its own: runs above
    // the new count in their current order, runs below it with their first key moved last.
    for (const auto& [count, length] : m_tieRuns) {
        if (count == downloads) {
            continue;
        }
        PermuteRun(FirstAtMost(m_popRanking, count), length, count < downloads);
    }
}

void CPopularRanking::PermuteRun(size_t first, int length, bool rotateFirst) {
    const std::vector<int>& order = EqualRunOrder(length);
    m_scratch.assign(m_popRanking.begin() + static_cast<std::ptrdiff_t>(first),
                     m_popRanking.begin() + static_cast<std::ptrdiff_t>(first) + length);
    const int shift = rotateFirst ? 1 : 0;
    for (int k = 0; k < length; ++k) {
        int from = order[k] + shift;
        if (from == length) {
            from = 0;
        }
        m_popRanking[first + k] = m_scratch[from];
    }
}

const std::vector<int>& CPopularRanking::EqualRunOrder(int length) {
    auto it = m_runOrders.find(length);
    if (it != m_runOrders.end()) {
        return it->second;
    }
    if (m_nCachedOrderSize + length > kMaxCachedOrderSize) {
        m_runOrders.clear();
        m_nCachedOrderSize = 0;
    }
    // What the procedure does to equal keys depends only on how many there are, so sorting
    // their positions under one common count records it.
    std::vector<PopularKey> keys(length);
    for (int k = 0; k < length; ++k) {
        keys[k] = PopularKey{0, k};
    }
    SortPopular(keys, 0, length - 1);
    std::vector<int> order(length);
    for (int k = 0; k < length; ++k) {
        order[k] = keys[k].m_nIndex;
    }
    m_nCachedOrderSize += length;
    return m_runOrders.emplace(length, std::move(order)).first->second;
}

std::vector<const CFileEntry*> CPopularRanking::Ranked() const {
    std::vector<const CFileEntry*> ranked;
    const size_t count =
        std::min(m_popRanking.size(), static_cast<size_t>(std::max(m_nTopCount, 0)));
    ranked.reserve(count);
    for (size_t k = 0; k < count; ++k) {
        ranked.push_back(&m_popEntries[m_popRanking[k].m_nIndex]);
    }
    return ranked;
}
