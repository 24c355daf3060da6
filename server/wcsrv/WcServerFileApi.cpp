// The server's own files under storage/, messages and users.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>

#include "server/WcServer.h"
#include "server/wcsrv/CFileRecordRow.h"
#include "server/wcsrv/CServerFile.h"
#include "server/wcsrv/CStorageDir.h"
#include "server/wcsrv/CStoragePath.h"
#include "server/wcsrv/WcApiGuard.h"

namespace {

int NoHandle() {
    CWcError::Set(WC_ERROR_FAILED, "not an open server file handle");
    return 0;
}

int FileFailed(const CServerFile& file) {
    CWcError::Set(WC_ERROR_FILE, file.Error());
    return 0;
}

}  // namespace

extern "C" {

WcHandle WcCreateFile(const char* path, uint32_t /*access*/, uint32_t /*share*/,
                      uint32_t /*create: always a new file replacing any old one*/) {
    WcHandle handle = WC_INVALID_HANDLE;
    WcLoggedIn([&](CWcSession& session) {
        if (!path) return 0;
        auto file = std::make_unique<CServerFile>(session.Storage(), path);
        handle = CServerFile::Register(file.release());
        return 1;
    });
    return handle;
}

int WcWriteFile(WcHandle h, const void* buffer, uint32_t length, uint32_t* written) {
    if (written) *written = 0;
    return WcGuard([&] {
        CServerFile* file = CServerFile::Find(h);
        if (!file || (length > 0 && !buffer)) return NoHandle();
        if (!file->Write(buffer, length)) return FileFailed(*file);
        if (written) *written = length;
        return 1;
    });
}

int WcCloseHandle(WcHandle h) {
    return WcGuard([&] {
        std::unique_ptr<CServerFile> file(CServerFile::Take(h));
        if (!file) return NoHandle();
        return file->Commit() ? 1 : FileFailed(*file);
    });
}

int WcDeleteFile(const char* path) {
    return WcLoggedIn([&](CWcSession& session) {
        if (!path) return 0;
        std::vector<std::string> dirs;
        const std::string name = CStorageDir::SplitFile(path, &dirs);
        CStorageDir dir(session.Storage(), dirs, false);
        struct stat st {};
        if (::fstatat(dir.Fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            !S_ISREG(st.st_mode))
            throw CStoragePathError(std::string(path) + " is not a server file; it is left alone");
        if (::unlinkat(dir.Fd(), name.c_str(), 0) != 0)
            throw std::system_error(errno, std::generic_category(),
                                    "cannot delete " + std::string(path));
        return 1;
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
        const std::string body = CStorageDir::ReadFile(session.Storage(), bodyPath);
        session.EndReads();
        CSqlStatement& stmt = session.Statement(
            "INSERT INTO messages (conference, sender, recipient, subject, body) "
            "VALUES (?1, ?2, ?3, ?4, ?5)");
        stmt.Bind(1, header->nConference)
            .Bind(2, CFileRecordRow::FieldText(header->szFrom, sizeof header->szFrom))
            .Bind(3, CFileRecordRow::FieldText(header->szTo, sizeof header->szTo))
            .Bind(4, CFileRecordRow::FieldText(header->szSubject, sizeof header->szSubject))
            .BindBlob(5, body);
        stmt.Step();
        stmt.Reset();
        return 1;
    });
}

}  // extern "C"
