// Arguments of quorvane-board demo.
#pragma once

#include <cstdint>

struct CDemoOptions {
    uint32_t files = 2000;
    uint32_t areas = 12;
    uint64_t seed = 1;
    // Download counts rising along key order, all distinct: the worst case of a ranking.
    bool rising = false;
    // Unix time of the latest possible upload; 0: a moment of 2026 chosen by the seed.
    int64_t until = 0;
};
