// The ranking must reproduce, ties included, the original procedure (PlainRanking below).
#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "generate/CPopularRanking.h"
#include "tests/support/TestEntry.h"

namespace {

using Names = std::vector<std::string>;

CFileEntry MakeFile(int number, uint32_t downloads) {
    CFileEntry entry = TestEntry("F" + std::to_string(number));
    entry.m_nDownloads = downloads;
    return entry;
}

// Append or overwrite the least popular key, re-sort the table; every copy stays in `names`.
struct PlainRanking {
    void Offer(const CFileEntry& entry) {
        const PopularKey key{entry.m_nDownloads, static_cast<int32_t>(names.size())};
        if (static_cast<int>(keys.size()) < n)
            keys.push_back(key);
        else if (!keys.empty() && key.m_dwDownloads > keys.back().m_dwDownloads)
            keys.back() = key;
        else
            return;
        names.push_back(entry.m_strName);
        CPopularRanking::SortPopular(keys, 0, static_cast<int>(keys.size()) - 1);
    }
    Names Ranked() const {
        Names ranked;
        for (const PopularKey& key : keys) ranked.push_back(names[key.m_nIndex]);
        return ranked;
    }
    int n;
    Names names = {};  // of every file offered
    std::vector<PopularKey> keys = {};
};

Names Ranked(CPopularRanking& ranking) {
    Names names;
    ranking.ForEachRanked([&names](const CFileEntry& entry) { names.push_back(entry.m_strName); });
    return names;
}

// Files 0, 1, ... ranked alike by both, compared every `every` files; the store holds at most n.
void ExpectSameRanking(int n, int files, const std::function<uint32_t(int)>& count, int every) {
    CPopularRanking ranking;
    ranking.Reset(n);
    PlainRanking plain{n};
    for (int k = 0; k < files; ++k) {
        const CFileEntry file = MakeFile(k, count(k));
        ranking.Offer(file);
        plain.Offer(file);
        if (k % every == 0 || k == files - 1) {
            ASSERT_EQ(plain.Ranked(), Ranked(ranking)) << "n " << n << " file " << k;
            ASSERT_LE(ranking.StoreSize(), static_cast<size_t>(n));
        }
    }
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

TEST(PopularRanking, DescribedExamplesAndReset) {
    const std::tuple<int, std::vector<uint32_t>, Names> cases[] = {
        // 2 enters and is replaced by the fourth file (9), then 5 by the fifth (7).
        {3, {5, 9, 2, 9, 7}, {"F1", "F3", "F4"}},
        // The third 4 does not beat the least held; the sort puts the second file first.
        {2, {4, 4, 4}, {"F1", "F0"}},
        {5, {}, {}},
        {0, {10, 0}, {}},  // a count of zero or less keeps nothing
        {-3, {10, 0}, {}},
        {2, {5, 0xFFFFFFFFu, 0x80000000u}, {"F1", "F2"}},  // counts compare unsigned
    };
    CPopularRanking ranking;
    for (const auto& [n, counts, ranked] : cases) {
        ranking.Reset(n);  // forgets the previous case
        for (size_t k = 0; k < counts.size(); ++k)
            ranking.Offer(MakeFile(static_cast<int>(k), counts[k]));
        EXPECT_EQ(Ranked(ranking), ranked) << n;
        EXPECT_EQ(ranking.StoreSize(), ranked.size()) << n;
    }
}

TEST(PopularRanking, MatchesThePlainProcedure) {
    // Small random tables, compared after every file.
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        std::mt19937 rng(seed);
        const int n = 1 + static_cast<int>(rng() % 40);
        const uint32_t range = 1 + rng() % (seed % 3 == 0 ? 50 : 6);
        const int files = static_cast<int>(rng() % 200);
        ASSERT_NO_FATAL_FAILURE(ExpectSameRanking(
            n, files, [&](int) { return rng() % range; }, 1))
            << "seed " << seed;
    }
    // Rising counts with ties and setbacks, as a walk's download counts look; runs of more
    // than 255 equal counts passed by higher and lower ones; more than 65,536 keys entering.
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
    // An already sorted table drives a plain quicksort to a depth equal to its length.
    RunOnSmallStack([] {
        std::vector<PopularKey> keys(20000);
        for (int k = 0; k < 20000; ++k) keys[k] = {static_cast<uint32_t>(20000 - k), k};
        CPopularRanking::SortPopular(keys, 0, 19999);
        EXPECT_EQ(std::pair(keys.front().m_nIndex, keys.back().m_nIndex), std::pair(0, 19999));
        CPopularRanking ranking;
        ranking.Reset(2000000);
        for (int k = 0; k < 100000; ++k) ranking.Offer(MakeFile(k, static_cast<uint32_t>(k)));
        const Names ranked = Ranked(ranking);
        ASSERT_EQ(100000u, ranked.size());
        EXPECT_EQ((Names{ranked.front(), ranked.back()}), (Names{"F99999", "F0"}));
    });
}
