#include "publish/CCompressedFiles.h"

#include <unistd.h>

#include <algorithm>
#include <exception>
#include <filesystem>

#include "config/CCodePage.h"
#include "config/CConfig.h"
#include "config/CMessageText.h"
#include "generate/FinishedList.h"
#include "generate/IListReport.h"
#include "generate/IRunObserver.h"
#include "io/CBackgroundDeflater.h"
#include "publish/CExternalCommand.h"
#include "publish/CZipEntryHeader.h"
#include "publish/CZipWriter.h"

namespace {

constexpr int kZipLevel = 9;
constexpr size_t kZipBufferSize = 65535;

void Delete(const std::string& path) {
    ::unlink(path.c_str());
}

std::string WithSlash(const std::string& dir) {
    return !dir.empty() && dir.back() != '/' ? dir + "/" : dir;
}

}  // namespace

std::string CCompressedFiles::SharedName(const COutRec& def) {
    std::vector<std::string> published;
    if (!(def.m_nOptions & OPT_DISCARD))
        published.push_back(CDestinations::PublishedName(def.m_strListName));
    for (const ZipRec& zip : def.m_zipFiles) {
        const std::string name = CDestinations::PublishedName(zip.m_strZipName);
        // Even a discarded list file lies in the temporary folder under its own name.
        if (zip.m_strZipName == def.m_strListName ||
            std::find(published.begin(), published.end(), name) != published.end())
            return zip.m_strZipName;
        published.push_back(name);
    }
    return {};
}

bool CCompressedFiles::Compress(const ZipRec& zip, const std::string& workDir,
                                const std::string& fileName, IRunObserver* observer,
                                std::string* error, const CDeflatedData* deflated,
                                const CStopRequest* stop, std::chrono::milliseconds timeout) {
    const std::string dir = WithSlash(workDir);
    if (zip.m_nZipFlags & ZIP_INTERNAL) {
        const std::string archive = dir + CCodePage::ToUtf8(zip.m_strZipName);
        try {
            CZipWriter writer;
            writer.Create(archive);
            // The entry carries the list's own Windows-1252 name, whatever the file is called.
            std::string board = fileName;
            CCodePage::FromUtf8(fileName, &board);
            const std::string entry = CZipEntryHeader::EntryName(board);
            const bool added =
                deflated && deflated->valid
                    ? writer.AddPrecompressed(dir + fileName, entry, kZipLevel, *deflated)
                    : writer.AddFile(dir + fileName, entry, kZipLevel, kZipBufferSize);
            writer.SetComment(zip.m_strZipComment);
            writer.Close();
            if (!added) {
                // The archive is valid but empty: not worth publishing as the list.
                if (error) *error = "the list file " + dir + fileName + " could not be read";
                return false;
            }
        } catch (const std::exception& e) {
            if (error) *error = e.what();
            return false;
        }
        return true;
    }

    const CExternalCommand command(zip.m_strCommand);
    std::string why;
    int exitStatus = 0;
    const CExternalCommand::Result result = command.Run(dir, timeout, &exitStatus, &why, stop);
    if (result == CExternalCommand::Result::CouldNotStart) {
        if (observer)
            observer->ShowMessage("Could not run:\n" + zip.m_strCommand, "Quorvane",
                                  MessageIcon::Stop);
        if (error) *error = "could not run \"" + zip.m_strCommand + "\" (" + why + ")";
        return false;
    }
    if (result == CExternalCommand::Result::TimedOut ||
        result == CExternalCommand::Result::Stopped) {
        if (error) *error = why;
        return false;
    }
    // An exit code is the command's own business, but a command ended by a signal (a
    // crash) may have left half an archive behind, which must not be published.
    if (exitStatus > 128) {
        if (error)
            *error = "\"" + zip.m_strCommand + "\" was ended by signal " +
                     std::to_string(exitStatus - 128) + " before it finished";
        return false;
    }
    return true;
}

CDestinations::Placed CCompressedFiles::MakeCompressedFiles(const FinishedList& list,
                                                            const std::string& uploader) {
    using Placed = CDestinations::Placed;
    const COutRec& def = list.def;
    IListReport& report = list.report;
    const std::string dir = WithSlash(list.dir);
    bool ok = true;
    for (const ZipRec& stored : def.m_zipFiles) {
        ZipRec zip = stored;
        zip.m_nZipArea = def.m_nFileArea;
        const std::string what = "Compressed file " + CMessageText::Quote(zip.m_strZipName) +
                                 " of list " + def.m_strListName + ": ";
        if (!CConfig::IsPlainFileName(zip.m_strZipName)) {
            report.Fail(what +
                        "the name is not a plain file name; correct it in the list's "
                        "compressed files.");
            ok = false;
            continue;
        }
        const std::string archive = dir + CCodePage::ToUtf8(zip.m_strZipName);
        Delete(archive);
        if (report.StopRequested()) return Placed::Stopped;

        std::string error;
        if (!Compress(zip, dir, list.file, list.observer, &error, list.deflated, list.stop,
                      list.commandTimeout)) {
            // A command ended by the cancel is no fault of the list.
            if (report.StopRequested()) return Placed::Stopped;
            const bool internal = zip.m_nZipFlags & ZIP_INTERNAL;
            report.Fail(what + error +
                        (internal ? "; check the free space in the temporary folder."
                                  : "; check the command line."));
            ok = false;
            Delete(archive);
            continue;
        }
        std::error_code ec;
        if (!std::filesystem::is_regular_file(archive, ec)) {
            report.Fail(what + "the command \"" + zip.m_strCommand +
                        "\" did not create it; check the command line.");
            ok = false;
            Delete(archive);
            continue;
        }
        const Placed placed = CDestinations::PlaceFile(
            list, archive, zip.m_strZipName, zip.m_nZipArea, zip.m_strZipDesc, uploader, what);
        if (placed == Placed::Stopped) return placed;
        ok = ok && placed == Placed::Done;
        Delete(archive);
    }
    return ok ? Placed::Done : Placed::Failed;
}
