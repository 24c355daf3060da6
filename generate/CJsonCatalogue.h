// The JSON catalogue of an HTML list: the board, the list and every file it shows, area by
// area in list order. Written to its file as the list is written, so that a list of a
// million files needs no more memory than one of ten.
#pragma once

#include <string>
#include <string_view>

#include "generate/CSideFile.h"

class CFileEntry;
class COutRec;

class CJsonCatalogue : public CSideFile {
public:
    explicit CJsonCatalogue(const COutRec& def);
    // Creates the file and writes the board, the title and the time made; false (recorded)
    // when the file cannot be made.
    bool Begin(CListRun& run);
    void Add(const CListRun& run, const CFileEntry& entry);
    bool Finish(CListRun& run, std::string* tempName) override;

    // Windows-1252 text as a JSON string, quotes included.
    static void AppendString(std::string& out, std::string_view cp1252);

private:
    bool m_bOpen = false;
    int m_nArea = -1;
    bool m_bFirstFile = true;
    std::string m_line;
    std::string m_linkPrefix;  // of the current section; empty when the list makes no links
};
