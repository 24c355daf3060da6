// Puts a finished HTML list into its HTML directory: the logo, the single page or, for an
// indexed set, the area pages and the index page linking to them. Pages are staged inside
// the directory and renamed into place only when all of them were copied, so a failure
// leaves the pages of the previous run as they were.
#pragma once

#include <cstdint>
#include <string>

class CListRun;

class CHtmlPublisher {
public:
    // `lastPageName` is the file name (in the run's temporary directory) of the page the
    // run closed last; empty when no page was open. False, with the reason recorded through
    // run.Fail, when the list could not be published. The list's pages are removed from the
    // temporary directory in every case.
    static bool PublishHtml(CListRun& run, const std::string& lastPageName);
    static void WriteIndexHeader(CListRun& run);
    static void WriteIndexFooter(CListRun& run);
    // Writes the raw bytes of one of the program's resources to `path`, replacing the file.
    // False when there is no such resource (the file is then untouched) or on a file error.
    static bool ExtractResource(const std::string& name, const std::string& type,
                                const std::string& path);
    // One row of the index table.
    static std::string IndexRow(const std::string& pageName, int area, const std::string& areaName,
                                int count, int64_t bytes);
};
