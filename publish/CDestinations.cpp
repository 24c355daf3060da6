#include "publish/CDestinations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "config/CCodePage.h"
#include "config/CConfig.h"
#include "config/CMessageText.h"
#include "generate/CListRun.h"
#include "server/CServerSession.h"
#include "server/WcServer.h"

namespace {

constexpr size_t kCopyChunk = 65536;
// The record's name field holds 15 characters and a terminator.
constexpr size_t kMaxPublishedName = 15;

// Copies `text` into a fixed field, cut to leave room for the terminator.
template <size_t N>
void PutText(char (&field)[N], const std::string& text) {
    const size_t n = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

class LocalFile {
public:
    explicit LocalFile(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~LocalFile() {
        if (m_fd >= 0) ::close(m_fd);
    }
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// Copies the local file into a new server file and leaves it open, so that its size and
// time can be read before it replaces the old one. Null on failure, with `error` set.
WcHandle CopyOpen(const std::string& localPath, const std::string& serverPath, std::string* error) {
    LocalFile local(localPath);
    if (local.fd() < 0) {
        *error = "cannot read " + localPath + ": " + std::strerror(errno);
        return WC_INVALID_HANDLE;
    }
    WcHandle h = WcCreateFile(serverPath.c_str(), WC_GENERIC_WRITE, 2, 2);
    if (h == WC_INVALID_HANDLE) {
        *error = "the board cannot create " + serverPath + ": " + WcGetLastErrorText();
        return WC_INVALID_HANDLE;
    }
    std::vector<char> buffer(kCopyChunk);
    for (;;) {
        const ssize_t n = ::read(local.fd(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            *error = "cannot read " + localPath + ": " + std::strerror(errno);
            break;
        }
        uint32_t written = 0;
        if (!WcWriteFile(h, buffer.data(), static_cast<uint32_t>(n), &written) ||
            written != static_cast<uint32_t>(n)) {
            *error = "the board cannot write " + serverPath + ": " + WcGetLastErrorText();
            break;
        }
        if (static_cast<size_t>(n) < buffer.size()) return h;
    }
    // A failed write makes the close discard the new file; the old one stays.
    WcCloseHandle(h);
    return WC_INVALID_HANDLE;
}

bool CloseServerFile(WcHandle h, const std::string& serverPath, std::string* error) {
    if (WcCloseHandle(h)) return true;
    *error = "the board could not store " + serverPath + ": " + WcGetLastErrorText();
    return false;
}

void RemoveLocal(const std::string& path) {
    ::unlink(path.c_str());
}

}  // namespace

bool CDestinations::CopyToServer(const std::string& localPath, const std::string& serverPath,
                                 std::string* error) {
    std::string why;
    WcHandle h = CopyOpen(localPath, serverPath, &why);
    const bool ok = h != WC_INVALID_HANDLE && CloseServerFile(h, serverPath, &why);
    if (!ok && error) *error = why;
    return ok;
}

bool CDestinations::CopyToPreview(CListRun& run, const std::string& localPath,
                                  const std::string& name) {
    // The board's Windows-1252 name meets the file system as UTF-8, as published pages do.
    const std::string target = run.m_strPreviewDir + "/" + CCodePage::ToUtf8(name);
    if (!CConfig::IsPlainFileName(name)) {
        run.Fail("the name " + CMessageText::Quote(name) + " cannot be used as a file name in " +
                 run.m_strPreviewDir);
        return false;
    }
    std::error_code ec;
    std::filesystem::copy_file(localPath, target, std::filesystem::copy_options::overwrite_existing,
                               ec);
    if (ec) run.Fail("cannot write " + target + ": " + ec.message());
    return !ec;
}

std::string CDestinations::OperatorName() {
    WcMakewild settings{};
    GetMakewild(&settings);
    return WcText(settings.szSysopName);
}

std::string CDestinations::PublishedName(const std::string& name) {
    return name.substr(0, kMaxPublishedName);
}

bool CDestinations::PublishMessage(CListRun& run, const std::string& fileName) {
    const COutRec& def = run.Def();
    const std::string local = run.m_strTempDir + fileName;
    bool ok = true;
    if (run.m_nEntryCount > 0 && !run.m_strPreviewDir.empty()) {
        ok = CopyToPreview(run, local, "MESSAGE.TXT");
    } else if (run.m_nEntryCount > 0) {
        WcMessageHeader header{};
        header.nConference = def.m_nConference;
        // A list without a sender posts as the board's operator, the sender a new list gets.
        PutText(header.szFrom, def.m_strFrom.empty() ? OperatorName() : def.m_strFrom);
        PutText(header.szTo, def.m_strTo);
        PutText(header.szSubject, def.m_strSubject);
        const std::string serverPath = "WC:\\TEMP\\" + fileName;
        std::string error;
        const CStopRequest::Gate gate = run.PublishGate();
        if (!gate) {
            ok = false;
        } else if (!CopyToServer(local, serverPath, &error)) {
            run.Fail(error);
            ok = false;
        } else {
            if (!AddMessage(&header, serverPath.c_str())) {
                run.Fail("the board refused the message \"" + def.m_strSubject + "\"");
                ok = false;
            }
            WcDeleteFile(serverPath.c_str());
        }
    }
    RemoveLocal(local);
    return ok;
}

bool CDestinations::PublishBulletin(CListRun& run, const std::string& fileName) {
    const COutRec& def = run.Def();
    std::string dir = "wc:\\bull\\";
    if (def.m_nConference > -1) dir += "conf(" + std::to_string(def.m_nConference) + ")\\";
    if (def.m_strLanguage != "ALL") dir += "lang(" + def.m_strLanguage + ")\\";
    const std::string local = run.m_strTempDir + fileName;
    std::string error;
    const CStopRequest::Gate gate = run.PublishGate();
    bool ok = false;
    if (gate && !run.m_strPreviewDir.empty()) {
        ok = CopyToPreview(run, local, def.m_strListName);
    } else if (gate) {
        ok = CopyToServer(local, dir + def.m_strListName, &error);
        if (!ok) run.Fail(error);
    }
    RemoveLocal(local);
    return ok;
}

bool CDestinations::PublishFile(const std::string& localPath, const std::string& publishedName,
                                int area, const std::string& description,
                                const std::string& uploader, std::string* error) {
    struct stat st {};
    if (::stat(localPath.c_str(), &st) != 0) return false;

    WcUserRecord user{};
    uint32_t userToken = 0;
    if (!GetUserByName(uploader.c_str(), &user, &userToken)) {
        // No such user: the record still names who published it.
        std::memset(&user, 0, sizeof user);
        PutText(user.szName, uploader);
    }

    const std::string name = PublishedName(publishedName);
    const std::string serverPath = "wc:\\file\\area(" + std::to_string(area) + ")\\" + name;
    std::string why;
    WcHandle h = CopyOpen(localPath, serverPath, &why);
    if (h == WC_INVALID_HANDLE) {
        if (error) *error = why;
        return false;
    }
    uint32_t high = 0;
    const uint32_t size = WcGetFileSize(h, &high);
    WcFileTime fileTime{};
    WcGetFileTime(h, &fileTime);
    // The file goes into place before its record is written, so that no record ever
    // describes a file the board does not hold.
    if (!CloseServerFile(h, serverPath, &why)) {
        if (error) *error = why;
        return false;
    }

    // Add the record, or update it keeping its second time. Another program may add the
    // same name between the look-up and the add; then its record is updated instead.
    int rc = 0;
    for (int attempt = 0; attempt < 2 && !rc; ++attempt) {
        WcFileRecord rec{};
        uint32_t token = 0;
        const bool found =
            GetFileRecByAreaName(static_cast<uint32_t>(area), name.c_str(), &rec, &token) == 1;
        // A look-up that failed is not "no record": adding one could make a second.
        if (!found && WcGetLastError() != WC_ERROR_NONE) break;
        if (!found) {
            std::memset(&rec, 0, sizeof rec);
            rec.dwArea = static_cast<uint32_t>(area);
            PutText(rec.szName, name);
            rec.ftLastDownload = fileTime;
        }
        rec.dwFileSize = size;
        rec.ftUploaded = fileTime;
        // 76 bytes, zero padded; a 76-character description has no terminator.
        std::memset(rec.szDescription, 0, sizeof rec.szDescription);
        std::memcpy(rec.szDescription, description.data(),
                    description.size() < sizeof rec.szDescription ? description.size()
                                                                  : sizeof rec.szDescription);
        std::memcpy(&rec.dwUploaderId, reinterpret_cast<const char*>(&user) + 4, 88);
        rc = found ? UpdateFileRec(&rec) : AddFileRec(&rec);
        if (found) break;
    }
    if (!rc) {
        const bool damaged = WcGetLastError() == WC_ERROR_DAMAGED;
        if (error)
            *error = "the board could not record " + name + " in file area " +
                     std::to_string(area) +
                     (damaged ? ": " + CServerSession::ReadError()
                              : " (its database may be busy with another program); run the "
                                "lists again");
        return false;
    }
    return true;
}
