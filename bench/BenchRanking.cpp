// Cost of the most-popular ranking over a whole walk. Rising counts are its worst case for
// the original procedure: every file enters and the table is re-sorted while already sorted.
#include <cstdint>
#include <random>

#include <benchmark/benchmark.h>

#include "generate/CFileEntry.h"
#include "generate/CPopularRanking.h"

namespace {

constexpr int kFiles = 1000000;

void RisingCounts(benchmark::State& state) {
    const int topCount = static_cast<int>(state.range(0));
    CFileEntry entry;
    entry.m_strName = "FILE0001.ZIP";
    for (auto _ : state) {
        CPopularRanking ranking;
        ranking.Reset(topCount);
        for (int k = 0; k < kFiles; ++k) {
            entry.m_nDownloads = static_cast<uint32_t>(k);
            ranking.Offer(entry);
        }
        ranking.ForEachRanked([](const CFileEntry& e) { benchmark::DoNotOptimize(e); });
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}

// Few distinct counts, so the table is mostly runs of ties that every change reorders.
void TiedCounts(benchmark::State& state) {
    const int topCount = static_cast<int>(state.range(0));
    CFileEntry entry;
    entry.m_strName = "FILE0001.ZIP";
    for (auto _ : state) {
        std::mt19937 rng(1);
        CPopularRanking ranking;
        ranking.Reset(topCount);
        for (int k = 0; k < kFiles; ++k) {
            entry.m_nDownloads = static_cast<uint32_t>(rng() % 100);
            ranking.Offer(entry);
        }
        ranking.ForEachRanked([](const CFileEntry& e) { benchmark::DoNotOptimize(e); });
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}

}  // namespace

BENCHMARK(RisingCounts)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(TiedCounts)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
