// Conversion between a row of the files table and the record buffers of the C API.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "server/WcServer.h"

class CSqlStatement;

class CFileRecordRow {
public:
    // Columns that FromRow expects, in this order; the table is `files`.
    static constexpr const char* kColumns =
        "id, area, name, description, password, size, uploaded, last_download, free, "
        "failed_scan, downloads, uploader_id, uploader, has_long_desc, long_name";
    static constexpr int kLongNameColumn = 14;

    // Fills `rec` (zeroed first) from the current row; returns the row id.
    static int64_t FromRow(const CSqlStatement& row, WcFileRecord* rec);
    // Binds area..has_long_desc of `rec` to parameters ?1..?13 (the order of kColumns
    // without id and long_name).
    static void BindRecord(CSqlStatement& stmt, const WcFileRecord& rec);
    // Copies the long-description text (lines joined) into the 15 fixed lines.
    static void SplitLongDesc(std::string_view joined, WcFullFileRecord* full);
    static int64_t FileTimeToInt(const WcFileTime& ft);
    static WcFileTime IntToFileTime(int64_t value);
    // A fixed text field: the bytes up to the first NUL or the end of the field.
    static std::string FieldText(const char* field, size_t width);
    // Copies `text` into a field of `width` bytes with zero padding, cutting it to fit; a text
    // of exactly `width` bytes fills the field without a terminator only when `allowFull`.
    static void CopyField(char* field, size_t width, std::string_view text, bool allowFull);
};
