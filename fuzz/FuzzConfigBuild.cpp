// Feeds arbitrary text to `quorvane-config build` as JSON: it must never crash, and a
// refused text must leave the configuration as it was and say why on one short line. An
// accepted one must be written and read back as the same configuration, and its JSON must
// build the same configuration again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/CArchiveReader.h"
#include "config/CConfigFile.h"
#include "io/CMemorySink.h"
#include "tools/config/CConfigJson.h"

namespace {

// Equal stored fields; a file holds the version each record is written in.
bool SameConfig(const CConfig& a, const CConfig& b) {
    if (a.m_strHeaderLines != b.m_strHeaderLines || a.m_lists.size() != b.m_lists.size()) {
        return false;
    }
    for (size_t i = 0; i < a.m_lists.size(); ++i) {
        COutRec written = a.m_lists[i];
        written.m_fVersion = written.WrittenVersion();
        if (written != b.m_lists[i]) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CConfig config;
    config.m_strHeaderLines = "sentinel";
    std::string error;
    if (!CConfigJson::FromText(text, &config, &error)) {
        // The message names the key and quotes at most a short piece of the value.
        if (error.empty() || error.size() > 600 || error.find('\n') != std::string::npos ||
            config.m_strHeaderLines != "sentinel" || !config.m_lists.empty()) {
            std::abort();
        }
        return 0;
    }
    std::string bytes;
    CMemorySink sink(&bytes);
    if (!CConfigFile::Write(sink, config, &error)) std::abort();
    CArchiveReader ar{std::string_view(bytes)};
    CConfig back;
    if (CConfigFile::Read(ar, "fuzz.cfg", back, &error) != CConfigFile::LoadResult::Loaded ||
        !SameConfig(config, back)) {
        std::abort();
    }
    CConfig again;
    if (!CConfigJson::FromText(CConfigJson::ToJson(back).dump(), &again, &error) ||
        !SameConfig(back, again)) {
        std::abort();
    }
    return 0;
}
