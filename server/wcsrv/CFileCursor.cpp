#include "server/wcsrv/CFileCursor.h"

#include <sqlite3.h>

#include "server/wcsrv/CFileRecordRow.h"
#include "server/wcsrv/CSqlDatabase.h"

namespace {

const char* const kAtOrAfterSql =
    "SELECT id, area, name, description, password, size, uploaded, last_download, free, "
    "failed_scan, downloads, uploader_id, uploader, has_long_desc, long_name, long_desc FROM files "
    "WHERE (area, name) >= (?1, ?2) ORDER BY area, name";
const char* const kAfterSql =
    "SELECT id, area, name, description, password, size, uploaded, last_download, free, "
    "failed_scan, downloads, uploader_id, uploader, has_long_desc, long_name, long_desc FROM files "
    "WHERE (area, name) > (?1, ?2) ORDER BY area, name";

}  // namespace

bool CFileCursor::Search(CSqlDatabase& db, uint32_t area, const std::string& name,
                         WcFileRecord* rec, uint32_t* tid) {
    if (!Seek(db, area, name, true)) return false;
    return Deliver(rec, tid);
}

bool CFileCursor::Next(CSqlDatabase& db, WcFileRecord* rec, uint32_t* tid) {
    if (!m_active || m_rowId < 0 || *tid != static_cast<uint32_t>(m_rowId)) {
        CSqlStatement where(db.Handle(), "SELECT area, name FROM files WHERE id = ?1");
        where.Bind(1, static_cast<int64_t>(*tid));
        if (!where.Step()) {
            Close();
            return false;
        }
        int64_t area = where.Int(0);
        std::string name = where.Text(1);
        where.Reset();
        if (!Seek(db, area, name, false)) return false;
    }
    return Deliver(rec, tid);
}

const CSqlStatement* CFileCursor::RowAt(int64_t rowId) const {
    return rowId == m_rowId ? Row() : nullptr;
}

void CFileCursor::Close() {
    if (m_active) m_active->Reset();
    m_active = nullptr;
    m_rowId = -1;
}

void CFileCursor::Finalize() {
    Close();
    m_atOrAfter = CSqlStatement();
    m_after = CSqlStatement();
}

bool CFileCursor::Seek(CSqlDatabase& db, int64_t area, std::string_view name, bool inclusive) {
    Close();
    CSqlStatement& stmt = inclusive ? m_atOrAfter : m_after;
    if (!stmt.Valid()) stmt = CSqlStatement(db.Handle(), inclusive ? kAtOrAfterSql : kAfterSql);
    stmt.Bind(1, area).Bind(2, name);
    m_active = &stmt;
    return true;
}

bool CFileCursor::Deliver(WcFileRecord* rec, uint32_t* tid) {
    if (!m_active->Step()) {
        Close();
        return false;
    }
    m_rowId = CFileRecordRow::FromRow(*m_active, rec);
    *tid = static_cast<uint32_t>(m_rowId);
    return true;
}
