#include "publish/CCompressedFiles.h"

#include <unistd.h>

#include <atomic>
#include <exception>
#include <filesystem>

#include "config/CConfig.h"
#include "config/CMessageText.h"
#include "generate/CListRun.h"
#include "generate/IRunObserver.h"
#include "publish/CDestinations.h"
#include "publish/CExternalCommand.h"
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

}  // namespace

void CCompressedFiles::SetCommandTimeout(std::chrono::milliseconds timeout) {
    g_commandTimeoutMs = timeout.count();
}

std::chrono::milliseconds CCompressedFiles::CommandTimeout() {
    return std::chrono::milliseconds(g_commandTimeoutMs.load());
}

bool CCompressedFiles::IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           !CConfig::HasControlCharacter(name);
}

bool CCompressedFiles::Compress(const ZipRec& zip, const std::string& workDir,
                                const std::string& fileName, IRunObserver* observer,
                                std::string* error, const CDeflatedData* deflated) {
    const std::string dir = WithSlash(workDir);
    if (zip.m_nZipFlags & ZIP_INTERNAL) {
        const std::string archive = dir + zip.m_strZipName;
        try {
            CZipWriter writer;
            writer.Create(archive);
            const std::string entry = CZipEntryHeader::EntryName(fileName);
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
    const CExternalCommand::Result result = command.Run(dir, CommandTimeout(), &exitStatus, &why);
    if (result == CExternalCommand::Result::CouldNotStart) {
        if (observer)
            observer->ShowMessage("Could not run:\n" + zip.m_strCommand, "Quorvane",
                                  MessageIcon::Stop);
        if (error) *error = "could not run \"" + zip.m_strCommand + "\" (" + why + ")";
        return false;
    }
    if (result == CExternalCommand::Result::TimedOut) {
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

bool CCompressedFiles::MakeCompressedFiles(CListRun& run, const std::string& fileName) {
    const COutRec& def = run.Def();
    const std::string dir = WithSlash(run.m_strTempDir);
    const std::string operatorName = CDestinations::OperatorName();
    bool ok = true;
    auto fail = [&](const std::string& why) {
        run.Fail(why);
        ok = false;
    };

    if (!IsPlainName(fileName)) {
        fail("List " + def.m_strListName + ": the list file name \"" + fileName +
             "\" is not a plain file name; check the list name.");
        return false;
    }

    for (const ZipRec& stored : def.m_zipFiles) {
        ZipRec zip = stored;
        zip.m_nZipArea = def.m_nFileArea;
        const std::string what = "Compressed file " + CMessageText::Quote(zip.m_strZipName) +
                                 " of list " + def.m_strListName + ": ";
        if (!IsPlainName(zip.m_strZipName)) {
            fail(what +
                 "the name is not a plain file name; correct it in the list's "
                 "compressed files.");
            continue;
        }
        const std::string archive = dir + zip.m_strZipName;
        Delete(archive);

        std::string error;
        if (!Compress(zip, dir, fileName, run.Observer(), &error, run.m_pDeflated.get())) {
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
        std::string publishError;
        if (!CDestinations::PublishFile(archive, zip.m_strZipName, zip.m_nZipArea, zip.m_strZipDesc,
                                        operatorName, &publishError))
            fail(what + "could not be registered in file area " + std::to_string(zip.m_nZipArea) +
                 (publishError.empty() ? std::string(".") : ": " + publishError));
        Delete(archive);
    }

    const std::string listPath = dir + fileName;
    if (!(def.m_nOptions & OPT_DISCARD)) {
        std::string publishError;
        if (!CDestinations::PublishFile(listPath, def.m_strListName, def.m_nFileArea,
                                        def.m_strListDesc, operatorName, &publishError))
            fail("List " + def.m_strListName + " could not be registered in file area " +
                 std::to_string(def.m_nFileArea) +
                 (publishError.empty() ? std::string(".") : ": " + publishError));
    }
    Delete(listPath);
    return ok;
}
