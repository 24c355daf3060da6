// Text of the board tool: UTF-8 in JSON, Windows-1252 in the board.
#pragma once

#include <string>

class CBoardText {
public:
    // Throws CBoardError naming `what` when the text is not UTF-8 or holds a character that
    // Windows-1252 has no byte for.
    static std::string ToCp1252(const std::string& utf8, const std::string& what);
    static std::string ToUtf8(const std::string& cp1252);
};
