// The Atom feed of an HTML list: its newest files, newest first, at most the list's feed
// count. Entries are offered as the list is written; only the newest are kept.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "generate/CSideFile.h"

class CFileEntry;
class COutRec;

class CAtomFeed : public CSideFile {
public:
    // The most entries a feed holds, whatever the configuration says: the kept entries are
    // the feed's only memory.
    static constexpr int kMaxEntries = 10000;

    explicit CAtomFeed(const COutRec& def);
    void Add(const CFileEntry& entry);
    bool Finish(CListRun& run, std::string* tempName) override;

    // Windows-1252 text as UTF-8 XML character data or attribute value: markup characters
    // escaped, characters XML cannot hold replaced by U+FFFD.
    static std::string XmlText(std::string_view cp1252);
    // Windows-1252 text as part of a URI: UTF-8, everything but letters, digits and "-._~"
    // percent-encoded.
    static std::string UriPart(std::string_view cp1252);

private:
    struct Item {
        time_t uploaded;
        uint64_t order;  // position in the list, which breaks ties
        int area;
        std::string name;
        std::string summary;
        std::string uploader;
    };
    static bool Newer(const Item& a, const Item& b) {
        return a.uploaded != b.uploaded ? a.uploaded > b.uploaded : a.order < b.order;
    }

    size_t m_nMax;
    uint64_t m_nOffered = 0;
    // A heap whose top is the oldest entry kept.
    std::vector<Item> m_items;
};
