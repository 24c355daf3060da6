#include "config/CMessageText.h"

#include <cstdio>

namespace {

std::string EscapeImpl(std::string_view text, size_t maxChars, bool quote) {
    std::string out;
    size_t chars = 0;
    for (size_t k = 0; k < text.size(); ++k) {
        const unsigned char c = static_cast<unsigned char>(text[k]);
        const bool continuation = (c & 0xC0) == 0x80;
        if (!continuation && chars++ == maxChars) {
            out += "...";
            break;
        }
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\\' || (quote && c == '"')) {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

std::string CMessageText::Escape(std::string_view text, size_t maxChars) {
    return EscapeImpl(text, maxChars, false);
}

std::string CMessageText::Quote(std::string_view text) {
    return "\"" + EscapeImpl(text, kMaxShown, true) + "\"";
}

std::string CMessageText::ParserMessage(std::string_view what) {
    // The parser quotes the token it stopped at, which can be the whole input.
    for (std::string_view marker : {"last read: ", "parsing '"}) {
        const size_t at = what.find(marker);
        if (at == std::string_view::npos) continue;
        const size_t start = at + marker.size();
        return Escape(what.substr(0, start), start) + Escape(what.substr(start));
    }
    return Escape(what, 4 * kMaxShown);
}
