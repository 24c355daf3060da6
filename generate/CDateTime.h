// Local date and time texts of the lists: strftime "%x" and the locale's time of day in
// hours and minutes, in the run's time locale.
#pragma once

#include <ctime>
#include <string>

#include "server/WcServer.h"

class CDateTime {
public:
    // Seconds since 1970 (UTC) of a server FILETIME; 0 for a zero FILETIME.
    static time_t FromFileTime(const WcFileTime& ft);
    static WcFileTime ToFileTime(time_t t);

    // "%x" of the local date.
    static std::string FormatDate(time_t t);
    // The local time of day in the locale's time format without its seconds field:
    // "13:33" in the C locale, "1:33 PM" under en_US.
    static std::string FormatShortTime(time_t t);
    // That format for the locale's time format `timeFormat` and its 12-hour format `ampm`
    // (nl_langinfo T_FMT and T_FMT_AMPM).
    static std::string ShortTimeFormat(const char* timeFormat, const char* ampm);
    static std::string Format(time_t t, const char* format);
    // Both texts of one moment, converted to local time once.
    static void FormatDateAndShortTime(time_t t, std::string* date, std::string* time);
};
