#include "generate/CEntryStore.h"

#include <cstring>

namespace {

// The numbers and flags of an entry, stored first.
struct Numbers {
    int64_t uploaded;
    int64_t lastDownload;
    int32_t size;
    int32_t area;
    uint32_t downloads;
    uint8_t flags;
};

enum : uint8_t { kPassword = 1, kFailedScan = 2, kFree = 4, kLongDesc = 8, kExtended = 16 };

// Every text field, in the order of the packed string.
template <typename Entry, typename Visit>
void ForEachText(Entry& entry, Visit&& visit) {
    visit(entry.m_strName);
    visit(entry.m_strFileName);
    visit(entry.m_strDescription);
    for (auto& line : entry.m_strDescLine) visit(line);
    visit(entry.m_strFlag);
    visit(entry.m_strDate);
    visit(entry.m_strTime);
    visit(entry.m_strLastDate);
    visit(entry.m_strLastTime);
    visit(entry.m_strDownloads);
    visit(entry.m_strArea);
    visit(entry.m_strUploader);
}

// A field added to CFileEntry must be packed too (the position tokens are not: they belong
// to the walk's cursor only). The size is that of the fields listed above.
static_assert(sizeof(void*) != 8 || sizeof(CFileEntry) == 8 + 26 * sizeof(std::string) + 48,
              "CEntryStore packs every field of CFileEntry: add the new one");

void PutLength(std::string& out, size_t length) {
    // Seven bits a byte, the high bit set on all but the last.
    while (length >= 0x80) {
        out += static_cast<char>(0x80 | (length & 0x7F));
        length >>= 7;
    }
    out += static_cast<char>(length);
}

size_t GetLength(const std::string& in, size_t& pos) {
    size_t length = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(in[pos++]);
        length |= static_cast<size_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80)) return length;
    }
}

}  // namespace

std::string CEntryStore::Pack(const CFileEntry& entry) {
    Numbers numbers{};
    numbers.uploaded = entry.m_dtUploaded;
    numbers.lastDownload = entry.m_dtLastDownload;
    numbers.size = entry.m_nSize;
    numbers.area = entry.m_nArea;
    numbers.downloads = entry.m_nDownloads;
    numbers.flags = static_cast<uint8_t>(
        (entry.m_bHasPassword ? kPassword : 0) | (entry.m_bFailedScan ? kFailedScan : 0) |
        (entry.m_bIsFree ? kFree : 0) | (entry.m_bLongDesc ? kLongDesc : 0) |
        (entry.m_bExtended ? kExtended : 0));
    std::string out(reinterpret_cast<const char*>(&numbers), sizeof numbers);
    ForEachText(entry, [&out](const std::string& text) {
        PutLength(out, text.size());
        out += text;
    });
    out.shrink_to_fit();
    return out;
}

int32_t CEntryStore::Add(const CFileEntry& entry) {
    m_slots.push_back(Pack(entry));
    return static_cast<int32_t>(m_slots.size() - 1);
}

void CEntryStore::Replace(int32_t slot, const CFileEntry& entry) {
    m_slots[static_cast<size_t>(slot)] = Pack(entry);
}

CFileEntry CEntryStore::Get(int32_t slot) const {
    const std::string& in = m_slots[static_cast<size_t>(slot)];
    Numbers numbers;
    std::memcpy(&numbers, in.data(), sizeof numbers);
    CFileEntry entry;
    entry.m_dtUploaded = static_cast<time_t>(numbers.uploaded);
    entry.m_dtLastDownload = static_cast<time_t>(numbers.lastDownload);
    entry.m_nSize = numbers.size;
    entry.m_nArea = numbers.area;
    entry.m_nDownloads = numbers.downloads;
    entry.m_bHasPassword = numbers.flags & kPassword;
    entry.m_bFailedScan = numbers.flags & kFailedScan;
    entry.m_bIsFree = numbers.flags & kFree;
    entry.m_bLongDesc = numbers.flags & kLongDesc;
    entry.m_bExtended = numbers.flags & kExtended;
    size_t pos = sizeof numbers;
    ForEachText(entry, [&](std::string& text) {
        const size_t length = GetLength(in, pos);
        text.assign(in, pos, length);
        pos += length;
    });
    return entry;
}
