// Writing expected list bytes by hand: line feeds as the text-mode files store them, and
// runs of blanks counted out.
#pragma once

#include <string>

// `text` with every line feed as CR LF.
inline std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

inline std::string Spaces(int n) { return std::string(static_cast<size_t>(n), ' '); }
