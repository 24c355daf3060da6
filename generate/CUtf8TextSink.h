// The UTF-8 form of a text list, made from the list's bytes as they are written: Windows-1252
// text and code page 437 box characters in UTF-8, LF line ends, and for bulletins without the
// "@XY@" colour codes.
//
// Bytes alone do not say which code page they are in (0xCD is a double rule in a box and an
// "I" with an acute accent in a description), so a line's shape decides: the box at the top
// of the list (up to its first empty line) has its corners, borders and frame bars in code
// page 437, and so does a line that is, after an indent of fewer than 35 blanks, a rule of
// 0xCD or 0xC4 alone (a title or area heading underline). Every other byte is Windows-1252:
// entries never look like that, as their description lines are indented by 35 blanks.
#pragma once

#include <string>
#include <string_view>

#include "io/IByteSink.h"

class CUtf8TextSink : public IByteSink {
public:
    // `out` gets the UTF-8 bytes and must outlive this sink.
    CUtf8TextSink(IByteSink& out, bool colourCodes) : m_out(out), m_colourCodes(colourCodes) {}

    bool Write(const char* data, size_t size) override;
    // Converts an unfinished last line and closes `out`.
    bool Close() override;
    std::string Error() const override { return m_out.Error(); }

private:
    void ConvertLine(std::string_view line, std::string& converted);

    IByteSink& m_out;
    bool m_colourCodes;
    bool m_inBox = true;
    std::string m_pending;  // the start of a line whose end has not come yet
};
