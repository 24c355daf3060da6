#include "generate/CDateTime.h"

#include <langinfo.h>

#include <cstring>

namespace {
// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr uint64_t kEpochDelta = 116444736000000000ULL;

// The short time format of the current time locale, worked out again only when the
// locale's formats change: every file record asks for it.
const char* CurrentShortTimeFormat() {
    thread_local std::string timeFormat, ampm, shortFormat;
    const char* t = nl_langinfo(T_FMT);
    const char* p = nl_langinfo(T_FMT_AMPM);
    if (shortFormat.empty() || timeFormat != t || ampm != p) {
        timeFormat = t;
        ampm = p;
        shortFormat = CDateTime::ShortTimeFormat(t, p);
    }
    return shortFormat.c_str();
}

bool IsSeparator(char c) {
    return c == ':' || c == '.' || c == ',' || c == ' ';
}

}  // namespace

std::string CDateTime::ShortTimeFormat(const char* timeFormat, const char* ampm) {
    // Spell out the combined conversions, so the seconds field shows.
    std::string format;
    for (const char* c = timeFormat; *c; ++c) {
        if (c[0] == '%' && (c[1] == 'r' || c[1] == 'T' || c[1] == 'X')) {
            format += c[1] == 'r' ? ampm : "%H:%M:%S";
            ++c;
        } else {
            format += *c;
            if (c[0] == '%' && c[1]) format += *++c;
        }
    }
    std::string out;
    for (size_t i = 0; i < format.size(); ++i) {
        const bool modified = format[i] == '%' && (format[i + 1] == 'E' || format[i + 1] == 'O');
        const char conversion = format[i] == '%' ? format[i + (modified ? 2 : 1)] : 0;
        if (conversion == 'S') {
            // The seconds go with the separator before them ("%M:%S"); without one, with
            // the literal text after them ("%S秒").
            const size_t before = out.size();
            while (!out.empty() && IsSeparator(out.back())) out.pop_back();
            i += modified ? 2 : 1;
            if (out.size() == before)
                while (i + 1 < format.size() && format[i + 1] != '%' && format[i + 1] != ' ') ++i;
        } else if (conversion == 'I' && !modified) {
            // A 12-hour clock shows its hour without a leading zero: "1:33 PM".
            out += "%-I";
            ++i;
        } else {
            out += format[i];
            if (format[i] == '%' && i + 1 < format.size()) out += format[++i];
        }
    }
    return out;
}

time_t CDateTime::FromFileTime(const WcFileTime& ft) {
    const uint64_t v = (uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
    if (v == 0) return 0;
    if (v < kEpochDelta) return -static_cast<time_t>((kEpochDelta - v) / 10000000ULL);
    return static_cast<time_t>((v - kEpochDelta) / 10000000ULL);
}

WcFileTime CDateTime::ToFileTime(time_t t) {
    const uint64_t v = static_cast<uint64_t>(static_cast<int64_t>(t) * 10000000LL) + kEpochDelta;
    return WcFileTime{static_cast<uint32_t>(v), static_cast<uint32_t>(v >> 32)};
}

std::string CDateTime::Format(time_t t, const char* format) {
    struct tm local {};
    if (!localtime_r(&t, &local)) return {};
    char buf[128];
    const size_t n = strftime(buf, sizeof buf, format, &local);
    return std::string(buf, n);
}

void CDateTime::FormatDateAndShortTime(time_t t, std::string* date, std::string* time) {
    struct tm local {};
    if (!localtime_r(&t, &local)) {
        date->clear();
        time->clear();
        return;
    }
    char buf[128];
    size_t n = strftime(buf, sizeof buf, "%x", &local);
    date->assign(buf, n);
    n = strftime(buf, sizeof buf, CurrentShortTimeFormat(), &local);
    time->assign(buf, n);
}

std::string CDateTime::FormatDate(time_t t) {
    return Format(t, "%x");
}

std::string CDateTime::FormatShortTime(time_t t) {
    return Format(t, CurrentShortTimeFormat());
}
