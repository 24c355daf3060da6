// FILETIME values (100 ns since 1601, UTC) as ISO 8601 UTC text: "2026-12-01T10:00:00Z".
#pragma once

#include <cstdint>
#include <string>

class CIsoTime {
public:
    // Seconds, with a fraction only when the value has one. 0 is not a time (callers show null).
    static std::string Format(int64_t fileTime);
    // Throws CBoardError naming `what` when the text is not such a time.
    static int64_t Parse(const std::string& text, const std::string& what);
    static int64_t FromUnix(int64_t seconds);

    static constexpr int64_t kTicksPerSecond = 10000000;
    static constexpr int64_t kUnixEpochSeconds = 11644473600;  // 1601-01-01 to 1970-01-01
};
