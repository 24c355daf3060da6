// The pieces of a page in the modern theme: HTML5 in UTF-8, a layout that fits small
// screens, light and dark colours after the reader's setting, and sorting and filtering by a
// small inline script that keeps its state in the address ("#sort=size&q=doom"). Without
// scripts the page shows every row in list order. The operator's templates fit in as they
// do in the classic pages.
#pragma once

#include <cstdint>
#include <string>

class CFileEntry;
class CListRun;
class COutRec;

class CModernPage {
public:
    // Whether the list's pages are in the modern theme.
    static bool Is(const CListRun& run);

    // From the document type to the BODY tag, shared by list pages and the index page.
    static std::string DocumentHead(const CListRun& run);
    // The filter and sort controls, shown by the script.
    static const std::string& Tools();
    // Opens the table of a most-popular list, which has no area headers.
    static std::string TableStart(const COutRec& def);
    static std::string TableEnd() { return "</table>\n"; }
    // The built-in area header and footer templates.
    static std::string AreaHeader(const COutRec& def);
    static const std::string& AreaFooter(const COutRec& def);
    // The built-in entry template for the list's layout; a full list shows the long
    // description in a second row when the file has one.
    static const std::string& EntryTemplate(int layout, bool longDesc);
    // An entry whose template gives table rows is wrapped in a group that carries what the
    // script sorts by; other templates are written as they are.
    static bool IsRows(const std::string& tmpl);
    static std::string GroupStart(const CFileEntry& entry);
    static std::string GroupEnd() { return "</tbody>\n"; }

    static std::string Totals(int files, int64_t bytes);
    // Product credit, the maker's link and logo, the counter image when `counter`, and the
    // maker's board.
    static std::string Credits(bool counter);
    static std::string BackLink(const std::string& listName);
    // The end of a page; list pages carry the script.
    static std::string End(bool script);

    static std::string IndexTableStart();
    static std::string IndexRow(const std::string& pageName, int area, const std::string& areaName,
                                int count, int64_t bytes);
    static std::string IndexTableEnd() { return "</tbody>\n</table>\n"; }
};
