// Conversions between the Windows-1252 text of the configuration and lists, UTF-8 (the
// user interface, JSON, the UTF-8 copies of text lists) and IBM437 (ZIP entry names, the
// box characters of text lists).
#pragma once

#include <string>
#include <string_view>

class CCodePage {
public:
    // Every byte has a character: the five bytes Windows-1252 leaves undefined (0x81, 0x8D,
    // 0x8F, 0x90, 0x9D) become the control characters U+0081 and so on, as Windows does,
    // so that FromUtf8 gives the same bytes back.
    static std::string ToUtf8(std::string_view cp1252);
    // The same, appended to `out`.
    static void AppendUtf8(std::string& out, std::string_view cp1252);
    // The length of the text's leading run of ASCII bytes.
    static size_t AsciiPrefix(std::string_view text);
    // False (and `cp1252` untouched) when the text is not valid UTF-8 or holds a character
    // Windows-1252 cannot hold.
    static bool FromUtf8(std::string_view utf8, std::string* cp1252);
    // Same byte count as the input; characters IBM437 lacks become '_', which is safe in a
    // file name where '?' would not be.
    static std::string AnsiToOem(std::string_view cp1252);
    // IBM437 text (the box characters of text lists) in UTF-8.
    static std::string OemToUtf8(std::string_view oem);
};
