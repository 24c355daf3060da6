// The tests' clock: lists are dated by hand for 2026-12-01 12:00:00 UTC (the tests run with
// TZ=UTC and LC_ALL=C).
#pragma once

#include <ctime>

#include "generate/RunOptions.h"

inline constexpr time_t kNow = 1796126400;

// Run options whose clock stands at `now`.
inline RunOptions AtTestClock(time_t now = kNow) {
    RunOptions options;
    options.now = now;
    return options;
}
