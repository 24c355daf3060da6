// The ranking must reproduce, ties included, the original procedure: append or overwrite the
// least popular key, then re-run a recursive quicksort over the whole table. The reference
// below is that procedure written out plainly; the fast ranking is compared against it.
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "generate/CPopularRanking.h"
#include "tests/support/TestEntry.h"

namespace {

CFileEntry MakeFile(int number, uint32_t downloads) {
    CFileEntry entry = TestEntry("F" + std::to_string(number));
    entry.m_nDownloads = downloads;
    return entry;
}

void PlainSort(std::vector<PopularKey>& keys, int lo, int hi) {
    if (hi <= lo) return;
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
        if (i >= j) break;
        std::swap(keys[i], keys[j]);
    }
    std::swap(keys[i], keys[hi]);
    PlainSort(keys, lo, i - 1);
    PlainSort(keys, i + 1, hi);
}

// The original procedure; the store keeps every copy, as it did.
class PlainRanking {
public:
    explicit PlainRanking(int n) : m_n(n) {}
    void Offer(const CFileEntry& entry) {
        const uint32_t downloads = entry.m_nDownloads;
        if (static_cast<int>(m_keys.size()) < m_n) {
            m_store.push_back(entry);
            m_keys.push_back({downloads, static_cast<int32_t>(m_store.size() - 1)});
        } else if (!m_keys.empty() && downloads > m_keys.back().m_dwDownloads) {
            m_store.push_back(entry);
            m_keys.back() = {downloads, static_cast<int32_t>(m_store.size() - 1)};
        } else {
            return;
        }
        PlainSort(m_keys, 0, static_cast<int>(m_keys.size()) - 1);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const PopularKey& key : m_keys) names.push_back(m_store[key.m_nIndex].m_strName);
        return names;
    }

private:
    int m_n;
    std::vector<CFileEntry> m_store;
    std::vector<PopularKey> m_keys;
};

std::vector<std::string> Names(CPopularRanking& ranking) {
    std::vector<std::string> names;
    ranking.ForEachRanked([&names](const CFileEntry& entry) { names.push_back(entry.m_strName); });
    return names;
}

// The names ranked after offering files 1, 2, ... with `counts`; the store never holds
// more files than the ranking keeps.
std::vector<std::string> RankCounts(int n, const std::vector<uint32_t>& counts) {
    CPopularRanking ranking;
    ranking.Reset(n);
    for (size_t k = 0; k < counts.size(); ++k)
        ranking.Offer(MakeFile(static_cast<int>(k + 1), counts[k]));
    EXPECT_LE(ranking.StoreSize(), static_cast<size_t>(std::max(n, 0)));
    return Names(ranking);
}

// Runs `work` on a thread with a small stack, so recursion as deep as the table would crash.
void RunOnSmallStack(std::function<void()> work) {
    pthread_attr_t attr;
    pthread_t thread;
    ASSERT_EQ(0, pthread_attr_init(&attr));
    ASSERT_EQ(0, pthread_attr_setstacksize(&attr, 256 * 1024));
    auto run = [](void* fn) -> void* {
        (*static_cast<std::function<void()>*>(fn))();
        return nullptr;
    };
    ASSERT_EQ(0, pthread_create(&thread, &attr, run, &work));
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

}  // namespace

TEST(PopularRanking, DescribedExamples) {
    using Ranked = std::vector<std::string>;
    const std::tuple<int, std::vector<uint32_t>, Ranked> cases[] = {
        // 2 enters and is replaced by the fourth file (9), then 5 by the fifth (7).
        {3, {5, 9, 2, 9, 7}, {"F2", "F4", "F5"}},
        // The third 4 does not beat the least held; the sort puts the second file first.
        {2, {4, 4, 4}, {"F2", "F1"}},
        {5, {}, {}},
        {0, {10, 0}, {}},  // a count of zero or less keeps nothing
        {-3, {10, 0}, {}},
        {2, {5, 0xFFFFFFFFu, 0x80000000u}, {"F2", "F3"}},  // counts compare unsigned
    };
    for (const auto& [n, counts, ranked] : cases) EXPECT_EQ(RankCounts(n, counts), ranked) << n;
}

TEST(PopularRanking, ResetForgetsThePreviousRun) {
    CPopularRanking ranking;
    ranking.Reset(2);
    ranking.Offer(MakeFile(1, 7));
    ranking.Offer(MakeFile(2, 7));
    ranking.Reset(3);
    ranking.Offer(MakeFile(3, 1));
    EXPECT_EQ((std::vector<std::string>{"F3"}), Names(ranking));
    EXPECT_EQ(1u, ranking.StoreSize());
}

TEST(PopularRanking, SortPopularMatchesThePlainProcedure) {
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        const int size = static_cast<int>(rng() % 40);
        const uint32_t range = 1 + rng() % 8;
        std::vector<PopularKey> keys(size);
        for (int k = 0; k < size; ++k) keys[k] = {static_cast<uint32_t>(rng() % range), k};
        std::vector<PopularKey> expected = keys;
        PlainSort(expected, 0, size - 1);
        CPopularRanking::SortPopular(keys, 0, size - 1);
        for (int k = 0; k < size; ++k)
            ASSERT_EQ(expected[k].m_nIndex, keys[k].m_nIndex) << "round " << round;
    }
}

// Offers `files` files with counts from `count` to the ranking and to the plain procedure,
// comparing what they rank every `every` files and at the end.
void ExpectSameRanking(int n, int files, const std::function<uint32_t(int)>& count, int every) {
    CPopularRanking ranking;
    ranking.Reset(n);
    PlainRanking plain(n);
    for (int k = 0; k < files; ++k) {
        const CFileEntry file = MakeFile(k, count(k));
        ranking.Offer(file);
        plain.Offer(file);
        if (k % every == 0 || k == files - 1) {
            ASSERT_EQ(plain.Names(), Names(ranking)) << "n " << n << " file " << k;
            ASSERT_LE(ranking.StoreSize(), static_cast<size_t>(n));
        }
    }
}

TEST(PopularRanking, MatchesThePlainProcedureAfterEveryFile) {
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        std::mt19937 rng(seed);
        const int n = 1 + static_cast<int>(rng() % 40);
        const uint32_t range = 1 + rng() % (seed % 3 == 0 ? 50 : 6);
        const int files = static_cast<int>(rng() % 200);
        ASSERT_NO_FATAL_FAILURE(ExpectSameRanking(
            n, files, [&](int) { return rng() % range; }, 1))
            << "seed " << seed;
    }
}

TEST(PopularRanking, MatchesThePlainProcedureOnLargerLists) {
    // Mostly rising counts with ties and setbacks, as download counts of a walk look; then
    // runs of equal counts longer than 255 keys, among mixed counts and passed by long
    // stretches of higher and of lower ones; then more than 65,536 keys entering the table.
    // So every way of settling what the runs owe is compared.
    std::mt19937 rng;
    uint32_t base = 0;
    auto walk = [&](uint32_t setbacks, uint32_t rise, uint32_t wrap) {
        return [&, setbacks, rise, wrap](int) {
            base += rng() % rise;
            const uint32_t rising = wrap ? base % wrap : base;
            return rng() % 4 == 0 ? static_cast<uint32_t>(rng() % setbacks) : rising;
        };
    };
    auto stretches = [&](int k) {
        const uint32_t first = k % 50 == 0 ? 3 : 5;
        return static_cast<uint32_t>(k < 400 ? first : k < 700 ? k : k < 900 ? 1 + rng() % 2 : k);
    };
    const std::tuple<int, int, std::function<uint32_t(int)>> cases[] = {
        {200, 3000, walk(20, 3, 0)}, {400, 3000, walk(20, 3, 0)}, {600, 3000, walk(20, 3, 0)},
        {1500, 5000, walk(4, 2, 8)}, {1000, 3000, stretches},     {40, 70000, walk(6, 3, 0)}};
    uint32_t seed = 0;
    for (const auto& [n, files, count] : cases) {
        rng.seed(++seed);
        base = 0;
        ASSERT_NO_FATAL_FAILURE(ExpectSameRanking(n, files, count, 997));
    }
}

TEST(PopularRanking, HugeTableNeedsNoDeepRecursion) {
    // An already sorted table drives the quicksort to a depth equal to its length.
    RunOnSmallStack([] {
        std::vector<PopularKey> keys(20000);
        for (int k = 0; k < 20000; ++k) keys[k] = {static_cast<uint32_t>(20000 - k), k};
        CPopularRanking::SortPopular(keys, 0, 19999);
        EXPECT_EQ(0, keys.front().m_nIndex);
        EXPECT_EQ(19999, keys.back().m_nIndex);
    });
    RunOnSmallStack([] {
        CPopularRanking ranking;
        ranking.Reset(2000000);
        for (int k = 0; k < 100000; ++k) ranking.Offer(MakeFile(k, static_cast<uint32_t>(k)));
        const std::vector<std::string> ranked = Names(ranking);
        ASSERT_EQ(100000u, ranked.size());
        EXPECT_EQ("F99999", ranked.front());
        EXPECT_EQ("F0", ranked.back());
    });
}
