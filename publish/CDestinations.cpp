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
#include "generate/FinishedList.h"
#include "generate/IListReport.h"
#include "io/CFileDescriptor.h"
#include "server/CBoardCatalogue.h"
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

// Copies the local file into a new server file and leaves it open, so that its size and
// time can be read before it replaces the old one. Null on failure, with `error` set.
WcHandle CopyOpen(const std::string& localPath, const std::string& serverPath, std::string* error) {
    const CFileDescriptor local(localPath, O_RDONLY);
    if (!local.IsOpen()) {
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
        const long n = local.Read(buffer.data(), buffer.size());
        if (n < 0) {
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

bool CDestinations::CopyToPreview(const FinishedList& list, const std::string& localPath,
                                  const std::string& name) {
    // The board's Windows-1252 name meets the file system as UTF-8, as published pages do.
    const std::string target = list.previewDir + "/" + CCodePage::ToUtf8(name);
    if (!CConfig::IsPlainFileName(name)) {
        list.report.Fail("the name " + CMessageText::Quote(name) +
                         " cannot be used as a file name in " + list.previewDir);
        return false;
    }
    std::error_code ec;
    std::filesystem::copy_file(localPath, target, std::filesystem::copy_options::overwrite_existing,
                               ec);
    if (ec) list.report.Fail("cannot write " + target + ": " + ec.message());
    return !ec;
}

CDestinations::Placed CDestinations::PlaceFile(
    const FinishedList& list, const std::string& localPath, const std::string& name, int area,
    const std::string& description, const std::string& uploader, const std::string& what) {
    const CStopRequest::Gate gate = list.report.PublishGate();
    if (!gate) return Placed::Stopped;
    if (!list.previewDir.empty())
        return CopyToPreview(list, localPath, name) ? Placed::Done : Placed::Failed;
    std::string error;
    if (PublishFile(localPath, name, area, description, uploader, &error)) return Placed::Done;
    list.report.Fail(what + "could not be registered in file area " + std::to_string(area) +
                     (error.empty() ? std::string(".") : ": " + error));
    return Placed::Failed;
}

std::string CDestinations::PublishedName(const std::string& name) {
    return name.substr(0, kMaxPublishedName);
}

bool CDestinations::PublishMessage(const FinishedList& list) {
    const COutRec& def = list.def;
    const std::string local = list.dir + list.file;
    bool ok = true;
    if (list.entryCount > 0 && !list.previewDir.empty()) {
        ok = CopyToPreview(list, local, "MESSAGE.TXT");
    } else if (list.entryCount > 0) {
        WcMessageHeader header{};
        header.nConference = def.m_nConference;
        // A list without a sender posts as the board's operator, the sender a new list gets.
        PutText(header.szFrom,
                def.m_strFrom.empty() ? CBoardCatalogue::OperatorName() : def.m_strFrom);
        PutText(header.szTo, def.m_strTo);
        PutText(header.szSubject, def.m_strSubject);
        const std::string serverPath = "WC:\\TEMP\\" + list.file;
        std::string error;
        const CStopRequest::Gate gate = list.report.PublishGate();
        if (!gate) {
            ok = false;
        } else if (!CopyToServer(local, serverPath, &error)) {
            list.report.Fail(error);
            ok = false;
        } else {
            if (!AddMessage(&header, serverPath.c_str())) {
                list.report.Fail("the board refused the message \"" + def.m_strSubject + "\"");
                ok = false;
            }
            WcDeleteFile(serverPath.c_str());
        }
    }
    RemoveLocal(local);
    return ok;
}

bool CDestinations::PublishBulletin(const FinishedList& list) {
    const COutRec& def = list.def;
    std::string dir = "wc:\\bull\\";
    if (def.m_nConference > -1) dir += "conf(" + std::to_string(def.m_nConference) + ")\\";
    if (def.m_strLanguage != "ALL") dir += "lang(" + def.m_strLanguage + ")\\";
    const std::string local = list.dir + list.file;
    std::string error;
    const CStopRequest::Gate gate = list.report.PublishGate();
    bool ok = false;
    if (gate && !list.previewDir.empty()) {
        ok = CopyToPreview(list, local, def.m_strListName);
    } else if (gate) {
        ok = CopyToServer(local, dir + def.m_strListName, &error);
        if (!ok) list.report.Fail(error);
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
