// The tests' clock: lists are dated by hand for 2026-12-01 12:00:00 UTC (the tests run with
// TZ=UTC and LC_ALL=C).
#pragma once

#include <ctime>

#include "generate/CDateTime.h"

inline constexpr time_t kNow = 1796126400;

// Holds the run clock at `now` while it lives.
class CFixedClock {
public:
    explicit CFixedClock(time_t now = kNow) { CDateTime::SetNowForTesting(now); }
    ~CFixedClock() { CDateTime::SetNowForTesting(0); }
    CFixedClock(const CFixedClock&) = delete;
    CFixedClock& operator=(const CFixedClock&) = delete;
};
