#include "publish/CZipEntryHeader.h"

#include "config/CCodePage.h"

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

}  // namespace

std::string CZipEntryHeader::EntryName(const std::string& path) {
    size_t start = 0;
    if (path.size() >= 2 && path[1] == ':') start = 2;
    std::string name;
    while (start < path.size()) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        const std::string part = path.substr(start, end - start);
        if (!part.empty() && part != "." && part != "..") {
            if (!name.empty()) name.push_back(path[start - 1]);
            name += part;
        }
        start = end + 1;
    }
    return name;
}

void CZipEntryHeader::ConvertName() {
    for (char& c : m_strFileName)
        if (c == '\\') c = '/';
    m_strFileName = CCodePage::AnsiToOem(m_strFileName);
}

uint16_t CZipEntryHeader::DosDate(const struct tm& local) {
    const int year = local.tm_year + 1900;
    const unsigned yearPart = year > 1980 ? static_cast<unsigned>(year - 1980) : 0;
    return static_cast<uint16_t>(yearPart * 512 + static_cast<unsigned>(local.tm_mon + 1) * 32 +
                                 static_cast<unsigned>(local.tm_mday));
}

uint16_t CZipEntryHeader::DosTime(const struct tm& local) {
    return static_cast<uint16_t>(local.tm_hour * 2048 + local.tm_min * 32 + local.tm_sec / 2);
}

void CZipEntryHeader::SetTime(time_t modified) {
    struct tm local {};
    if (!localtime_r(&modified, &local)) return;
    m_nModDate = DosDate(local);
    m_nModTime = DosTime(local);
}

uint16_t CZipEntryHeader::FlagsForLevel(int level) {
    switch (level) {
        case 1:
            return 0x0006;
        case 2:
            return 0x0004;
        case 8:
        case 9:
            return 0x0002;
        default:
            return 0x0000;
    }
}

std::string CZipEntryHeader::LocalHeader() const {
    std::string out;
    out.reserve(kLocalSize + m_strFileName.size() + m_strExtra.size());
    Put32(out, kLocalSignature);
    Put16(out, m_nVersionNeeded);
    Put16(out, m_nFlags);
    Put16(out, m_nMethod);
    Put16(out, m_nModTime);
    Put16(out, m_nModDate);
    Put32(out, m_nCrc);
    Put32(out, m_nCompressedSize);
    Put32(out, m_nUncompressedSize);
    Put16(out, static_cast<uint16_t>(m_strFileName.size()));
    Put16(out, static_cast<uint16_t>(m_strExtra.size()));
    out += m_strFileName;
    out += m_strExtra;
    return out;
}

std::string CZipEntryHeader::CentralHeader() const {
    std::string out;
    out.reserve(CentralHeaderSize());
    Put32(out, m_nSignature);
    Put16(out, m_nVersionMadeBy);
    Put16(out, m_nVersionNeeded);
    Put16(out, m_nFlags);
    Put16(out, m_nMethod);
    Put16(out, m_nModTime);
    Put16(out, m_nModDate);
    Put32(out, m_nCrc);
    Put32(out, m_nCompressedSize);
    Put32(out, m_nUncompressedSize);
    Put16(out, static_cast<uint16_t>(m_strFileName.size()));
    Put16(out, static_cast<uint16_t>(m_strExtra.size()));
    Put16(out, static_cast<uint16_t>(m_strComment.size()));
    Put16(out, m_nDiskStart);
    Put16(out, m_nInternalAttr);
    Put32(out, m_nExternalAttr);
    Put32(out, m_nLocalOffset);
    out += m_strFileName;
    out += m_strExtra;
    out += m_strComment;
    return out;
}

void CZipEntryHeader::Put16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void CZipEntryHeader::Put32(std::string& out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v & 0xFFFF));
    Put16(out, static_cast<uint16_t>(v >> 16));
}
