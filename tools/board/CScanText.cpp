#include "tools/board/CScanText.h"

#include <iconv.h>
#include <locale.h>

#include <cerrno>
#include <memory>

#include "server/WcServer.h"

namespace {

constexpr size_t kDescriptionMax = sizeof(WcFileRecord::szDescription);
constexpr size_t kLineMax = WC_LONGDESC_WIDTH - 1;

// An iconv descriptor kept per thread: opening one costs more than converting a DIZ.
class CConverter {
public:
    CConverter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~CConverter() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
    }
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    // Converts all of `in`; a sequence the target cannot take becomes '?'.
    std::string Run(std::string_view in) {
        std::string out;
        if (m_cd == reinterpret_cast<iconv_t>(-1)) return std::string(in.size(), '?');
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        size_t left = in.size();
        char buffer[512];
        while (left > 0) {
            char* dst = buffer;
            size_t room = sizeof buffer;
            size_t r = iconv(m_cd, &src, &left, &dst, &room);
            out.append(buffer, sizeof buffer - room);
            if (r == static_cast<size_t>(-1) && errno != E2BIG) {
                if (errno == EINVAL) break;  // an unfinished sequence at the end
                out += '?';                  // skip one whole UTF-8 sequence
                do {
                    ++src;
                    --left;
                } while (left > 0 && (static_cast<unsigned char>(*src) & 0xC0) == 0x80);
            }
        }
        return out;
    }

private:
    iconv_t m_cd;
};

// Transliteration follows LC_CTYPE; C.UTF-8 gives the same closest letters whatever the
// user's locale is ("ő" -> "o", box lines -> "-", "|", "+").
class CLocaleScope {
public:
    CLocaleScope() {
        static const locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
        if (loc != locale_t{}) m_old = uselocale(loc);
    }
    ~CLocaleScope() {
        if (m_old != locale_t{}) uselocale(m_old);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t m_old{};
};

// Box lines and blocks (U+2500 to U+259F) have no Windows-1252 character and transliterate
// to '?'; their closest letters are these.
constexpr std::string_view kBoxLetters =
    "--||--||--||++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++--||=|++++++++++++"
    "+++++++++++++++++++/\\X-|-|-|-|-|-|";

std::string BoxesToAscii(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto b1 = i + 2 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
        const auto b2 = i + 2 < utf8.size() ? static_cast<unsigned char>(utf8[i + 2]) : 0;
        if (static_cast<unsigned char>(utf8[i]) == 0xE2 && b1 >= 0x94 && b1 <= 0x96 &&
            (b2 & 0xC0) == 0x80) {
            const unsigned cp = ((b1 - 0x94u) << 6) | (b2 & 0x3Fu);  // from U+2500
            if (cp < 0xA0) {
                out += cp < kBoxLetters.size() ? kBoxLetters[cp] : '#';
                i += 2;
                continue;
            }
        }
        out += utf8[i];
    }
    return out;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

// Control characters and ANSI colour sequences out, tabs to blanks, no trailing blanks.
std::string CleanLine(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    for (size_t i = 0; i < line.size(); ++i) {
        auto c = static_cast<unsigned char>(line[i]);
        if (c == 0x1B && i + 1 < line.size() && line[i + 1] == '[') {
            i += 2;
            while (i < line.size() &&
                   !((line[i] >= 'A' && line[i] <= 'Z') || (line[i] >= 'a' && line[i] <= 'z')))
                ++i;
            continue;
        }
        if (c == '\t')
            out += ' ';
        else if (c >= 0x20 && c != 0x7F)
            out += static_cast<char>(c);
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// Lines of a text up to an end-of-file mark (Ctrl+Z), without their line ends.
std::vector<std::string_view> SplitLines(std::string_view text) {
    text = text.substr(0, text.find('\x1A'));
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// Puts cleaned lines into the record's fields: the first is the description, the next 15 the
// long description.
void Fit(const std::vector<std::string>& lines, CScanDescription* d) {
    size_t last = lines.size();
    while (last > 0 && lines[last - 1].empty()) --last;
    d->text.clear();
    d->lines.clear();
    for (size_t i = 0; i < last; ++i) {
        std::string line = lines[i];
        if (i == 0) line = std::string(TrimLeft(line));
        size_t room = i == 0 ? kDescriptionMax : kLineMax;
        if (line.size() > room) {
            line.resize(room);
            while (!line.empty() && line.back() == ' ') line.pop_back();
            d->cut = true;
        }
        if (i == 0) {
            d->text = line;
        } else if (d->lines.size() < WC_LONGDESC_LINES) {
            d->lines.push_back(line);
        } else {
            d->cut = true;
        }
    }
}

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if ((c < '0' || c > '9') && c != ',' && c != '.') return false;
    return s.front() >= '0' && s.front() <= '9';
}

// 1-2 digits, separator, 1-2 digits, separator, 2 or 4 digits ("07-21-93", "21.07.1993").
bool IsDate(std::string_view s) {
    size_t i = 0;
    auto digits = [&](size_t min, size_t max) {
        size_t n = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++n;
        return n >= min && n <= max;
    };
    auto sep = [&] { return i < s.size() && (s[i] == '-' || s[i] == '/' || s[i] == '.') && ++i; };
    return digits(1, 2) && sep() && digits(1, 2) && sep() && digits(2, 4) && i == s.size();
}

std::string_view Word(std::string_view s) {
    size_t end = 0;
    while (end < s.size() && !IsBlank(s[end])) ++end;
    return s.substr(0, end);
}

// A leading "[05]" download counter: taken off the text, its value stored.
std::string_view TakeCounter(std::string_view rest, int64_t* downloads) {
    if (rest.empty() || rest.front() != '[') return rest;
    size_t close = rest.find(']');
    if (close == std::string_view::npos || close > 11) return rest;
    int64_t value = 0;
    bool any = false;
    for (char c : rest.substr(1, close - 1)) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            any = true;
        } else if (c != ' ') {
            return rest;
        }
    }
    if (!any || value > 0xffffffffll) return rest;
    *downloads = value;
    return TrimLeft(rest.substr(close + 1));
}

// Name at the start of a list line: a word, or a quoted long name. Empty when malformed.
std::string_view TakeName(std::string_view* line) {
    std::string_view name;
    if (line->front() == '"') {
        size_t close = line->find('"', 1);
        if (close == std::string_view::npos) return {};
        name = line->substr(1, close - 1);
        line->remove_prefix(close + 1);
    } else {
        name = Word(*line);
        line->remove_prefix(name.size());
    }
    *line = TrimLeft(*line);
    return name;
}

}  // namespace

bool CScanText::IsUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80                 ? 0
                         : c >= 0xC2 && c <= 0xDF ? 1
                         : c >= 0xE0 && c <= 0xEF ? 2
                         : c >= 0xF0 && c <= 0xF4 ? 3
                                                  : 4;
        if (n == 4 || s.size() - i <= n) return false;
        for (size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        // No overlong forms, UTF-16 surrogates or code points past U+10FFFF.
        const auto c1 = static_cast<unsigned char>(s[i + (n > 0 ? 1 : 0)]);
        if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0) || (c == 0xF0 && c1 < 0x90) ||
            (c == 0xF4 && c1 >= 0x90))
            return false;
        i += n + 1;
    }
    return true;
}

std::string CScanText::ToCp1252(std::string_view bytes) {
    bool ascii = true;
    for (char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return std::string(bytes);
    thread_local CConverter fromOem("UTF-8", "IBM437");
    thread_local CConverter toAnsi("WINDOWS-1252//TRANSLIT", "UTF-8");
    CLocaleScope scope;
    if (IsUtf8(bytes)) return toAnsi.Run(BoxesToAscii(bytes));
    return toAnsi.Run(BoxesToAscii(fromOem.Run(bytes)));
}

std::string CScanText::Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

CScanText::ByName CScanText::ParseFilesBbs(std::string_view bytes) {
    const std::string text = ToCp1252(bytes);
    struct Raw {
        std::vector<std::string> lines;
        int64_t downloads = -1;
    };
    std::map<std::string, Raw> raw;
    Raw* current = nullptr;
    for (std::string_view line : SplitLines(text)) {
        std::string_view body = TrimLeft(line);
        if (body.empty() || line.front() == ';') {
            current = nullptr;
            continue;
        }
        if (IsBlank(line.front()) || line.front() == '|' || line.front() == '+') {
            if (!current) continue;
            if (body.front() == '|' || body.front() == '+') body = TrimLeft(body.substr(1));
            current->lines.push_back(CleanLine(body));
            continue;
        }
        std::string_view name = TakeName(&line);
        current = nullptr;
        if (name.empty()) continue;
        auto [it, fresh] = raw.try_emplace(Upper(name));
        if (!fresh) continue;  // the first entry of a name wins
        current = &it->second;
        line = TakeCounter(line, &current->downloads);
        std::string_view first = Word(line);
        std::string_view after = TrimLeft(line.substr(first.size()));
        if (AllDigits(first) && IsDate(Word(after))) {
            line = TrimLeft(after.substr(Word(after).size()));
        } else if (IsDate(first)) {
            line = after;
        }
        line = TakeCounter(line, &current->downloads);
        current->lines.push_back(CleanLine(line));
    }
    ByName out;
    for (auto& [name, r] : raw) {
        CScanDescription& d = out[name];
        Fit(r.lines, &d);
        d.downloads = r.downloads;
    }
    return out;
}

CScanText::ByName CScanText::ParseDescriptIon(std::string_view bytes) {
    const std::string text = ToCp1252(bytes);
    ByName out;
    for (std::string_view line : SplitLines(text)) {
        if (TrimLeft(line).empty()) continue;
        std::string_view name = TakeName(&line);
        if (name.empty() || out.count(Upper(name))) continue;
        // A 0x04 ends the description; multi-line ones write their line breaks as "\n".
        size_t mark = line.find('\x04');
        std::vector<std::string> lines;
        if (mark == std::string_view::npos) {
            lines.push_back(CleanLine(line));
        } else {
            line = line.substr(0, mark);
            for (size_t at; (at = line.find("\\n")) != std::string_view::npos;) {
                lines.push_back(CleanLine(line.substr(0, at)));
                line.remove_prefix(at + 2);
            }
            lines.push_back(CleanLine(line));
        }
        Fit(lines, &out[Upper(name)]);
    }
    return out;
}

CScanDescription CScanText::ParseDiz(std::string_view bytes) {
    const std::string text = ToCp1252(bytes);
    std::vector<std::string> lines;
    for (std::string_view line : SplitLines(text)) {
        std::string clean = CleanLine(line);
        if (lines.empty() && TrimLeft(clean).empty()) continue;
        lines.push_back(std::move(clean));
    }
    CScanDescription d;
    Fit(lines, &d);
    return d;
}
