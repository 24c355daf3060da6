#include "config/CCodePage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

// One iconv descriptor for the scope of a conversion; iconv_t is not thread-safe to share.
class CIconv {
public:
    CIconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~CIconv() {
        if (Valid()) iconv_close(m_cd);
    }
    CIconv(const CIconv&) = delete;
    CIconv& operator=(const CIconv&) = delete;
    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    // Converts one byte; empty when it has no character in the target.
    std::string One(unsigned char byte) {
        char in = static_cast<char>(byte);
        char out[8];
        char* inPtr = &in;
        char* outPtr = out;
        size_t inLeft = 1, outLeft = sizeof out;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return {};
        return std::string(out, sizeof out - outLeft);
    }
    iconv_t Get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Windows-1252 is a single-byte code page, so both one-way conversions are tables built
// once from iconv.
const std::array<std::string, 256>& Utf8Table() {
    static const std::array<std::string, 256> table = [] {
        std::array<std::string, 256> t;
        CIconv cd("UTF-8", "WINDOWS-1252");
        for (int b = 0; b < 256; ++b) {
            if (cd.Valid()) t[b] = cd.One(static_cast<unsigned char>(b));
            if (t[b].empty()) {
                // Undefined in Windows-1252: the C1 control of the same number.
                const char32_t cp = static_cast<char32_t>(b);
                if (cp < 0x80) {
                    t[b] = std::string(1, static_cast<char>(cp));
                } else {
                    t[b] = {static_cast<char>(0xC0 | (cp >> 6)),
                            static_cast<char>(0x80 | (cp & 0x3F))};
                }
            }
        }
        return t;
    }();
    return table;
}

// Every IBM437 byte has a character.
const std::array<std::string, 256>& OemUtf8Table() {
    static const std::array<std::string, 256> table = [] {
        std::array<std::string, 256> t;
        CIconv cd("UTF-8", "IBM437");
        for (int b = 0; b < 256; ++b) {
            if (cd.Valid()) t[b] = cd.One(static_cast<unsigned char>(b));
            if (t[b].empty()) t[b] = "?";
        }
        return t;
    }();
    return table;
}

const std::array<char, 256>& OemTable() {
    static const std::array<char, 256> table = [] {
        std::array<char, 256> t;
        CIconv cd("IBM437", "WINDOWS-1252");
        for (int b = 0; b < 256; ++b) {
            std::string out = cd.Valid() ? cd.One(static_cast<unsigned char>(b)) : std::string();
            t[b] = out.size() == 1 ? out[0] : (b < 0x80 ? static_cast<char>(b) : '_');
        }
        return t;
    }();
    return table;
}

}  // namespace

std::string CCodePage::ToUtf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size());
    AppendUtf8(out, cp1252);
    return out;
}

size_t CCodePage::AsciiPrefix(std::string_view text) {
    // Eight bytes at a time: pages and catalogues are mostly ASCII.
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if (word & 0x8080808080808080ULL) break;
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
    return i;
}

void CCodePage::AppendUtf8(std::string& out, std::string_view cp1252) {
    const auto& table = Utf8Table();
    while (!cp1252.empty()) {
        const size_t ascii = AsciiPrefix(cp1252);
        out.append(cp1252.data(), ascii);
        if (ascii == cp1252.size()) break;
        out += table[static_cast<unsigned char>(cp1252[ascii])];
        cp1252.remove_prefix(ascii + 1);
    }
}

bool CCodePage::FromUtf8(std::string_view utf8, std::string* cp1252) {
    CIconv cd("WINDOWS-1252", "UTF-8");
    if (!cd.Valid()) return false;
    std::string out;
    out.reserve(utf8.size());
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t r = iconv(cd.Get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, sizeof buffer - outLeft);
        if (r != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // The undefined bytes come back from their C1 controls (see ToUtf8).
        const auto lead = static_cast<unsigned char>(in[0]);
        const auto trail = inLeft >= 2 ? static_cast<unsigned char>(in[1]) : 0;
        const bool c1 = lead == 0xC2 && (trail == 0x81 || trail == 0x8D || trail == 0x8F ||
                                         trail == 0x90 || trail == 0x9D);
        if (errno != EILSEQ || !c1) return false;
        out += static_cast<char>(trail);
        in += 2;
        inLeft -= 2;
    }
    *cp1252 = std::move(out);
    return true;
}

std::string CCodePage::AnsiToOem(std::string_view cp1252) {
    const auto& table = OemTable();
    std::string out(cp1252.size(), '\0');
    for (size_t i = 0; i < cp1252.size(); ++i)
        out[i] = table[static_cast<unsigned char>(cp1252[i])];
    return out;
}

std::string CCodePage::OemToUtf8(std::string_view oem) {
    const auto& table = OemUtf8Table();
    std::string out;
    out.reserve(oem.size() * 3);
    for (char c : oem) out += table[static_cast<unsigned char>(c)];
    return out;
}
