// A file that an HTML list puts into its directory beside its pages (the Atom feed, the JSON
// catalogue): written in the run's temporary directory as plain bytes, then published with
// the pages.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "io/IByteSink.h"

class CListRun;

class CSideFile {
public:
    // `fileName` is the name in the HTML directory, Windows-1252 as the list's name.
    explicit CSideFile(std::string fileName) : m_strFileName(std::move(fileName)) {}
    virtual ~CSideFile();
    CSideFile(const CSideFile&) = delete;
    CSideFile& operator=(const CSideFile&) = delete;

    // Completes the file. `tempName` gets its name in the run's temporary directory (empty
    // when none was made); false, recorded through run.Fail, when it could not be written.
    virtual bool Finish(CListRun& run, std::string* tempName) = 0;
    const std::string& FileName() const { return m_strFileName; }

    // "LIST.HTM" with `extension` ".atom" gives "LIST.atom": the page's name without its
    // extension; a name that would be the page's own gets the extension added instead.
    static std::string SideFileName(const std::string& listName, const char* extension);

protected:
    // Creates the temporary file; false (recorded) when it cannot be made.
    bool Open(CListRun& run);
    void Write(std::string_view bytes);
    // Flushes and closes; false (recorded) when anything was lost.
    bool Close(CListRun& run, std::string* tempName);

private:
    void Flush();

    std::string m_strFileName;
    std::string m_strTempPath;
    std::unique_ptr<IByteSink> m_sink;
    std::string m_buffer;
    bool m_bFailed = false;
};
