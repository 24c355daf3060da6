// Puts a finished HTML list into its HTML directory: the logo, the single page or, for an
// indexed set, the area pages and the index page linking to them. Pages are staged inside
// the directory and renamed into place only when all of them were copied, so a failure
// leaves the pages of the previous run as they were.
#pragma once

#include <string>

struct FinishedList;

class CHtmlPublisher {
public:
    // False, with the reason sent to list.report, when the list could not be published. The
    // list's pages are removed from its working directory in every case.
    static bool PublishHtml(const FinishedList& list);
    // Writes the raw bytes of one of the program's resources to `path`, replacing the file.
    // False when there is no such resource (the file is then untouched) or on a file error.
    static bool ExtractResource(const std::string& name, const std::string& type,
                                const std::string& path);
};
