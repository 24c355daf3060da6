// The UTF-8 copy of a File, Message or Bulletin list: "<list name>.utf8.txt" in the list's
// copy directory (in a preview, the list's preview directory), made from the list's bytes as
// they are written and put in place once the list itself has gone out.
#pragma once

#include <memory>
#include <string>

class CListRun;
class CStagedFile;
class CUtf8TextSink;
class IByteSink;

class CUtf8Copy {
public:
    // The copy the list asks for; null when it asks for none.
    static std::unique_ptr<CUtf8Copy> For(const CListRun& run);
    ~CUtf8Copy();
    CUtf8Copy(const CUtf8Copy&) = delete;
    CUtf8Copy& operator=(const CUtf8Copy&) = delete;

    // A sink to tee the list's bytes into, or null when the copy could not be started (Commit
    // then says why). It must not outlive this copy.
    std::unique_ptr<IByteSink> Tap();
    // Puts the copy in place; false with Error() naming the file when it cannot.
    bool Commit();
    const std::string& Error() const { return m_error; }

private:
    CUtf8Copy(const std::string& dir, const std::string& listName, bool colourCodes);

    std::string m_path;
    std::unique_ptr<CStagedFile> m_file;
    std::unique_ptr<CUtf8TextSink> m_convert;
    std::string m_error;
};
