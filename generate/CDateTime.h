// Local date and time texts of the lists: strftime "%x" / "%X" in the run's time locale.
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
    // "%X" of the local time less its last three characters (the seconds).
    static std::string FormatShortTime(time_t t);
    static std::string Format(time_t t, const char* format);
    // Both texts of one moment, converted to local time once.
    static void FormatDateAndShortTime(time_t t, std::string* date, std::string* time);

    // The clock of the lists; tests may fix it (0 puts the real clock back).
    static time_t Now();
    static void SetNowForTesting(time_t t);
};
