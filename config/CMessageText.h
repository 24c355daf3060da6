// Values inside messages to the operator: cut short and with control characters made visible,
// so that a hostile value can neither flood the terminal nor break the message's lines.
#pragma once

#include <string>
#include <string_view>

class CMessageText {
public:
    // Characters of a value that a message shows at most.
    static constexpr size_t kMaxShown = 60;

    // `text` with control characters written as \n, \r, \t or \xNN and a backslash doubled;
    // after `maxChars` characters (UTF-8 sequences count as one) the rest becomes "...".
    static std::string Escape(std::string_view text, size_t maxChars = kMaxShown);
    // Escape between double quotes, a double quote inside written as \".
    static std::string Quote(std::string_view text);
    // A JSON parser's message, escaped, with the input it quotes cut short.
    static std::string ParserMessage(std::string_view what);
};
