// Feeds arbitrary bytes to the configuration file reader: it must never crash, read past
// its input or allocate by a hostile count, and a refused file must leave the
// configuration as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "config/CArchiveReader.h"
#include "config/CConfigFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CArchiveReader ar(std::string_view(reinterpret_cast<const char*>(data), size));
    CConfig config;
    config.m_strHeaderLines = "sentinel";
    std::string error;
    const auto result = CConfigFile::Read(ar, "fuzz.cfg", config, &error);
    if (result != CConfigFile::LoadResult::Loaded) {
        if (!config.m_lists.empty() || config.m_strHeaderLines != "sentinel" || error.empty()) {
            std::abort();
        }
    }
    return 0;
}
