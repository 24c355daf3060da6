#include "generate/CTieOrders.h"

#include <algorithm>
#include <bit>
#include <climits>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Runs up to this length are reordered through compositions of up to eight reorderings,
// indexed by (1 << count) | letters, letter i in bit i (1 = "B").
constexpr size_t kShortRun = 255;
// Orders of longer runs are recomputed once this many of their elements are kept.
constexpr size_t kMaxCachedOrders = size_t{1} << 21;
// A repeat of one reordering at least this long is applied over its cycles (for short runs,
// and for long runs).
constexpr uint64_t kLongRepeat = 64;
constexpr size_t kCycleRepeat = 16;

// The letters of 64 (or the `n` left) entered keys: bit j set when key j entered above.
uint64_t Letters(const uint32_t* entered, size_t n, uint32_t count) {
    uint64_t letters = 0;
    size_t j = 0;
#ifdef __SSE2__
    // Every run reads the whole record of what it owes, so four counts are compared at once
    // (unsigned, through the signed comparison with the sign bits flipped).
    const __m128i flip = _mm_set1_epi32(INT32_MIN);
    const __m128i limit = _mm_xor_si128(_mm_set1_epi32(static_cast<int32_t>(count)), flip);
    for (; j + 4 <= n; j += 4) {
        const __m128i four =
            _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(entered + j)), flip);
        const int above = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(four, limit)));
        letters |= static_cast<uint64_t>(above) << j;
    }
#endif
    for (; j < n; ++j) letters |= static_cast<uint64_t>(entered[j] > count) << j;
    return letters;
}

}  // namespace

const std::vector<int32_t>& CTieOrders::Order(size_t length) {
    TrimOrders();
    return OrderOf(length);
}

void CTieOrders::TrimOrders() {
    if (m_nCachedOrders > kMaxCachedOrders) {
        m_orders.clear();
        m_nCachedOrders = 0;
    }
}

const std::vector<int32_t>& CTieOrders::OrderOf(size_t length) {
    auto found = m_orders.find(length);
    if (found != m_orders.end()) return found->second;
    // Among equal keys the partition stops both scans at once: it reverses positions
    // 0..L-2, swaps the middle one s with the pivot at L-1, and sorts the s keys before
    // and the L-1-s keys after the pivot the same way. References into the map stay valid
    // while it grows.
    std::vector<int32_t> order(length);
    if (length == 1) order[0] = 0;
    if (length >= 2) {
        const auto last = static_cast<int32_t>(length - 1);
        const auto s = static_cast<int32_t>((length - 1) / 2);
        auto partitioned = [&](int32_t k) {
            return k == s ? last : (k == last ? last - 1 - s : last - 1 - k);
        };
        const std::vector<int32_t>& before = OrderOf(static_cast<size_t>(s));
        for (int32_t k = 0; k < s; ++k) order[k] = partitioned(before[k]);
        order[s] = last;
        const std::vector<int32_t>& after = OrderOf(static_cast<size_t>(last - s));
        for (int32_t k = 0; k < last - s; ++k) order[s + 1 + k] = partitioned(s + 1 + after[k]);
    }
    m_nCachedOrders += length;
    return m_orders.emplace(length, std::move(order)).first->second;
}

const uint8_t* CTieOrders::Composition(size_t length, size_t index) {
    if (m_compositions.size() <= length) m_compositions.resize(length + 1);
    CompositionTable& table = m_compositions[length];
    if (table.slot.empty()) {
        table.slot.assign(kCompositions, 0);
        table.bytes.resize(length);
        for (size_t k = 0; k < length; ++k) table.bytes[k] = static_cast<uint8_t>(k);
        table.slot[1] = 1;  // no letters: the run as it stands
    }
    if (table.slot[index] != 0) return &table.bytes[(table.slot[index] - 1) * length];
    // The composition without its last letter, then that letter.
    const int count = std::bit_width(index) - 1;
    const bool below = (index >> (count - 1)) & 1;
    const size_t prefix = (index & ((size_t{1} << (count - 1)) - 1)) | (size_t{1} << (count - 1));
    Composition(length, prefix);
    const size_t from = (table.slot[prefix] - 1) * length;
    const size_t made = table.bytes.size() / length;
    table.bytes.resize(table.bytes.size() + length);
    const std::vector<int32_t>& order = Order(length);
    uint8_t* to = &table.bytes[made * length];
    for (size_t k = 0; k < length; ++k) {
        size_t source = static_cast<size_t>(order[k]) + below;
        if (source == length) source = 0;
        to[k] = table.bytes[from + source];
    }
    table.slot[index] = static_cast<uint16_t>(made + 1);
    return to;
}

void CTieOrders::ApplyComposition(std::vector<int32_t>& run, const uint8_t* order) {
    const size_t length = run.size();
    m_scratch.resize(length);
    for (size_t k = 0; k < length; ++k) m_scratch[k] = run[order[k]];
    SwapWithScratch(run);
}

void CTieOrders::SwapWithScratch(std::vector<int32_t>& run) {
    // The two buffers change places; one that a longer run left is not kept by a short one.
    run.swap(m_scratch);
    if (run.capacity() > 2 * run.size() + 64) run.shrink_to_fit();
}

void CTieOrders::ApplyLetter(std::vector<int32_t>& run, bool below) {
    // The order of the whole run is the partition followed by the orders of its two parts,
    // read here as they are applied, so that a long run that grows or shrinks one key at
    // a time needs only the orders of about half its length, which change half as often.
    const size_t length = run.size();
    const auto last = static_cast<int32_t>(length - 1);
    const auto s = static_cast<int32_t>((length - 1) / 2);
    TrimOrders();
    const std::vector<int32_t>& before = OrderOf(static_cast<size_t>(s));
    const std::vector<int32_t>& after = OrderOf(static_cast<size_t>(last - s));
    // The run one longer, so that "B" reads the key after the one "A" reads, wrapping.
    run.push_back(run.front());
    const int32_t* from = run.data() + (below ? 1 : 0);
    m_scratch.resize(length);
    for (int32_t k = 0; k < s; ++k) m_scratch[k] = from[last - 1 - before[k]];
    m_scratch[s] = from[last];
    for (int32_t k = 0; k < last - s; ++k) {
        const int32_t j = s + 1 + after[k];
        m_scratch[s + 1 + k] = from[j == last ? last - 1 - s : last - 1 - j];
    }
    SwapWithScratch(run);
}

void CTieOrders::FindCycles(size_t length, bool below, Cycles& cycles) {
    const std::vector<int32_t>& order = Order(length);
    cycles.positions.clear();
    cycles.ends.clear();
    m_seen.assign(length, 0);
    for (size_t start = 0; start < length; ++start) {
        // One cycle of the reordering: position k receives from source(k).
        for (size_t k = start; !m_seen[k];) {
            m_seen[k] = 1;
            cycles.positions.push_back(static_cast<int32_t>(k));
            const size_t source = static_cast<size_t>(order[k]) + below;
            k = source == length ? 0 : source;
        }
        if (cycles.ends.empty() ||
            cycles.ends.back() != static_cast<int32_t>(cycles.positions.size())) {
            cycles.ends.push_back(static_cast<int32_t>(cycles.positions.size()));
        }
    }
}

void CTieOrders::ApplyRepeat(std::vector<int32_t>& run, bool below, uint64_t times) {
    const size_t length = run.size();
    Cycles* cycles = &m_longCycles;
    if (length <= kShortRun) {
        if (m_shortCycles.size() <= length) m_shortCycles.resize(length + 1);
        cycles = &m_shortCycles[length][below];
        if (cycles->ends.empty()) FindCycles(length, below, *cycles);
    } else {
        FindCycles(length, below, *cycles);
    }
    m_scratch.resize(length);
    size_t begin = 0;
    for (const int32_t end : cycles->ends) {
        const int32_t* cycle = cycles->positions.data() + begin;
        const size_t size = static_cast<size_t>(end) - begin;
        const size_t step = static_cast<size_t>(times % size);
        for (size_t i = 0; i < size; ++i) {
            const size_t from = i + step < size ? i + step : i + step - size;
            m_scratch[cycle[i]] = run[cycle[from]];
        }
        begin = static_cast<size_t>(end);
    }
    SwapWithScratch(run);
}

void CTieOrders::Join(std::vector<int32_t>& run) {
    if (run.size() < 2) return;
    if (run.size() <= kShortRun) {
        ApplyComposition(run, Composition(run.size(), 2));  // the single letter "A"
    } else {
        ApplyLetter(run, false);
    }
}

void CTieOrders::CatchUp(std::vector<int32_t>& run, uint32_t count, const uint32_t* entered,
                         size_t n) {
    const size_t length = run.size();
    if (length < 2 || n == 0) return;
    const bool shortRun = length <= kShortRun;
    bool repeatBelow = false;
    uint64_t repeat = 0;
    auto flushRepeat = [&] {
        if (repeat == 0) return;
        if (shortRun && repeat < kLongRepeat) {
            const size_t all = repeatBelow ? 0xFF : 0;
            for (uint64_t k = 0; k < repeat; k += 8) {
                const int letters = static_cast<int>(std::min<uint64_t>(8, repeat - k));
                const size_t index = (size_t{1} << letters) | (all >> (8 - letters));
                ApplyComposition(run, Composition(length, index));
            }
        } else if (!shortRun && repeat < kCycleRepeat) {
            for (uint64_t k = 0; k < repeat; ++k) ApplyLetter(run, repeatBelow);
        } else {
            ApplyRepeat(run, repeatBelow, repeat);
        }
        repeat = 0;
    };
    for (size_t t = 0; t < n; t += 64) {
        const size_t m = std::min<size_t>(64, n - t);
        const uint64_t letters = Letters(entered + t, m, count);
        const uint64_t all = m == 64 ? ~uint64_t{0} : (uint64_t{1} << m) - 1;
        // Many keys in a row on the same side of the run make one long repeat.
        if (letters == 0 || letters == all) {
            const bool below = letters != 0;
            if (repeat > 0 && below != repeatBelow) flushRepeat();
            repeatBelow = below;
            repeat += m;
            continue;
        }
        flushRepeat();
        if (shortRun) {
            for (size_t k = 0; k < m; k += 8) {
                const size_t count8 = std::min<size_t>(8, m - k);
                const size_t bits = (letters >> k) & ((size_t{1} << count8) - 1);
                ApplyComposition(run, Composition(length, (size_t{1} << count8) | bits));
            }
        } else {
            for (size_t k = 0; k < m;) {
                const bool below = (letters >> k) & 1;
                const uint64_t rest = (below ? ~letters : letters) >> k;
                const size_t same = std::min<size_t>(rest ? std::countr_zero(rest) : 64, m - k);
                if (same < kCycleRepeat) {
                    for (size_t r = 0; r < same; ++r) ApplyLetter(run, below);
                } else {
                    ApplyRepeat(run, below, same);
                }
                k += same;
            }
        }
    }
    flushRepeat();
}
