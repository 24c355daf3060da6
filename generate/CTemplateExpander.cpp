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

// Lines 0 to 14 joined with blanks, trailing white space removed, escaped.
std::string JoinedLongDesc(const CFileEntry& entry) {
    std::string joined;
    for (int i = 0; i < WC_LONGDESC_LINES; ++i) {
        const std::string& line = entry.GetDescLine(i);
        if (line.empty()) continue;
        joined += line;
        joined += ' ';
    }
    size_t end = joined.size();
    while (end > 0 && std::isspace(static_cast<unsigned char>(joined[end - 1]))) --end;
    joined.resize(end);
    return CTemplateExpander::EscapeHtml(joined);
}

std::string MakeLink(const CListRun& run, const CFileEntry& entry, const WcFileArea& area) {
    const COutRec& def = run.Def();
    const std::string text = CTemplateExpander::EscapeHtml(entry.GetName());
    const std::string target = CTemplateExpander::EncodeLinkTarget(entry.GetName());
    // Every part of the unquoted target is encoded: the server name and the area's
    // directory are operator text too.
    const std::string server = CTemplateExpander::EncodeLinkTarget(def.m_strServer, true);
    std::string link = "<A HREF=";
    if (def.m_nLinkKind == LINK_HTTP) {
        // A local link is site-relative, so the pages work under any host name.
        if (!def.m_bLocalLinks) link += "http://" + server;
        link += "/file/area" + std::to_string(entry.GetArea()) + "/";
    } else {
        link += "ftp://" + server + run.m_strFtpRoot + "/" +
                CTemplateExpander::EncodeLinkTarget(WcText(area.szFtpDir), true) + "/";
    }
    link += target;
    link += ">";
    link += text;
    link += "</A>";
    return link;
}

}  // namespace

std::string CTemplateExpander::EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
                break;
        }
    }
    return out;
}

std::string CTemplateExpander::EncodeLinkTarget(std::string_view cp1252, bool keepSlash) {
    static const char kHex[] = "0123456789ABCDEF";
    const std::string utf8 = CCodePage::ToUtf8(cp1252);
    std::string out;
    out.reserve(utf8.size());
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
    return out;
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

// Plans of the templates this thread expanded last; a run uses a handful of templates.
const Plan& PlanFor(const std::string& tmpl, bool named, bool areaed) {
    struct Cached {
        std::string tmpl;
        Plan plans[4];
        bool made[4] = {};
    };
    thread_local std::vector<Cached> cache;
    auto it =
        std::find_if(cache.begin(), cache.end(), [&](const Cached& c) { return c.tmpl == tmpl; });
    if (it == cache.end()) {
        if (cache.size() >= 16) cache.erase(cache.begin());
        cache.push_back(Cached{tmpl, {}, {}});
        it = cache.end() - 1;
    }
    const int slot = (named ? 2 : 0) + (areaed ? 1 : 0);
    if (!it->made[slot]) {
        it->plans[slot] = Compile(tmpl, named, areaed);
        it->made[slot] = true;
    }
    return it->plans[slot];
}

}  // namespace

std::string CTemplateExpander::ExpandTemplate(const CListRun& run, const std::string& tmpl,
                                              const CFileEntry& entry) {
    const COutRec& def = run.Def();

    // The presence tests look at the template as passed in.
    const bool wantsName = Contains(tmpl, "~NAME~");
    const bool linked = def.m_nLinkKind == LINK_HTTP || def.m_nLinkKind == LINK_FTP;
    WcFileArea area{};
    if ((def.m_nLinkKind != LINK_NONE && wantsName) || Contains(tmpl, "~AREANAME~"))
        area = run.FileArea(entry.GetArea());

    WcMakewild board{};
    if (Contains(tmpl, "~BBS~") || Contains(tmpl, "~SYSOP~")) {
        board.dwSize = sizeof board;
        if (!GetMakewild(&board)) board = WcMakewild{};
    }
    const bool wantsLongDesc = entry.HasLongDesc() && Contains(tmpl, "~LONGDESC~");

    // Values are made only when asked for, since most templates use a few of them.
    std::string values[T_COUNT];
    bool made[T_COUNT] = {};
    auto value = [&](int k) -> std::string_view {
        if (made[k]) return values[k];
        made[k] = true;
        std::string& v = values[k];
        switch (k) {
            case T_NAME:
                v = linked ? MakeLink(run, entry, area) : EscapeHtml(entry.GetName());
                break;
            // Sizes are unsigned 32-bit on the board; "%d" would show 2 GB and more as negative.
            case T_SIZE:
                v = std::to_string(entry.GetSize());
                break;
            case T_FLAG:
                v = entry.GetFlag();
                break;
            case T_DESC:
                v = EscapeHtml(entry.GetDescription());
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
                v = EscapeHtml(entry.GetUploader());
                break;
            case T_LONGDESC:
                if (wantsLongDesc) v = JoinedLongDesc(entry);
                break;
            case T_AREANUM:
                v = entry.GetAreaText();
                break;
            case T_AREANAME:
                v = EscapeHtml(WcText(area.szName));
                break;
            case T_SUBJECT:
                v = EscapeHtml(run.m_strListTitle);
                break;
            case T_BBS:
                v = EscapeHtml(WcText(board.szBbsName));
                break;
            case T_SYSOP:
                v = EscapeHtml(WcText(board.szSysopName));
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
        const Plan& plan = PlanFor(tmpl, named, areaed);
        bool fits = plan.usable;
        for (int k = 0; fits && k < T_COUNT; ++k)
            if ((plan.used >> k) & 1) fits = value(k).find('~') == std::string_view::npos;
        if (fits) {
            std::string out;
            for (const auto& [literal, k] : plan.pieces) {
                out += literal;
                if (k >= 0) out += value(k);
            }
            return out;
        }
    }

    // Each step replaces on the text as the earlier steps left it, values included.
    std::string text = tmpl;
    ApplySteps(text, named, areaed, value, [] {});
    return text;
}
