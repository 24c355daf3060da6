// The compressed files of a File list: made by the internal ZIP writer or an external
// command, then registered in the list's file area.
#pragma once

#include <chrono>
#include <string>

#include "config/ZipRec.h"
#include "generate/RunOptions.h"
#include "publish/CDestinations.h"

class COutRec;
class CStopRequest;
struct CDeflatedData;
struct FinishedList;
class IRunObserver;

class CCompressedFiles {
public:
    // The compressed file that would take the name of the list file or of an earlier
    // compressed file, on the board (names cut as published) or in the working directory;
    // empty when none.
    static std::string SharedName(const COutRec& def);

    // Makes, registers (as `uploader`) and deletes every compressed file of the list in
    // order. A compressed file that cannot be made is reported through list.report and
    // skipped; the others still go ahead. Once the run is asked to stop nothing more is
    // made or registered (Stopped).
    static CDestinations::Placed MakeCompressedFiles(const FinishedList& list,
                                                     const std::string& uploader);

    // Makes `zip.m_strZipName` in `workDir` (which ends in '/') from the file `fileName` there.
    // False, with `error` saying why, when the archive could not be written or the list file
    // read, or when the command could not be started (the operator is told at once: "Could
    // not run:") or did not finish within `timeout`.
    // `deflated`, when given and valid, is the file's deflate stream made while it was
    // written; the internal ZIP then copies it instead of compressing again.
    // A command still running when `stop` is requested is ended (false).
    static bool Compress(const ZipRec& zip, const std::string& workDir, const std::string& fileName,
                         IRunObserver* observer, std::string* error,
                         const CDeflatedData* deflated = nullptr,
                         const CStopRequest* stop = nullptr,
                         std::chrono::milliseconds timeout = RunOptions().commandTimeout);
};
