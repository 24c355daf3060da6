// File records: the key-1 walk, exact look-ups, long descriptions, adding and updating.
#include <atomic>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "server/WcServer.h"
#include "server/wcsrv/CFileRecordRow.h"
#include "server/wcsrv/CSqlTransaction.h"
#include "server/wcsrv/WcApiGuard.h"
#include "server/wcsrv/WcsrvInternal.h"

namespace {

const char* const kByKeySql =
    "SELECT id, area, name, description, password, size, uploaded, last_download, free, "
    "failed_scan, downloads, uploader_id, uploader, has_long_desc, long_name FROM files "
    "WHERE area = ?1 AND name = ?2";
const char* const kAtOrAfterSql =
    "SELECT id, area, name, description, password, size, uploaded, last_download, free, "
    "failed_scan, downloads, uploader_id, uploader, has_long_desc, long_name FROM files "
    "WHERE (area, name) >= (?1, ?2) ORDER BY area, name LIMIT 1";
const char* const kByIdSql =
    "SELECT id, area, name, description, password, size, uploaded, last_download, free, "
    "failed_scan, downloads, uploader_id, uploader, has_long_desc, long_name FROM files "
    "WHERE id = ?1";

// Calls of the walk, counted for every thread of the process, so that tests can check
// which records a run reads.
std::atomic<uint32_t> g_searchCalls{0};
std::atomic<uint32_t> g_nextCalls{0};

std::string NameArg(const char* name) {
    return name ? std::string(name, strnlen(name, 16)) : "";
}

// Runs a one-row query and delivers its record, long name and position.
// The record of the current row, its long name and position.
void DeliverRow(const CSqlStatement& row, WcFileRecord* rec, char* longName, size_t longNameSize,
                uint32_t* tid) {
    int64_t id = CFileRecordRow::FromRow(row, rec);
    if (tid) *tid = static_cast<uint32_t>(id);
    if (longName && longNameSize > 0)
        CFileRecordRow::CopyField(longName, longNameSize, row.View(CFileRecordRow::kLongNameColumn),
                                  false);
}

int DeliverOne(CSqlStatement& stmt, WcFileRecord* rec, char* longName, size_t longNameSize,
               uint32_t* tid) {
    if (!stmt.Step()) return 0;
    DeliverRow(stmt, rec, longName, longNameSize, tid);
    stmt.Reset();
    return 1;
}

}  // namespace

extern "C" {

uint32_t GetTotalFiles(void) {
    uint32_t total = 0;
    WcLoggedIn([&](CWcSession& session) {
        CSqlStatement& stmt = session.Statement("SELECT count(*) FROM files");
        if (stmt.Step()) total = static_cast<uint32_t>(stmt.Int(0));
        stmt.Reset();
        return 1;
    });
    return total;
}

int SearchFileRecByAreaName(uint32_t area, const char* name, WcFileRecord* rec, uint32_t* tid) {
    g_searchCalls.fetch_add(1, std::memory_order_relaxed);
    return WcLoggedIn([&](CWcSession& session) {
        return session.Cursor().Search(session.Db(), area, NameArg(name), rec, tid) ? 1 : 0;
    });
}

int GetNextFileRec(int keynum, WcFileRecord* rec, uint32_t* tid) {
    g_nextCalls.fetch_add(1, std::memory_order_relaxed);
    return WcLoggedIn([&](CWcSession& session) {
        if (keynum != 1 || !tid) throw std::invalid_argument("only key 1 can be walked");
        return session.Cursor().Next(session.Db(), rec, tid) ? 1 : 0;
    });
}

int GetFullFileRec(const WcFileRecord* rec, WcFullFileRecord* full) {
    return WcLoggedIn([&](CWcSession& session) {
        const std::string_view name(rec->szName, strnlen(rec->szName, sizeof rec->szName));
        // The walk's current record already holds its long description.
        const CSqlStatement* row = session.Cursor().Row();
        std::string copy;
        std::string_view joined;
        if (row && row->Int(1) == static_cast<int64_t>(rec->dwArea) && row->View(2) == name) {
            joined = row->View(CFileCursor::kLongDescColumn);
        } else {
            CSqlStatement& stmt =
                session.Statement("SELECT long_desc FROM files WHERE area = ?1 AND name = ?2");
            stmt.Bind(1, static_cast<int64_t>(rec->dwArea)).Bind(2, name);
            if (!stmt.Step()) return 0;
            copy = stmt.Text(0);
            stmt.Reset();
            joined = copy;
        }
        // `rec` may be full->basic itself.
        WcFileRecord basic;
        std::memcpy(&basic, rec, sizeof basic);
        std::memset(full, 0, sizeof *full);
        full->basic = basic;
        CFileRecordRow::SplitLongDesc(joined, full);
        return 1;
    });
}

int GetFileRecByAreaName(uint32_t area, const char* name, WcFileRecord* rec, uint32_t* tid) {
    return WcLoggedIn([&](CWcSession& session) {
        CSqlStatement& stmt = session.Statement(kByKeySql);
        stmt.Bind(1, static_cast<int64_t>(area)).Bind(2, NameArg(name));
        return DeliverOne(stmt, rec, nullptr, 0, tid);
    });
}

int AddFileRec(const WcFileRecord* rec) {
    return WcLoggedIn([&](CWcSession& session) {
        session.EndReads();
        CSqlStatement& stmt = session.Statement(
            "INSERT INTO files (area, name, description, password, size, uploaded, "
            "last_download, free, failed_scan, downloads, uploader_id, uploader, has_long_desc) "
            "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)");
        CFileRecordRow::BindRecord(stmt, *rec);
        stmt.Step();  // a duplicate key throws: the record already exists
        stmt.Reset();
        return 1;
    });
}

int UpdateFileRec(const WcFileRecord* rec) {
    return WcLoggedIn([&](CWcSession& session) {
        session.EndReads();
        CSqlTransaction txn(session.Db());
        CSqlStatement& stmt = session.Statement(
            "UPDATE files SET description = ?3, password = ?4, size = ?5, uploaded = ?6, "
            "last_download = ?7, free = ?8, failed_scan = ?9, downloads = ?10, "
            "uploader_id = ?11, uploader = ?12, has_long_desc = ?13 "
            "WHERE area = ?1 AND name = ?2");
        CFileRecordRow::BindRecord(stmt, *rec);
        stmt.Step();
        stmt.Reset();
        if (session.Db().Changes() == 0) return 0;
        txn.Commit();
        return 1;
    });
}

int WcsrvInternalFindFileRec(uint32_t area, const char* name, WcFileRecord* rec, char* longName,
                             size_t longNameSize, uint32_t* tid) {
    return WcLoggedIn([&](CWcSession& session) {
        CSqlStatement& stmt = session.Statement(kAtOrAfterSql);
        stmt.Bind(1, static_cast<int64_t>(area)).Bind(2, NameArg(name));
        return DeliverOne(stmt, rec, longName, longNameSize, tid);
    });
}

int WcsrvInternalFileRecAt(uint32_t tid, WcFileRecord* rec, char* longName, size_t longNameSize) {
    return WcLoggedIn([&](CWcSession& session) {
        // The walk's current record: read from the walk's own row.
        if (const CSqlStatement* row = session.Cursor().RowAt(tid)) {
            DeliverRow(*row, rec, longName, longNameSize, nullptr);
            return 1;
        }
        CSqlStatement& stmt = session.Statement(kByIdSql);
        stmt.Bind(1, static_cast<int64_t>(tid));
        return DeliverOne(stmt, rec, longName, longNameSize, nullptr);
    });
}

uint32_t WcsrvInternalCallCount(const char* function) {
    if (std::strcmp(function, "SearchFileRecByAreaName") == 0) return g_searchCalls.load();
    if (std::strcmp(function, "GetNextFileRec") == 0) return g_nextCalls.load();
    return 0;
}

void WcsrvInternalResetCallCounts(void) {
    g_searchCalls = 0;
    g_nextCalls = 0;
}

}  // extern "C"
