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
    // Reads the board (area record, settings) only when the template needs it. Templates are
    // worked out once into literal pieces and values, which gives the same text as replacing
    // token after token (tests compare the two through RunOptions::templatePlans).
    static std::string ExpandTemplate(const CListRun& run, const std::string& tmpl,
                                      const CFileEntry& entry);

    // Board or operator text as HTML text or a quoted attribute value: "&", "<", ">" and
    // '"' become entities; everything else is kept as it is.
    static std::string EscapeHtml(std::string_view text);
    // Windows-1252 text made safe as an unquoted attribute value and as part of a URL: it
    // is taken as UTF-8 (what a Linux web server's file names are), then blanks, quotes,
    // "<", ">", "=", "`", "%", "&", "#", "?", "/" (unless `keepSlash`), "\", control
    // characters and bytes from 0x7F on are percent-encoded; everything else is kept.
    static std::string EncodeLinkTarget(std::string_view cp1252, bool keepSlash = false);
    // Replaces every non-overlapping `token`, left to right, without rescanning the text
    // inserted; one pass over `text`.
    static void ReplaceAll(std::string& text, std::string_view token, std::string_view value);
    // As ReplaceAll, with the value made by `value()` only when the token is there; false
    // when it is not.
    template <typename MakeValue>
    static bool ReplaceAllWith(std::string& text, std::string_view token, MakeValue&& value);
};

template <typename MakeValue>
bool CTemplateExpander::ReplaceAllWith(std::string& text, std::string_view token,
                                       MakeValue&& makeValue) {
    size_t hit = text.find(token);
    if (hit == std::string::npos) return false;
    const auto& value = makeValue();
    // One scratch buffer per thread keeps its capacity, so expansions do not allocate.
    thread_local std::string out;
    out.clear();
    size_t from = 0;
    while (hit != std::string::npos) {
        out.append(text, from, hit - from);
        out.append(value);
        from = hit + token.size();
        hit = text.find(token, from);
    }
    out.append(text, from, std::string::npos);
    text.swap(out);
    return true;
}
