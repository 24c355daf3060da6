// Moving finished lists into the board: a message, a bulletin, or a file in a file area.
#pragma once

#include <string>

class CListRun;

class CDestinations {
public:
    // Copies a local file into the server's storage. False when the local file cannot be
    // read or the server file cannot be written; the old server file then stays as it was.
    static bool CopyToServer(const std::string& localPath, const std::string& serverPath,
                             std::string* error);
    // Posts a LIST_MESSAGE list (nothing when it holds no entry); deletes the local file.
    static bool PublishMessage(CListRun& run, const std::string& fileName);
    // Writes a LIST_BULLETIN list as wc:\bull\[conf(n)\][lang(x)\]NAME; deletes the local file.
    static bool PublishBulletin(CListRun& run, const std::string& fileName);
    // Copies a local file into a file area and adds or updates its record. False when the
    // local file does not exist (nothing happens) or the copy failed (`error` says why).
    static bool PublishFile(const std::string& localPath, const std::string& publishedName,
                            int area, const std::string& description, const std::string& uploader,
                            std::string* error = nullptr);
    // A preview's stand-in for publishing: copies a local file as `name` into the list's
    // preview directory. False (recorded through run.Fail) when it cannot.
    static bool CopyToPreview(CListRun& run, const std::string& localPath, const std::string& name);
    // The operator's name from the board settings of this thread's session.
    static std::string OperatorName();
    // The name a file is registered under: the record's name field holds 15 characters.
    static std::string PublishedName(const std::string& name);
};
