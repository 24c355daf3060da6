// A registered record type of the configuration model that nothing creates or stores.
#pragma once

#include <cstdint>

struct ExcludeRec {
    uint32_t m_dwFirst = 0;
    uint32_t m_dwSecond = 0;
};
