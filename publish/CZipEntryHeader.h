// One entry of a ZIP archive: the fields of its central directory header, and the bytes of
// its local and central headers.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

class CZipEntryHeader {
public:
    static constexpr uint32_t kCentralSignature = 0x02014B50;
    static constexpr uint32_t kLocalSignature = 0x04034B50;
    static constexpr size_t kLocalSize = 30;    // without the name
    static constexpr size_t kCentralSize = 46;  // without name, extra field and comment

    uint32_t m_nSignature = kCentralSignature;
    uint16_t m_nVersionMadeBy = 20;  // format 2.0, MS-DOS attribute system
    uint16_t m_nVersionNeeded = 20;
    uint16_t m_nFlags = 0;
    uint16_t m_nMethod = 8;  // deflate
    uint16_t m_nModTime = 0;
    uint16_t m_nModDate = 0;
    uint32_t m_nCrc = 0;
    uint32_t m_nCompressedSize = 0;
    uint32_t m_nUncompressedSize = 0;
    uint16_t m_nDiskStart = 0;
    uint16_t m_nInternalAttr = 0;
    uint32_t m_nExternalAttr = 0x20;  // archive bit: a regular file
    uint32_t m_nLocalOffset = 0;
    std::string m_strFileName;
    std::string m_strExtra;
    std::string m_strComment;

    // The entry name for a path: drive dropped, directories kept, leading, doubled, "." and
    // ".." parts removed (an entry must not point outside the folder it is extracted to).
    // Separators stay as given. Empty when nothing is left.
    static std::string EntryName(const std::string& path);
    // '\' to '/', then Windows-1252 to code page 437, byte for byte.
    void ConvertName();

    // Time and date from a file's modification time, in local time.
    void SetTime(time_t modified);
    static uint16_t DosDate(const struct tm& local);
    static uint16_t DosTime(const struct tm& local);
    // General purpose flags (deflate option bits) for a deflate level.
    static uint16_t FlagsForLevel(int level);
    // Little-endian fields of the archive format, appended to `out`.
    static void Put16(std::string& out, uint16_t v);
    static void Put32(std::string& out, uint32_t v);

    std::string LocalHeader() const;
    std::string CentralHeader() const;
    size_t CentralHeaderSize() const {
        return kCentralSize + m_strFileName.size() + m_strExtra.size() + m_strComment.size();
    }
};
