// What the ranking's quicksort does to a run of equal download counts. Re-sorting a table
// that was sorted before one key changed reorders each run of equal counts by a permutation
// that depends only on the run's length and on whether the changed key's count lies above
// the run's ("A": the run is sorted as it stands) or below it ("B": its first key is moved
// last, then it is sorted). A run that nothing touches owes these reorderings without
// receiving them; CatchUp applies what it owes in one go: eight at a time through
// compositions worked out once per length and letters, and a long repeat of one in a single pass
// over its cycles.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

class CTieOrders {
public:
    // Applies to `run` (store slots in table order, all of download count `count`) the
    // reorderings owed for the keys that entered the table since it was last brought up to
    // date, whose counts are `entered[0..n)` in order; none of them equals `count`.
    void CatchUp(std::vector<int32_t>& run, uint32_t count, const uint32_t* entered, size_t n);
    // Sorts a run whose last key has just joined it, as the procedure does.
    void Join(std::vector<int32_t>& run);
    // The procedure's order for `length` equal keys: the key at position k afterwards is
    // the one from position Order(length)[k].
    const std::vector<int32_t>& Order(size_t length);

private:
    // OrderOf never drops cached orders, so references it gives stay valid; TrimOrders
    // drops them all once they grow too many.
    const std::vector<int32_t>& OrderOf(size_t length);
    void TrimOrders();
    // The composition `index` ((1 << count) | letters) of reorderings of a short run, worked
    // out the first time it is asked for: a run meets few of the 512.
    const uint8_t* Composition(size_t length, size_t index);
    void ApplyComposition(std::vector<int32_t>& run, const uint8_t* order);
    void ApplyLetter(std::vector<int32_t>& run, bool below);
    // The cycles of one reordering: positions cycle by cycle, and where each cycle ends.
    struct Cycles {
        std::vector<int32_t> positions;
        std::vector<int32_t> ends;
    };
    void FindCycles(size_t length, bool below, Cycles& cycles);
    void ApplyRepeat(std::vector<int32_t>& run, bool below, uint64_t times);
    void SwapWithScratch(std::vector<int32_t>& run);

    std::unordered_map<size_t, std::vector<int32_t>> m_orders;
    size_t m_nCachedOrders = 0;
    static constexpr size_t kCompositions = 512;
    // The compositions made so far, one after another in the order they were made, so that
    // the memory a run touches is that of the compositions it met (page faults are a large
    // part of a small run's cost). A pointer into `bytes` lasts until the next composition
    // of the same length is made.
    struct CompositionTable {
        std::vector<uint8_t> bytes;
        std::vector<uint16_t> slot;  // by index: 1 + the composition's place in `bytes`, or 0
    };
    std::vector<CompositionTable> m_compositions;      // by length, for short runs
    std::vector<std::array<Cycles, 2>> m_shortCycles;  // by length, "A" and "B"
    Cycles m_longCycles;
    std::vector<int32_t> m_scratch;
    std::vector<uint8_t> m_seen;
};
