#include "server/CBoardCatalogue.h"

#include "server/WcServer.h"

namespace {

// Numbers 0 to `count` (inclusive, as the board counts them) that `get` finds with a name.
template <typename Record, typename Get>
std::vector<CBoardCatalogue::Entry> Collect(int count, Get get) {
    std::vector<CBoardCatalogue::Entry> entries;
    for (int n = 0; n <= count; ++n) {
        Record rec{};
        if (get(n, &rec) != 1) continue;
        std::string name = WcText(rec.szName);
        if (!name.empty()) entries.push_back({n, std::move(name)});
    }
    return entries;
}

}  // namespace

CBoardCatalogue CBoardCatalogue::Read() {
    CBoardCatalogue catalogue;
    catalogue.m_conferences = Collect<WcConfDesc>(GetConferenceCount(), GetConfDesc);
    catalogue.m_areas = Collect<WcFileArea>(GetFileAreaCount(), GetFileArea);
    catalogue.m_languages = Collect<WcLanguage>(GetLanguageCount(), GetLanguage);
    return catalogue;
}

std::string CBoardCatalogue::OperatorName() {
    WcMakewild settings{};
    return GetMakewild(&settings) ? WcText(settings.szSysopName) : std::string();
}
