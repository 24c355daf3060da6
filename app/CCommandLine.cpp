#include "app/CCommandLine.h"

#include <cctype>

CCommandLine::CCommandLine(int argc, char** argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) text += ' ';
        text += argv[i];
    }
    *this = CCommandLine(text);
}

CCommandLine::CCommandLine(const std::string& text) : m_upper(text) {
    for (char& c : m_upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}
