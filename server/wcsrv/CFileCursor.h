// The key-1 walk of one session. The statement stays positioned on the last delivered row,
// so a sequential walk costs one step per record, and the extended record and the long
// description of that row are read from it without another statement; a token that is not
// the cached position makes it seek again.
#pragma once

#include <cstdint>
#include <string>

#include "server/WcServer.h"
#include "server/wcsrv/CSqlStatement.h"

class CSqlDatabase;

class CFileCursor {
public:
    // First record at or after (area, name). The token becomes the record's row id.
    bool Search(CSqlDatabase& db, uint32_t area, const std::string& name, WcFileRecord* rec,
                uint32_t* tid);
    // The record after the token's record.
    bool Next(CSqlDatabase& db, WcFileRecord* rec, uint32_t* tid);
    // The row last delivered, while the walk still stands on it (no Close, no write since);
    // its columns are those of CFileRecordRow::kColumns followed by long_desc.
    const CSqlStatement* RowAt(int64_t rowId) const;
    const CSqlStatement* Row() const { return m_active && m_rowId >= 0 ? m_active : nullptr; }
    static constexpr int kLongDescColumn = 15;

    // Lets go of the statement, and with it the read snapshot it holds.
    void Close();
    // Finalizes the statements (before their connection closes).
    void Finalize();

    CFileCursor() = default;
    CFileCursor(const CFileCursor&) = delete;
    CFileCursor& operator=(const CFileCursor&) = delete;

private:
    bool Seek(CSqlDatabase& db, int64_t area, std::string_view name, bool inclusive);
    bool Deliver(WcFileRecord* rec, uint32_t* tid);

    CSqlStatement m_atOrAfter;
    CSqlStatement m_after;
    CSqlStatement* m_active = nullptr;
    int64_t m_rowId = -1;
};
