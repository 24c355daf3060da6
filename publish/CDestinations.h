// Moving finished lists into the board: a message, a bulletin, or a file in a file area.
#pragma once

#include <string>

struct FinishedList;

class CDestinations {
public:
    // How putting one file of a list in its place went; Stopped when the run was asked to
    // stop first, so that nothing more may be published.
    enum class Placed { Done, Failed, Stopped };

    // Copies a local file into the server's storage. False when the local file cannot be
    // read or the server file cannot be written; the old server file then stays as it was.
    static bool CopyToServer(const std::string& localPath, const std::string& serverPath,
                             std::string* error);
    // Posts a LIST_MESSAGE list (nothing when it holds no entry); deletes the local file.
    static bool PublishMessage(const FinishedList& list);
    // Writes a LIST_BULLETIN list as wc:\bull\[conf(n)\][lang(x)\]NAME; deletes the local file.
    static bool PublishBulletin(const FinishedList& list);
    // Copies a local file into a file area and adds or updates its record. False when the
    // local file does not exist (nothing happens) or the copy failed (`error` says why).
    static bool PublishFile(const std::string& localPath, const std::string& publishedName,
                            int area, const std::string& description, const std::string& uploader,
                            std::string* error = nullptr);
    // One file of a File list into file `area` as `name` (or, in a preview, into the preview
    // directory), under the list's publish gate. A failure goes to list.report, `what` first.
    static Placed PlaceFile(const FinishedList& list, const std::string& localPath,
                            const std::string& name, int area, const std::string& description,
                            const std::string& uploader, const std::string& what);
    // A preview's stand-in for publishing: copies a local file as `name` into the list's
    // preview directory. False (recorded through list.report) when it cannot.
    static bool CopyToPreview(const FinishedList& list, const std::string& localPath,
                              const std::string& name);
    // The name a file is registered under: the record's name field holds 15 characters.
    static std::string PublishedName(const std::string& name);
};
