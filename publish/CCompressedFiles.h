// The publishing path of a File list: its compressed files, made by the internal ZIP writer
// or an external command, registered in the list's file area, then the list file itself.
#pragma once

#include <chrono>
#include <string>

#include "config/ZipRec.h"

class CListRun;
struct CDeflatedData;
class IRunObserver;

class CCompressedFiles {
public:
    // Makes, registers and deletes every compressed file of the list in order, then
    // registers the list file (unless OPT_DISCARD) and deletes it. A compressed file that
    // cannot be made is reported through run.Fail and skipped; the others still go ahead.
    // False when anything was reported.
    static bool MakeCompressedFiles(CListRun& run, const std::string& fileName);

    // Makes `zip.m_strZipName` in `workDir` (which ends in '/') from the file `fileName` there.
    // False, with `error` saying why, when the archive could not be written or the list file
    // read, or when the command could not be started (the operator is told at once: "Could
    // not run:") or did not finish in time.
    // `deflated`, when given and valid, is the file's deflate stream made while it was
    // written; the internal ZIP then copies it instead of compressing again.
    static bool Compress(const ZipRec& zip, const std::string& workDir, const std::string& fileName,
                         IRunObserver* observer, std::string* error,
                         const CDeflatedData* deflated = nullptr);

    // How long an external command may run before it is stopped (10 minutes unless changed).
    static void SetCommandTimeout(std::chrono::milliseconds timeout);
    static std::chrono::milliseconds CommandTimeout();

    // A plain file name: not empty, no '/', not "." or "..", no control character (a line
    // break would break the board's listings). Configured names are joined to
    // the temporary folder and deleted there, so nothing else may get through.
    static bool IsPlainName(const std::string& name);
};
