// The board stores Windows-1252 bytes; the JSON side is UTF-8.
#pragma once

#include <string>

class CCodePage {
public:
    // Throws CBoardError naming `what` when the text is not UTF-8 or holds a character that
    // Windows-1252 has no byte for.
    static std::string ToCp1252(const std::string& utf8, const std::string& what);
    // Every byte converts: the five bytes Windows-1252 leaves undefined become U+0081 etc.
    static std::string ToUtf8(const std::string& cp1252);
};
