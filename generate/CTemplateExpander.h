// Fills the operator's HTML templates: ~TOKEN~ fields replaced by values of one file entry,
// of the list, of the board and of the clock, and file names turned into download links.
#pragma once

#include <string>
#include <string_view>

class CFileEntry;
class CListRun;

class CTemplateExpander {
public:
    // The expanded text of `tmpl` for `entry` (an empty entry for page and index headers).
    // Reads the board (area record, settings) only when the template needs it.
    static std::string ExpandTemplate(const CListRun& run, const std::string& tmpl,
                                      const CFileEntry& entry);

    // Every "<" as "&lt;"; nothing else is touched.
    static std::string EscapeLt(std::string_view text);
    // A file name made safe as an unquoted attribute value and as a URL path segment:
    // blanks, quotes, "<", ">", "=", "`", "%", "&", "#", "?", control characters and bytes
    // from 0x7F on are percent-encoded; everything else is kept as it is.
    static std::string EncodeLinkTarget(std::string_view name);
    // Replaces every non-overlapping `token`, left to right, without rescanning the text
    // inserted; one pass over `text`.
    static void ReplaceAll(std::string& text, std::string_view token, std::string_view value);
};
