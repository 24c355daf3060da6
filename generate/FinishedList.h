// A list whose output is complete in its working directory: what the publishers get.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "generate/RunOptions.h"

class COutRec;
class CStopRequest;
class IListReport;
class IRunObserver;
struct CDeflatedData;

struct FinishedList {
    // An area page of an indexed HTML set: its file in `dir` and the name it is published
    // under (the board's Windows-1252, as the list's own name).
    struct Page {
        std::string tempName;
        std::string name;
    };

    const COutRec& def;
    IListReport& report;
    std::string dir;   // the list's working directory, ends in '/'
    std::string file;  // the list file in `dir` (an HTML list's index or single page); may be empty
    int entryCount = 0;
    // The list file deflated while it was written, for the internal ZIP files; may be null.
    const CDeflatedData* deflated = nullptr;
    std::vector<Page> pages;
    // Set in a preview: the directory that gets the list's output instead of the board.
    std::string previewDir;
    IRunObserver* observer = nullptr;    // may be null
    const CStopRequest* stop = nullptr;  // ends a running compression command; may be null
    std::chrono::milliseconds commandTimeout = RunOptions().commandTimeout;
};
