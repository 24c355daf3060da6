// The server's own files under storage/, messages and users.
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "server/WcServer.h"
#include "server/wcsrv/CFileRecordRow.h"
#include "server/wcsrv/CServerFile.h"
#include "server/wcsrv/CStoragePath.h"
#include "server/wcsrv/WcApiGuard.h"

extern "C" {

WcHandle WcCreateFile(const char* path, uint32_t /*access*/, uint32_t /*share*/,
                      uint32_t /*create: always a new file replacing any old one*/) {
    WcHandle handle = WC_INVALID_HANDLE;
    WcLoggedIn([&](CWcSession& session) {
        if (!path) return 0;
        auto file = std::make_unique<CServerFile>(CStoragePath::ToLocal(session.Storage(), path));
        handle = CServerFile::Register(file.release());
        return 1;
    });
    return handle;
}

int WcWriteFile(WcHandle h, const void* buffer, uint32_t length, uint32_t* written) {
    if (written) *written = 0;
    CServerFile* file = CServerFile::Find(h);
    if (!file || (length > 0 && !buffer)) return 0;
    bool ok = file->Write(buffer, length);
    if (ok && written) *written = length;
    return ok ? 1 : 0;
}

int WcCloseHandle(WcHandle h) {
    std::unique_ptr<CServerFile> file(CServerFile::Take(h));
    if (!file) return 0;
    return file->Commit() ? 1 : 0;
}

int WcDeleteFile(const char* path) {
    return WcLoggedIn([&](CWcSession& session) {
        if (!path) return 0;
        return ::unlink(CStoragePath::ToLocal(session.Storage(), path).c_str()) == 0 ? 1 : 0;
    });
}

uint32_t WcGetFileSize(WcHandle h, uint32_t* high) {
    CServerFile* file = CServerFile::Find(h);
    uint64_t size = file ? file->Size() : 0;
    if (high) *high = static_cast<uint32_t>(size >> 32);
    return file ? static_cast<uint32_t>(size & 0xffffffffu) : 0xffffffffu;
}

int WcGetFileTime(WcHandle h, WcFileTime* time) {
    CServerFile* file = CServerFile::Find(h);
    if (!file || !time) return 0;
    *time = file->Time();
    return 1;
}

int GetUserByName(const char* name, WcUserRecord* rec, uint32_t* tid) {
    return WcLoggedIn([&](CWcSession& session) {
        std::memset(rec, 0, sizeof *rec);
        rec->dwSize = sizeof *rec;
        if (!name) return 0;
        // Board user names are matched without regard to (ASCII) case, as logins are.
        CSqlStatement& stmt =
            session.Statement("SELECT id, name FROM users WHERE name = ?1 COLLATE NOCASE");
        stmt.Bind(1, std::string_view(name));
        if (!stmt.Step()) return 0;
        rec->dwUserId = static_cast<uint32_t>(stmt.Int(0));
        CFileRecordRow::CopyField(rec->szName, sizeof rec->szName, stmt.View(1), false);
        if (tid) *tid = rec->dwUserId;
        stmt.Reset();
        return 1;
    });
}

int AddMessage(const WcMessageHeader* header, const char* bodyPath) {
    return WcLoggedIn([&](CWcSession& session) {
        if (!header || !bodyPath) return 0;
        std::ifstream in(CStoragePath::ToLocal(session.Storage(), bodyPath), std::ios::binary);
        if (!in) return 0;
        std::ostringstream body;
        body << in.rdbuf();
        session.EndReads();
        CSqlStatement& stmt = session.Statement(
            "INSERT INTO messages (conference, sender, recipient, subject, body) "
            "VALUES (?1, ?2, ?3, ?4, ?5)");
        stmt.Bind(1, header->nConference)
            .Bind(2, CFileRecordRow::FieldText(header->szFrom, sizeof header->szFrom))
            .Bind(3, CFileRecordRow::FieldText(header->szTo, sizeof header->szTo))
            .Bind(4, CFileRecordRow::FieldText(header->szSubject, sizeof header->szSubject))
            .BindBlob(5, body.str());
        stmt.Step();
        stmt.Reset();
        return 1;
    });
}

}  // extern "C"
