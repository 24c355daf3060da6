// The publishing path of a File list: its compressed files, made by the internal ZIP writer
// or an external command, registered in the list's file area, then the list file itself.
#pragma once

#include <chrono>
#include <string>

#include "config/ZipRec.h"
#include "publish/CExternalCommand.h"

class CListRun;
class CStopRequest;
struct CDeflatedData;
class IRunObserver;

class CCompressedFiles {
public:
    // Makes, registers and deletes every compressed file of the list in order, then
    // registers the list file (unless OPT_DISCARD) and deletes it. A compressed file that
    // cannot be made is reported through run.Fail and skipped; the others still go ahead.
    // Once the run is asked to stop nothing more is made or registered. False when anything
    // was reported or left out by the stop.
    static bool MakeCompressedFiles(CListRun& run, const std::string& fileName);

    // Makes `zip.m_strZipName` in `workDir` (which ends in '/') from the file `fileName` there.
    // False, with `error` saying why, when the archive could not be written or the list file
    // read, or when the command could not be started (the operator is told at once: "Could
    // not run:") or did not finish in time.
    // `deflated`, when given and valid, is the file's deflate stream made while it was
    // written; the internal ZIP then copies it instead of compressing again.
    // A command still running when `stop` is requested is ended (false).
    static bool Compress(const ZipRec& zip, const std::string& workDir, const std::string& fileName,
                         IRunObserver* observer, std::string* error,
                         const CDeflatedData* deflated = nullptr,
                         const CStopRequest* stop = nullptr);

    // Starts the list's first compressed file, when a command makes it, as soon as the list
    // file `fileName` is written: it then runs beside the rest of the run, and
    // MakeCompressedFiles takes its result in its turn.
    static void StartFirstCommand(CListRun& run, const std::string& fileName);

    // How long an external command may run before it is stopped (10 minutes unless changed).
    static void SetCommandTimeout(std::chrono::milliseconds timeout);
    static std::chrono::milliseconds CommandTimeout();

private:
    // What a command's end means for its compressed file; false, with `error`, when the file
    // must not be published.
    static bool CommandSucceeded(const ZipRec& zip, CExternalCommand::Result result, int exitStatus,
                                 const std::string& why, IRunObserver* observer,
                                 std::string* error);
};
