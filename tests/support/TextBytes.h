// Writing expected list bytes by hand: line feeds as the text-mode files store them, runs of
// blanks counted out, and the footer every text list ends with.
#pragma once

#include <regex>
#include <string>

#include "tests/support/CTestBoard.h"

// Expected bytes worked out by hand, kept in tests/support/data/expected/`name`.
inline std::string ExpectedBytes(const std::string& name) {
    return CTestBoard::Data("expected/" + name);
}

// `text` with every line feed as CR LF.
inline std::string Crlf(const std::string& text) {
    return std::regex_replace(text, std::regex("\n"), "\r\n");
}

inline std::string Rep(char c, int n) {
    return std::string(static_cast<size_t>(n), c);
}
inline std::string Spaces(int n) {
    return Rep(' ', n);
}

// The credit lines every text list ends with: texts of 46, 29, 22 and 25 characters centred
// on 70 columns.
inline const std::string kTextCredits =
    "\n" + Spaces(12) + "Quorvane V2.2 - file lists for Wildcat! boards\n" + Spaces(20) +
    "http://www.morrowfen.example/\n\n" + Spaces(24) + "Morrowfen BBS, Harwick\n" + Spaces(22) +
    "Telephone +44 1632 960018\n\n";

// The footer of a plain text list: totals and credits.
inline std::string TextFoot(int files, const std::string& total) {
    return "\n\n  Total files: " + std::to_string(files) + "\n  Totalling " + total + "\n\n" +
           kTextCredits;
}
