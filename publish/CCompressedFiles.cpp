#include "publish/CCompressedFiles.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>

#include "config/CCodePage.h"
#include "config/CConfig.h"
#include "config/CMessageText.h"
#include "generate/CListRun.h"
#include "generate/IRunObserver.h"
#include "publish/CDestinations.h"
#include "publish/CExternalCommand.h"
#include "publish/CStartedCommand.h"
#include "publish/CZipEntryHeader.h"
#include "publish/CZipWriter.h"

namespace {

std::atomic<long long> g_commandTimeoutMs{10 * 60 * 1000};

constexpr int kZipLevel = 9;
constexpr size_t kZipBufferSize = 65535;

void Delete(const std::string& path) {
    ::unlink(path.c_str());
}

std::string WithSlash(const std::string& dir) {
    return !dir.empty() && dir.back() != '/' ? dir + "/" : dir;
}

// The compressed file that would take the name of the list file or of an earlier compressed
// file, on the board (names cut as published) or in the temporary folder; empty when none.
std::string SharedName(const COutRec& def) {
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

}  // namespace

void CCompressedFiles::SetCommandTimeout(std::chrono::milliseconds timeout) {
    g_commandTimeoutMs = timeout.count();
}

std::chrono::milliseconds CCompressedFiles::CommandTimeout() {
    return std::chrono::milliseconds(g_commandTimeoutMs.load());
}

bool CCompressedFiles::Compress(const ZipRec& zip, const std::string& workDir,
                                const std::string& fileName, IRunObserver* observer,
                                std::string* error, const CDeflatedData* deflated,
                                const CStopRequest* stop) {
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
    const CExternalCommand::Result result =
        command.Run(dir, CommandTimeout(), &exitStatus, &why, stop);
    return CommandSucceeded(zip, result, exitStatus, why, observer, error);
}

bool CCompressedFiles::CommandSucceeded(const ZipRec& zip, CExternalCommand::Result result,
                                        int exitStatus, const std::string& why,
                                        IRunObserver* observer, std::string* error) {
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

void CCompressedFiles::StartFirstCommand(CListRun& run, const std::string& fileName) {
    const COutRec& def = run.Def();
    if (def.m_zipFiles.empty() || run.Failed()) return;
    const ZipRec& zip = def.m_zipFiles.front();
    // Only where MakeCompressedFiles would run it first, with the folder as it would find it.
    if ((zip.m_nZipFlags & ZIP_INTERNAL) || !CConfig::IsPlainFileName(fileName) ||
        !SharedName(def).empty() || !CConfig::IsPlainFileName(zip.m_strZipName) ||
        (run.StopRequest() && run.StopRequest()->Requested()))
        return;
    const std::string dir = WithSlash(run.m_strTempDir);
    Delete(dir + CCodePage::ToUtf8(zip.m_strZipName));
    try {
        run.m_pStartedCommand = std::make_unique<CStartedCommand>(
            zip.m_strCommand, dir, CommandTimeout(), run.StopRequest());
    } catch (const std::system_error&) {
        // No thread to spare: the command runs in its turn.
    }
}

bool CCompressedFiles::MakeCompressedFiles(CListRun& run, const std::string& fileName) {
    const COutRec& def = run.Def();
    const std::string dir = WithSlash(run.m_strTempDir);
    const std::string operatorName = CDestinations::OperatorName();
    const bool preview = !run.m_strPreviewDir.empty();
    bool ok = true;
    auto fail = [&](const std::string& why) {
        run.Fail(why);
        ok = false;
    };
    // One file into its file area, or into the preview directory; false once the run has
    // been stopped, when nothing more may be published.
    auto publish = [&](const std::string& local, const std::string& name, int area,
                       const std::string& desc, const std::string& what) {
        const CStopRequest::Gate gate = run.PublishGate();
        if (!gate) return false;
        std::string error;
        if (preview)
            ok = CDestinations::CopyToPreview(run, local, name) && ok;
        else if (!CDestinations::PublishFile(local, name, area, desc, operatorName, &error))
            fail(what + "could not be registered in file area " + std::to_string(area) +
                 (error.empty() ? std::string(".") : ": " + error));
        return true;
    };

    if (!CConfig::IsPlainFileName(fileName)) {
        fail("List " + def.m_strListName + ": the list file name \"" + fileName +
             "\" is not a plain file name; check the list name.");
        return false;
    }
    const std::string shared = SharedName(def);
    if (!shared.empty()) {
        fail("List " + def.m_strListName + ": its compressed file " + shared +
             " has the name of the list or of another of its compressed files and would replace "
             "it; nothing was published. Give each compressed file a name of its own.");
        Delete(dir + fileName);
        return false;
    }

    for (const ZipRec& stored : def.m_zipFiles) {
        ZipRec zip = stored;
        zip.m_nZipArea = def.m_nFileArea;
        const std::string what = "Compressed file " + CMessageText::Quote(zip.m_strZipName) +
                                 " of list " + def.m_strListName + ": ";
        if (!CConfig::IsPlainFileName(zip.m_strZipName)) {
            fail(what +
                 "the name is not a plain file name; correct it in the list's "
                 "compressed files.");
            continue;
        }
        const std::string archive = dir + CCodePage::ToUtf8(zip.m_strZipName);
        // The first command may have been started when the list was written.
        std::unique_ptr<CStartedCommand> started;
        if (&stored == &def.m_zipFiles.front()) started = std::move(run.m_pStartedCommand);
        if (!started) Delete(archive);
        if (run.StopRequested()) return false;

        std::string error;
        bool made;
        if (started) {
            std::string why;
            int exitStatus = 0;
            const CExternalCommand::Result result = started->Wait(&exitStatus, &why);
            made = CommandSucceeded(zip, result, exitStatus, why, run.Observer(), &error);
        } else {
            made = Compress(zip, dir, fileName, run.Observer(), &error, run.m_pDeflated.get(),
                            run.StopRequest());
        }
        if (!made) {
            // A command ended by the cancel is no fault of the list.
            if (run.StopRequested()) return false;
            const bool internal = zip.m_nZipFlags & ZIP_INTERNAL;
            fail(what + error +
                 (internal ? "; check the free space in the temporary folder."
                           : "; check the command line."));
            Delete(archive);
            continue;
        }
        std::error_code ec;
        if (!std::filesystem::is_regular_file(archive, ec)) {
            fail(what + "the command \"" + zip.m_strCommand +
                 "\" did not create it; check the command line.");
            Delete(archive);
            continue;
        }
        if (!publish(archive, zip.m_strZipName, zip.m_nZipArea, zip.m_strZipDesc, what))
            return false;
        Delete(archive);
    }

    const std::string listPath = dir + fileName;
    if (!(def.m_nOptions & OPT_DISCARD)) {
        if (!publish(listPath, def.m_strListName, def.m_nFileArea, def.m_strListDesc,
                     "List " + def.m_strListName + " "))
            return false;
    }
    Delete(listPath);
    return ok;
}
