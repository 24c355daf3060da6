#include "generate/CDateTime.h"

#include <atomic>

namespace {
// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr uint64_t kEpochDelta = 116444736000000000ULL;
std::atomic<time_t> g_fixedNow{0};
}  // namespace

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
    n = strftime(buf, sizeof buf, "%X", &local);
    time->assign(buf, n >= 3 ? n - 3 : 0);
}

std::string CDateTime::FormatDate(time_t t) {
    return Format(t, "%x");
}

std::string CDateTime::FormatShortTime(time_t t) {
    std::string s = Format(t, "%X");
    s.resize(s.size() >= 3 ? s.size() - 3 : 0);
    return s;
}

time_t CDateTime::Now() {
    const time_t fixed = g_fixedNow.load();
    return fixed != 0 ? fixed : time(nullptr);
}

void CDateTime::SetNowForTesting(time_t t) {
    g_fixedNow.store(t);
}
