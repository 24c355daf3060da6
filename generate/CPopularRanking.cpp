#include "generate/CPopularRanking.h"

#include <algorithm>
#include <utility>

namespace {

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
    m_nKeys = 0;
    m_store.Clear();
    m_runs.clear();
    m_entered.clear();
    m_entered.shrink_to_fit();
}

void CPopularRanking::CatchUp(Runs::value_type& run) {
    Run& r = run.second;
    m_orders.CatchUp(r.members, run.first, m_entered.data() + r.since, m_entered.size() - r.since);
    r.since = m_entered.size();
}

void CPopularRanking::CatchUpAll() {
    for (auto& run : m_runs) {
        CatchUp(run);
        run.second.since = 0;
    }
    m_entered.clear();
}

void CPopularRanking::Offer(const CFileEntry& entry) {
    if (m_nTopCount <= 0) {
        return;
    }
    const uint32_t downloads = entry.m_nDownloads;
    int32_t slot = 0;
    if (m_nKeys < static_cast<size_t>(m_nTopCount)) {
        slot = m_store.Add(entry);
        ++m_nKeys;
    } else {
        // The least popular key, the last of the lowest run, is overwritten.
        auto lowest = std::prev(m_runs.end());
        if (downloads <= lowest->first) {
            return;
        }
        CatchUp(*lowest);
        slot = lowest->second.members.back();
        lowest->second.members.pop_back();
        if (lowest->second.members.empty()) m_runs.erase(lowest);
        m_store.Replace(slot, entry);
    }
    // The new key's own run is sorted with the key appended; every other run owes the
    // reordering for a key that entered above or below it.
    auto [run, created] = m_runs.try_emplace(downloads);
    if (!created) CatchUp(*run);
    run->second.members.push_back(slot);
    m_orders.Join(run->second.members);
    m_entered.push_back(downloads);
    run->second.since = m_entered.size();

    // What the runs owe is settled now and then, so the record of it stays small.
    if (m_entered.size() >= std::max<size_t>(4 * m_nKeys, size_t{1} << 16)) CatchUpAll();
}

void CPopularRanking::ForEachRanked(const std::function<void(const CFileEntry&)>& write) {
    CatchUpAll();
    size_t left = std::min(m_nKeys, static_cast<size_t>(std::max(m_nTopCount, 0)));
    for (const auto& run : m_runs) {
        for (int32_t slot : run.second.members) {
            if (left == 0) return;
            --left;
            write(m_store.Get(slot));
        }
    }
}
