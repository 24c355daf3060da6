#include "tools/board/CIsoTime.h"

#include <cstdio>
#include <ctime>

#include "config/CMessageText.h"
#include "tools/board/CBoardError.h"

std::string CIsoTime::Format(int64_t fileTime) {
    int64_t seconds = fileTime / kTicksPerSecond - kUnixEpochSeconds;
    int64_t fraction = fileTime % kTicksPerSecond;
    time_t t = static_cast<time_t>(seconds);
    struct tm tm {};
    gmtime_r(&t, &tm);
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", tm.tm_year + 1900,
                          tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    std::string out(buf, static_cast<size_t>(n));
    if (fraction != 0) {
        std::snprintf(buf, sizeof buf, ".%07lld", static_cast<long long>(fraction));
        out += buf;
    }
    return out + "Z";
}

int64_t CIsoTime::Parse(const std::string& text, const std::string& what) {
    auto bad = [&]() -> CBoardError {
        return CBoardError(what + ": " + CMessageText::Quote(text) +
                           " is not an ISO 8601 UTC time like 2026-12-01T10:00:00Z");
    };
    int year, mon, day, hour, min, sec, used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &year, &mon, &day, &hour, &min, &sec,
                    &used) != 6 ||
        used != 19)
        throw bad();
    int64_t fraction = 0;
    size_t pos = 19;
    if (pos < text.size() && text[pos] == '.') {
        int64_t scale = kTicksPerSecond;
        ++pos;
        size_t digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            if (scale > 1) {
                scale /= 10;
                fraction += (text[pos] - '0') * scale;
            }
            ++pos;
            ++digits;
        }
        if (digits == 0) throw bad();
    }
    if (pos + 1 != text.size() || text[pos] != 'Z') throw bad();
    struct tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mon = mon - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = min;
    tm.tm_sec = sec;
    time_t t = timegm(&tm);
    // timegm normalises 2026-02-30 into March; a changed field means the date did not exist.
    if (tm.tm_year != year - 1900 || tm.tm_mon != mon - 1 || tm.tm_mday != day ||
        tm.tm_hour != hour || tm.tm_min != min || tm.tm_sec != sec || year < 1601)
        throw bad();
    return FromUnix(static_cast<int64_t>(t)) + fraction;
}

int64_t CIsoTime::FromUnix(int64_t seconds) {
    return (seconds + kUnixEpochSeconds) * kTicksPerSecond;
}
