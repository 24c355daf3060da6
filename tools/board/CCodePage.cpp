#include "tools/board/CCodePage.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

#include "tools/board/CBoardError.h"

namespace {

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

// Converts as much as iconv can; returns false at the first byte it refuses (`in` then points
// at it).
bool Convert(iconv_t cd, const char*& in, size_t& inLeft, std::string& out) {
    char buf[4096];
    while (inLeft > 0) {
        char* outPtr = buf;
        size_t outLeft = sizeof buf;
        size_t rc = iconv(cd, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
        out.append(buf, static_cast<size_t>(outPtr - buf));
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) return false;
    }
    return true;
}

std::unique_ptr<void, IconvCloser> Open(const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw CBoardError(std::string("iconv cannot convert ") + from + " to " + to);
    return std::unique_ptr<void, IconvCloser>(cd);
}

}  // namespace

std::string CCodePage::ToCp1252(const std::string& utf8, const std::string& what) {
    auto cd = Open("WINDOWS-1252", "UTF-8");
    const char* in = utf8.data();
    size_t left = utf8.size();
    std::string out;
    if (!Convert(static_cast<iconv_t>(cd.get()), in, left, out)) {
        // Give back the C1 controls that ToUtf8 makes of the undefined bytes.
        auto c = static_cast<unsigned char>(in[0]);
        auto d = left > 1 ? static_cast<unsigned char>(in[1]) : 0;
        if (c == 0xC2 && (d == 0x81 || d == 0x8D || d == 0x8F || d == 0x90 || d == 0x9D)) {
            out += static_cast<char>(d);
            return out + ToCp1252(std::string(in + 2, left - 2), what);
        }
        throw CBoardError(what + ": \"" + utf8 +
                          "\" is not text that Windows-1252 can hold (use characters of the "
                          "Western European code page)");
    }
    return out;
}

std::string CCodePage::ToUtf8(const std::string& cp1252) {
    auto cd = Open("UTF-8", "WINDOWS-1252");
    const char* in = cp1252.data();
    size_t left = cp1252.size();
    std::string out;
    while (!Convert(static_cast<iconv_t>(cd.get()), in, left, out)) {
        auto c = static_cast<unsigned char>(*in);
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
        ++in;
        --left;
    }
    return out;
}
