// Fills a new board with believable data: named areas, 8.3 names and some long names,
// descriptions, long descriptions, passworded / free / scan-failed files, uploads spread over
// two years and skewed download counts. Everything comes from the seed (never the clock), so
// the same options give the same board.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "tools/board/CDemoOptions.h"

class CSqlDatabase;

class CDemoBoard {
public:
    CDemoBoard(CSqlDatabase& db, const CDemoOptions& options);
    void Fill();

    // The moment the demo's dates lead up to, derived from the seed.
    static int64_t ReferenceUnixTime(uint64_t seed);

private:
    uint64_t Below(uint64_t n) { return n ? m_rng() % n : 0; }
    bool Chance(unsigned percent) { return Below(100) < percent; }
    std::string FileName(uint32_t index);
    std::string Description(const std::string& ext);
    std::string LongName(const std::string& ext);
    std::string LongDescription();
    uint32_t Downloads();

    CSqlDatabase& m_db;
    CDemoOptions m_options;
    std::mt19937_64 m_rng;
};
