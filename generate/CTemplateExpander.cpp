#include "generate/CTemplateExpander.h"

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <vector>

#include "config/CCodePage.h"
#include "config/COutRec.h"
#include "generate/CDateTime.h"
#include "generate/CFileEntry.h"
#include "generate/CListRun.h"
#include "server/WcServer.h"

namespace {

bool Contains(const std::string& text, std::string_view what) {
    return text.find(what) != std::string::npos;
}

// Lines 0 to 14 joined with blanks, trailing white space removed, escaped, into `out`.
void AppendJoinedLongDesc(std::string& out, const CFileEntry& entry) {
    thread_local std::string joined;
    joined.clear();
    for (int i = 0; i < WC_LONGDESC_LINES; ++i) {
        const std::string& line = entry.GetDescLine(i);
        if (line.empty()) continue;
        joined += line;
        joined += ' ';
    }
    size_t end = joined.size();
    while (end > 0 && std::isspace(static_cast<unsigned char>(joined[end - 1]))) --end;
    CTemplateExpander::AppendEscapedHtml(out, std::string_view(joined).substr(0, end));
}

// The encoded form of an operator's text that stays the same for many entries (the server
// name, an area's directory), worked out again only when the text changes.
struct EncodedCache {
    std::string text;
    std::string encoded;
    bool made = false;
    const std::string& Of(std::string_view value) {
        if (!made || text != value) {
            text = value;
            encoded = CTemplateExpander::EncodeLinkTarget(value, true);
            made = true;
        }
        return encoded;
    }
};

// The file's link target, appended to `link`.
void AppendTarget(std::string& link, const CListRun& run, const CFileEntry& entry,
                  const WcFileArea& area) {
    const COutRec& def = run.Def();
    // Every part of the unquoted target is encoded: the server name and the area's
    // directory are operator text too.
    thread_local EncodedCache server, ftpDir;
    if (def.m_nLinkKind == LINK_HTTP) {
        // A local link is site-relative, so the pages work under any host name.
        if (!def.m_bLocalLinks) {
            link += "http://";
            link += server.Of(def.m_strServer);
        }
        char number[16];
        link += "/file/area";
        link.append(number, static_cast<size_t>(
                                std::snprintf(number, sizeof number, "%d", entry.GetArea())));
        link += '/';
    } else {
        link += "ftp://";
        link += server.Of(def.m_strServer);
        link += run.m_strFtpRoot;
        link += '/';
        link += ftpDir.Of(
            std::string_view(area.szFtpDir, strnlen(area.szFtpDir, sizeof area.szFtpDir)));
        link += '/';
    }
    CTemplateExpander::AppendLinkTarget(link, entry.GetName());
}

void AppendLink(std::string& link, const CListRun& run, const CFileEntry& entry,
                const WcFileArea& area) {
    link += "<A HREF=";
    AppendTarget(link, run, entry, area);
    link += ">";
    CTemplateExpander::AppendEscapedHtml(link, entry.GetName());
    link += "</A>";
}

}  // namespace

std::string CTemplateExpander::LinkTarget(const CListRun& run, const CFileEntry& entry,
                                          const WcFileArea& area) {
    std::string target;
    AppendTarget(target, run, entry, area);
    return target;
}

std::string CTemplateExpander::EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendEscapedHtml(out, text);
    return out;
}

void CTemplateExpander::AppendEscapedHtml(std::string& out, std::string_view text) {
    size_t from = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char* entity = nullptr;
        switch (text[i]) {
            case '&':
                entity = "&amp;";
                break;
            case '<':
                entity = "&lt;";
                break;
            case '>':
                entity = "&gt;";
                break;
            case '"':
                entity = "&quot;";
                break;
            default:
                continue;
        }
        out.append(text, from, i - from);
        out += entity;
        from = i + 1;
    }
    out.append(text, from, std::string_view::npos);
}

std::string CTemplateExpander::EncodeLinkTarget(std::string_view cp1252, bool keepSlash) {
    std::string out;
    out.reserve(cp1252.size());
    AppendLinkTarget(out, cp1252, keepSlash);
    return out;
}

void CTemplateExpander::AppendLinkTarget(std::string& out, std::string_view cp1252,
                                         bool keepSlash) {
    static const char kHex[] = "0123456789ABCDEF";
    // ASCII text is its own UTF-8.
    std::string converted;
    std::string_view utf8 = cp1252;
    if (std::any_of(cp1252.begin(), cp1252.end(),
                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        utf8 = converted = CCodePage::ToUtf8(cp1252);
    for (char ch : utf8) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool unsafe = c <= 0x20 || c >= 0x7F || (c == '/' && !keepSlash) ||
                            std::strchr("\"'<>=`%&#?\\", c) != nullptr;
        if (unsafe) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += ch;
        }
    }
}

void CTemplateExpander::ReplaceAll(std::string& text, std::string_view token,
                                   std::string_view value) {
    ReplaceAllWith(text, token, [value] { return value; });
}

namespace {

// The clock's texts, formatted again only when the second or the time locale changes:
// every entry of a list may ask for them.
struct ClockTexts {
    time_t at = -1;
    std::string locale;
    std::string date;
    std::string time;
};

const ClockTexts& CurrentClockTexts(time_t now) {
    thread_local ClockTexts clock;
    const char* locale = std::setlocale(LC_TIME, nullptr);
    if (now != clock.at || clock.locale != (locale ? locale : "")) {
        clock.at = now;
        clock.locale = locale ? locale : "";
        clock.date = CDateTime::FormatDate(now);
        clock.time = CDateTime::FormatShortTime(now);
    }
    return clock;
}

}  // namespace

namespace {

// The tokens in the order they are replaced, and when each is replaced.
enum Token {
    T_NAME,
    T_SIZE,
    T_FLAG,
    T_DESC,
    T_DATE,
    T_DWNLDS,
    T_TIME,
    T_LASTDATE,
    T_LASTTIME,
    T_UPLOADER,
    T_LONGDESC,
    T_AREANUM,
    T_AREANAME,
    T_SUBJECT,
    T_BBS,
    T_SYSOP,
    T_CURRENTDATE,
    T_CURRENTTIME,
    T_COUNT
};
constexpr std::string_view kToken[T_COUNT] = {
    "~NAME~",     "~SIZE~",     "~FLAG~",     "~DESC~",     "~DATE~",        "~DWNLDS~",
    "~TIME~",     "~LASTDATE~", "~LASTTIME~", "~UPLOADER~", "~LONGDESC~",    "~AREANUM~",
    "~AREANAME~", "~SUBJECT~",  "~BBS~",      "~SYSOP~",    "~CURRENTDATE~", "~CURRENTTIME~"};
enum Group { kNamed, kAreaed, kAlways };
constexpr Group kGroup[T_COUNT] = {kNamed,  kNamed,  kNamed,  kNamed,  kNamed,  kNamed,
                                   kNamed,  kNamed,  kNamed,  kNamed,  kNamed,  kAreaed,
                                   kAreaed, kAlways, kAlways, kAlways, kAlways, kAlways};

// The replacement steps in order; `value(k)` gives token k's value as a string_view, and
// `afterStep()` runs after each step that replaced something.
template <typename Value, typename AfterStep>
void ApplySteps(std::string& text, bool named, bool areaed, Value&& value, AfterStep&& afterStep) {
    for (int k = 0; k < T_COUNT; ++k) {
        if ((kGroup[k] == kNamed && !named) || (kGroup[k] == kAreaed && !areaed)) continue;
        if (CTemplateExpander::ReplaceAllWith(text, kToken[k], [&] { return value(k); }))
            afterStep();
    }
}

// A template worked out once: literal pieces and the values between them. It holds when
// no value carries a "~", so that no value can make a token of its own; a template where
// a value could complete a token with the text around it gets no plan.
struct Plan {
    bool usable = false;
    std::vector<std::pair<std::string, int>> pieces;  // literal, then token index or -1
    uint32_t used = 0;
};

constexpr char kMarker = '\x01';

bool IsTokenChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '\x01' && c <= '\x13');
}

// Whether a value at `at` (a marker) could join "~" + letters on its left and letters + "~"
// on its right into a token.
bool CouldCompleteToken(const std::string& text, size_t at) {
    size_t left = at;
    while (left > 0 && IsTokenChar(text[left - 1])) --left;
    size_t right = at + 2;
    while (right < text.size() && IsTokenChar(text[right])) ++right;
    return left > 0 && text[left - 1] == '~' && right < text.size() && text[right] == '~';
}

Plan Compile(const std::string& tmpl, bool named, bool areaed) {
    Plan plan;
    if (tmpl.find(kMarker) != std::string::npos) return plan;
    std::string markers[T_COUNT];
    for (int k = 0; k < T_COUNT; ++k) markers[k] = {kMarker, static_cast<char>(0x02 + k)};
    std::string text = tmpl;
    bool couldComplete = false;
    ApplySteps(
        text, named, areaed, [&](int k) { return std::string_view(markers[k]); },
        [&] {
            // After every step: a value must not be able to join the tildes around
            // it into a token, as they stand at that moment.
            for (size_t i = text.find(kMarker); i != std::string::npos;
                 i = text.find(kMarker, i + 2))
                couldComplete = couldComplete || CouldCompleteToken(text, i);
        });
    if (couldComplete) return plan;
    std::string literal;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != kMarker) {
            literal += text[i];
            continue;
        }
        const int k = text[i + 1] - 0x02;
        plan.pieces.emplace_back(std::move(literal), k);
        literal.clear();
        plan.used |= 1u << k;
        ++i;
    }
    plan.pieces.emplace_back(std::move(literal), -1);
    plan.usable = true;
    return plan;
}

// What a template needs and its plans, worked out once; a run uses a handful of templates.
struct TemplateInfo {
    std::string tmpl;
    uint32_t present = 0;  // the tokens it holds, as passed in
    Plan plans[4];
    bool made[4] = {};
    bool Has(int k) const { return (present >> k) & 1; }
};

TemplateInfo& InfoFor(const std::string& tmpl) {
    thread_local std::vector<TemplateInfo> cache;
    auto it = std::find_if(cache.begin(), cache.end(),
                           [&](const TemplateInfo& c) { return c.tmpl == tmpl; });
    if (it == cache.end()) {
        if (cache.size() >= 16) cache.erase(cache.begin());
        TemplateInfo info;
        info.tmpl = tmpl;
        for (int k = 0; k < T_COUNT; ++k)
            if (Contains(tmpl, kToken[k])) info.present |= 1u << k;
        cache.push_back(std::move(info));
        it = cache.end() - 1;
    }
    return *it;
}

const Plan& PlanFor(TemplateInfo& info, bool named, bool areaed) {
    const int slot = (named ? 2 : 0) + (areaed ? 1 : 0);
    if (!info.made[slot]) {
        info.plans[slot] = Compile(info.tmpl, named, areaed);
        info.made[slot] = true;
    }
    return info.plans[slot];
}

}  // namespace

std::string CTemplateExpander::ExpandTemplate(const CListRun& run, const std::string& tmpl,
                                              const CFileEntry& entry) {
    std::string out;
    AppendExpanded(out, run, tmpl, entry);
    return out;
}

void CTemplateExpander::AppendExpanded(std::string& out, const CListRun& run,
                                       const std::string& tmpl, const CFileEntry& entry) {
    const COutRec& def = run.Def();
    TemplateInfo& info = InfoFor(tmpl);

    const bool linked = def.m_nLinkKind == LINK_HTTP || def.m_nLinkKind == LINK_FTP;
    static const WcFileArea kNoArea{};
    const WcFileArea& area =
        (def.m_nLinkKind != LINK_NONE && info.Has(T_NAME)) || info.Has(T_AREANAME)
            ? run.FileArea(entry.GetArea())
            : kNoArea;
    static const WcMakewild kNoBoard{};
    const WcMakewild& board = info.Has(T_BBS) || info.Has(T_SYSOP) ? run.BoardSettings() : kNoBoard;
    const bool wantsLongDesc = entry.HasLongDesc() && info.Has(T_LONGDESC);

    // Values are made only when asked for, since most templates use a few of them; their
    // buffers are kept from entry to entry.
    thread_local std::string values[T_COUNT];
    bool made[T_COUNT] = {};
    auto value = [&](int k) -> std::string_view {
        std::string& v = values[k];
        if (made[k]) return v;
        made[k] = true;
        v.clear();
        switch (k) {
            case T_NAME:
                if (linked)
                    AppendLink(v, run, entry, area);
                else
                    AppendEscapedHtml(v, entry.GetName());
                break;
            // Sizes are unsigned 32-bit on the board; "%d" would show 2 GB and more as negative.
            case T_SIZE: {
                char buf[16];
                v.append(buf, static_cast<size_t>(
                                  std::snprintf(buf, sizeof buf, "%u", entry.GetSize())));
                break;
            }
            case T_FLAG:
                v = entry.GetFlag();
                break;
            case T_DESC:
                AppendEscapedHtml(v, entry.GetDescription());
                break;
            case T_DATE:
                v = entry.GetDate();
                break;
            case T_DWNLDS:
                v = entry.GetDownloadsText();
                break;
            case T_TIME:
                v = entry.GetTime();
                break;
            case T_LASTDATE:
                v = entry.GetLastDate();
                break;
            case T_LASTTIME:
                v = entry.GetLastTime();
                break;
            case T_UPLOADER:
                AppendEscapedHtml(v, entry.GetUploader());
                break;
            case T_LONGDESC:
                if (wantsLongDesc) AppendJoinedLongDesc(v, entry);
                break;
            case T_AREANUM:
                v = entry.GetAreaText();
                break;
            case T_AREANAME:
                AppendEscapedHtml(
                    v, std::string_view(area.szName, strnlen(area.szName, sizeof area.szName)));
                break;
            case T_SUBJECT:
                AppendEscapedHtml(v, run.m_strListTitle);
                break;
            case T_BBS:
                AppendEscapedHtml(
                    v, std::string_view(board.szBbsName,
                                        strnlen(board.szBbsName, sizeof board.szBbsName)));
                break;
            case T_SYSOP:
                AppendEscapedHtml(
                    v, std::string_view(board.szSysopName,
                                        strnlen(board.szSysopName, sizeof board.szSysopName)));
                break;
            case T_CURRENTDATE:
                v = CurrentClockTexts(run.Now()).date;
                break;
            case T_CURRENTTIME:
                v = CurrentClockTexts(run.Now()).time;
                break;
        }
        return v;
    };

    const bool named = !entry.GetName().empty();
    const bool areaed = entry.GetArea() != 0;
    if (run.Options().templatePlans) {
        const Plan& plan = PlanFor(info, named, areaed);
        bool fits = plan.usable;
        for (int k = 0; fits && k < T_COUNT; ++k)
            if ((plan.used >> k) & 1) fits = value(k).find('~') == std::string_view::npos;
        if (fits) {
            for (const auto& [literal, k] : plan.pieces) {
                out += literal;
                if (k >= 0) out += value(k);
            }
            return;
        }
    }

    // Each step replaces on the text as the earlier steps left it, values included.
    std::string text = tmpl;
    ApplySteps(text, named, areaed, value, [] {});
    out += text;
}
