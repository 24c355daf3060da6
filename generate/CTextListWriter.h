// The text form of a file list: the framed header, entries in the three layouts with area
// headings, and the footer with totals and the credit block. File and message lists are
// plain text; bulletins carry the server's "@XY@" colour codes. Everything goes to the
// list's text-mode output file, so each "\n" reaches the file as CR LF.
#pragma once

#include <string>
#include <string_view>

class CListRun;
class CFileEntry;

class CTextListWriter {
public:
    static void WritePlainHeader(CListRun& run);
    static void WriteColourHeader(CListRun& run);
    static void WritePlainEntry(CListRun& run, const CFileEntry& entry);
    static void WriteColourEntry(CListRun& run, const CFileEntry& entry);
    // Serves every text list type; adds the colour codes for bulletins itself.
    static void WriteTextFooter(CListRun& run);

    // The text padded with blanks on both sides to `width` (the odd blank goes right).
    static std::string Centre(std::string_view text, int width);
    // The part of the text that fits `width`, cut at a blank where one lies in the second
    // half of the width, otherwise cut hard at `width`.
    static std::string WrapHead(std::string_view text, int width);
    // What WrapHead left over (without the blank it was cut at); empty when all fitted.
    static std::string WrapTail(std::string_view text, int width);

private:
    static void WriteHeader(CListRun& run, bool colour);
    static void WriteEntry(CListRun& run, const CFileEntry& entry, bool colour);
    static void WriteAreaHeading(CListRun& run, const CFileEntry& entry, bool colour);
};
