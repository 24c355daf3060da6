#include "server/wcsrv/CFileRecordRow.h"

#include <algorithm>
#include <cstring>

#include "server/wcsrv/BoardSchema.h"
#include "server/wcsrv/CSqlStatement.h"

int64_t CFileRecordRow::FromRow(const CSqlStatement& row, WcFileRecord* rec) {
    std::memset(rec, 0, sizeof *rec);
    rec->dwSize = sizeof *rec;
    rec->dwArea = static_cast<uint32_t>(row.Int(1));
    CopyField(rec->szName, sizeof rec->szName, row.View(2), false);
    CopyField(rec->szDescription, sizeof rec->szDescription, row.View(3), true);
    CopyField(rec->szPassword, sizeof rec->szPassword, row.View(4), false);
    rec->dwFileSize = static_cast<uint32_t>(row.Int(5));
    rec->ftUploaded = IntToFileTime(row.Int(6));
    rec->ftLastDownload = IntToFileTime(row.Int(7));
    rec->dwFree = row.Int(8) != 0;
    rec->dwFailedScan = row.Int(9) != 0;
    rec->dwDownloads = static_cast<uint32_t>(row.Int(10));
    rec->dwUploaderId = static_cast<uint32_t>(row.Int(11));
    CopyField(rec->szUploader, sizeof rec->szUploader, row.View(12), false);
    rec->dwHasLongDesc = row.Int(13) != 0;
    return row.Int(0);
}

void CFileRecordRow::BindRecord(CSqlStatement& stmt, const WcFileRecord& rec) {
    stmt.Bind(1, static_cast<int64_t>(rec.dwArea))
        .Bind(2, FieldText(rec.szName, sizeof rec.szName))
        .Bind(3, FieldText(rec.szDescription, sizeof rec.szDescription))
        .Bind(4, FieldText(rec.szPassword, sizeof rec.szPassword))
        .Bind(5, static_cast<int64_t>(rec.dwFileSize))
        .Bind(6, FileTimeToInt(rec.ftUploaded))
        .Bind(7, FileTimeToInt(rec.ftLastDownload))
        .Bind(8, int64_t{rec.dwFree != 0})
        .Bind(9, int64_t{rec.dwFailedScan != 0})
        .Bind(10, static_cast<int64_t>(rec.dwDownloads))
        .Bind(11, static_cast<int64_t>(rec.dwUploaderId))
        .Bind(12, FieldText(rec.szUploader, sizeof rec.szUploader))
        .Bind(13, int64_t{rec.dwHasLongDesc != 0});
}

void CFileRecordRow::SplitLongDesc(std::string_view joined, WcFullFileRecord* full) {
    std::memset(full->szLongDesc, 0, sizeof full->szLongDesc);
    size_t start = 0;
    for (int line = 0; line < WC_LONGDESC_LINES && start <= joined.size(); ++line) {
        size_t end = joined.find(BoardSchema::kLineSeparator, start);
        if (end == std::string_view::npos) end = joined.size();
        CopyField(full->szLongDesc[line], WC_LONGDESC_WIDTH, joined.substr(start, end - start),
                  false);
        start = end + 1;
    }
}

int64_t CFileRecordRow::FileTimeToInt(const WcFileTime& ft) {
    return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) |
                                ft.dwLowDateTime);
}

WcFileTime CFileRecordRow::IntToFileTime(int64_t value) {
    auto v = static_cast<uint64_t>(value);
    return WcFileTime{static_cast<uint32_t>(v & 0xffffffffu), static_cast<uint32_t>(v >> 32)};
}

std::string CFileRecordRow::FieldText(const char* field, size_t width) {
    return std::string(field, strnlen(field, width));
}

void CFileRecordRow::CopyField(char* field, size_t width, std::string_view text, bool allowFull) {
    std::memset(field, 0, width);
    size_t room = allowFull ? width : width - 1;
    size_t n = std::min(text.size(), room);
    n = std::min(n, text.find('\0') == std::string_view::npos ? n : text.find('\0'));
    if (n > 0) std::memcpy(field, text.data(), n);
}
