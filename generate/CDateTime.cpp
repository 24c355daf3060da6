#include "generate/CDateTime.h"

#include <langinfo.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>

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

std::string CDateTime::Rfc3339(time_t t) {
    struct tm utc {};
    if (!gmtime_r(&t, &utc) || utc.tm_year < -1900 || utc.tm_year > 8099) return {};
    // Digit by digit: feeds and catalogues give two of these per file.
    char text[] = "0000-00-00T00:00:00Z";
    auto put = [&text](int at, int value, int digits) {
        for (int i = at + digits - 1; i >= at; --i, value /= 10)
            text[i] = static_cast<char>('0' + value % 10);
    };
    put(0, utc.tm_year + 1900, 4);
    put(5, utc.tm_mon + 1, 2);
    put(8, utc.tm_mday, 2);
    put(11, utc.tm_hour, 2);
    put(14, utc.tm_min, 2);
    put(17, utc.tm_sec, 2);
    return std::string(text, sizeof text - 1);
}

namespace {

// The texts of the days met so far and of the minutes of a day, so that every distinct date
// and time of day is formatted once: a walk formats two date-times per file record. A day
// whose clock does not run evenly from midnight (a change of summer time) is converted
// moment by moment, as before.
class TextCache {
public:
    bool Format(time_t t, std::string* date, std::string* time) {
        Validate();
        // Other time formats may show more of the moment: converted moment by moment.
        if (!m_minutesShared) return false;
        const Day* day = Find(t);
        if (!day) day = Add(t);
        if (!day) return false;
        const int minute = static_cast<int>((t - day->start) / 60);
        date->assign(day->date);
        std::string& text = m_minutes[minute];
        if (!m_minuteMade[minute]) {
            struct tm local = day->midnight;
            local.tm_hour = minute / 60;
            local.tm_min = minute % 60;
            Strftime(&text, m_timeFormat.c_str(), local);
            m_minuteMade[minute] = true;
        }
        time->assign(text);
        return true;
    }

private:
    struct Day {
        time_t start;  // local midnight
        struct tm midnight;
        std::string date;
    };
    static constexpr size_t kMaxDays = 8192;

    static void Strftime(std::string* out, const char* format, const struct tm& local) {
        char buf[128];
        out->assign(buf, strftime(buf, sizeof buf, format, &local));
    }

    // Starts again when the time locale or the time zone changed.
    void Validate() {
        const char* locale = std::setlocale(LC_TIME, nullptr);
        const char* format = CurrentShortTimeFormat();
        if (m_locale == (locale ? locale : "") && m_timeFormat == format &&
            m_zone[0] == tzname[0] && m_zone[1] == tzname[1] && m_offset == timezone)
            return;
        m_locale = locale ? locale : "";
        m_timeFormat = format;
        m_zone[0] = tzname[0];
        m_zone[1] = tzname[1];
        m_offset = timezone;
        m_days.clear();
        std::fill(std::begin(m_minuteMade), std::end(m_minuteMade), false);
        // A time of day can be shared by all days when it shows hours, minutes and AM/PM
        // only.
        m_minutesShared = true;
        for (size_t i = 0; i < m_timeFormat.size(); ++i) {
            if (m_timeFormat[i] != '%') continue;
            while (i + 1 < m_timeFormat.size() && std::strchr("-_0^#EO", m_timeFormat[i + 1])) ++i;
            if (i + 1 >= m_timeFormat.size() || !std::strchr("HIMpPklRnt%", m_timeFormat[++i]))
                m_minutesShared = false;
        }
    }

    const Day* Find(time_t t) const {
        auto it = m_days.upper_bound(t);
        if (it == m_days.begin()) return nullptr;
        --it;
        return t - it->second.start < 86400 ? &it->second : nullptr;
    }

    // The day's midnight is worked out from the moment's clock, and the day is taken only
    // when its midnight and its last second show the same offset from UTC; mktime would do
    // the same but reads the time zone file's status on every call.
    const Day* Add(time_t t) {
        struct tm local {};
        if (!localtime_r(&t, &local)) return nullptr;
        const time_t start = t - (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
        const time_t lastSecond = start + 86399;
        struct tm midnight {};
        struct tm last {};
        if (!localtime_r(&start, &midnight) || !localtime_r(&lastSecond, &last) ||
            midnight.tm_hour != 0 || midnight.tm_min != 0 || midnight.tm_sec != 0 ||
            midnight.tm_yday != local.tm_yday || last.tm_yday != local.tm_yday ||
            last.tm_hour != 23 || last.tm_min != 59 || last.tm_sec != 59 ||
            midnight.tm_gmtoff != local.tm_gmtoff || last.tm_gmtoff != local.tm_gmtoff)
            return nullptr;
        if (m_days.size() >= kMaxDays) m_days.clear();
        Day day{start, midnight, {}};
        Strftime(&day.date, "%x", local);
        return &m_days.emplace(start, std::move(day)).first->second;
    }

    std::string m_locale = "\x01";
    std::string m_timeFormat;
    const char* m_zone[2] = {};
    long m_offset = 0;
    std::map<time_t, Day> m_days;  // by local midnight
    bool m_minutesShared = false;
    std::string m_minutes[24 * 60];
    bool m_minuteMade[24 * 60] = {};
};

}  // namespace

void CDateTime::FormatDateAndShortTime(time_t t, std::string* date, std::string* time) {
    // On the heap: as a thread-local object its 46 KB were cleared for every thread started.
    thread_local std::unique_ptr<TextCache> cache;
    if (!cache) cache = std::make_unique<TextCache>();
    if (cache->Format(t, date, time)) return;
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
