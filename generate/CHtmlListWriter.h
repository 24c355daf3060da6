// The pages of an HTML list: document head, page header, area sections with one row per
// file, totals and credits. One page per list, or one page per area for an indexed set.
#pragma once

#include <cstdint>
#include <string>

class CFileEntry;
class CListRun;

class CHtmlListWriter {
public:
    static void WriteHtmlHeader(CListRun& run);
    // Closes the previous area (or, in an indexed set, its page and opens the next one) when
    // the entry starts a new area, then writes the entry.
    static void WriteHtmlEntry(CListRun& run, const CFileEntry& entry);
    // Area footer, totals or index bookkeeping, credits, end of the document. For an indexed
    // set with no page open (nothing selected) it writes nothing.
    static void WriteHtmlFooter(CListRun& run);

    // The built-in page header: board name, further header lines (a line holding one of the
    // address markers becomes a link; `anyScheme` false knows only "http://"), list title,
    // then `after`. Shared by list pages and the index page; all of it escaped.
    static void WriteBuiltInHeader(CListRun& run, bool anyScheme, const std::string& after);
    // DOCTYPE, HEAD and the BODY tag, shared by list pages and the index page.
    static std::string DocumentHead(const CListRun& run);
    // "<H3>  Total files: ..." with the unit chosen by strict thresholds.
    static std::string TotalsLine(int files, int64_t bytes);
    // The first two pieces of the credit block (product credit and the maker's link) and
    // the logo paragraph; the index page puts the counter image right after them.
    static void WriteCreditHead(CListRun& run);
    // The maker's board and telephone line, the end of the credit block.
    static void WriteCreditTail(CListRun& run);

    // True when pages are split per area: an indexed set that is not a most-popular list.
    static bool SplitsIntoAreas(const CListRun& run);
    // The name of the page of `area` in an indexed set: the list's name after the area's
    // five-digit number.
    static std::string AreaPageName(int area, const std::string& listName);
    // The index page of an indexed set, over the area pages written so far, in a new file in
    // the run's temporary directory: its file name, or empty (recorded) when it could not
    // be written.
    static std::string WriteIndexPage(CListRun& run);
    // One row of the index table.
    static std::string IndexRow(const std::string& pageName, int area, const std::string& areaName,
                                int count, int64_t bytes);

private:
    static void Write(CListRun& run, const std::string& text);
    static void WriteAreaFooter(CListRun& run);
};
