#include "generate/CTemplateExpander.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "config/COutRec.h"
#include "generate/CDateTime.h"
#include "generate/CFileEntry.h"
#include "generate/CListRun.h"
#include "server/WcServer.h"

namespace {

// A fixed-width text field of a server record, which need not end in a NUL.
template <size_t N>
std::string Field(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

bool Contains(const std::string& text, std::string_view what) {
    return text.find(what) != std::string::npos;
}

// Lines 0 to 14 joined with blanks, trailing white space removed, "<" escaped.
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
    return CTemplateExpander::EscapeLt(joined);
}

std::string MakeLink(const CListRun& run, const CFileEntry& entry, const WcFileArea& area) {
    const COutRec& def = run.Def();
    const std::string text = CTemplateExpander::EscapeLt(entry.GetName());
    const std::string target = CTemplateExpander::EncodeLinkTarget(entry.GetName());
    std::string link = "<A HREF=";
    if (def.m_nLinkKind == LINK_HTTP) {
        // A local link is site-relative, so the pages work under any host name.
        if (!def.m_bLocalLinks) link += "http://" + def.m_strServer;
        link += "/file/area" + std::to_string(entry.GetArea()) + "/";
    } else {
        link += "ftp://" + def.m_strServer + run.m_strFtpRoot + "/" + Field(area.szFtpDir) + "/";
    }
    link += target;
    link += ">";
    link += text;
    link += "</A>";
    return link;
}

}  // namespace

std::string CTemplateExpander::EscapeLt(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '<')
            out += "&lt;";
        else
            out += c;
    }
    return out;
}

std::string CTemplateExpander::EncodeLinkTarget(std::string_view name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(name.size());
    for (char ch : name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool unsafe = c <= 0x20 || c >= 0x7F || std::strchr("\"'<>=`%&#?", c) != nullptr;
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

// The clock's texts, formatted again only when the second changes: every entry of a list
// asks for them.
struct ClockTexts {
    time_t at = -1;
    std::string date;
    std::string time;
};

const ClockTexts& CurrentClockTexts() {
    thread_local ClockTexts clock;
    const time_t now = CDateTime::Now();
    if (now != clock.at) {
        clock.at = now;
        clock.date = CDateTime::FormatDate(now);
        clock.time = CDateTime::FormatShortTime(now);
    }
    return clock;
}

}  // namespace

std::string CTemplateExpander::ExpandTemplate(const CListRun& run, const std::string& tmpl,
                                              const CFileEntry& entry) {
    const COutRec& def = run.Def();

    // The presence tests look at the template as passed in; values are made only when a
    // step finds its token, since later steps also see what earlier ones inserted.
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

    std::string text = tmpl;
    if (!entry.GetName().empty()) {
        if (wantsName)
            ReplaceAllWith(text, "~NAME~",
                           [&] { return linked ? MakeLink(run, entry, area) : entry.GetName(); });
        // Sizes are unsigned 32-bit on the board; "%d" would show files above 2 GB as negative.
        ReplaceAllWith(text, "~SIZE~", [&] { return std::to_string(entry.GetSize()); });
        ReplaceAll(text, "~FLAG~", entry.GetFlag());
        ReplaceAllWith(text, "~DESC~", [&] { return EscapeLt(entry.GetDescription()); });
        ReplaceAll(text, "~DATE~", entry.GetDate());
        ReplaceAll(text, "~DWNLDS~", entry.GetDownloadsText());
        ReplaceAll(text, "~TIME~", entry.GetTime());
        ReplaceAll(text, "~LASTDATE~", entry.GetLastDate());
        ReplaceAll(text, "~LASTTIME~", entry.GetLastTime());
        ReplaceAllWith(text, "~UPLOADER~", [&] { return EscapeLt(entry.GetUploader()); });
        ReplaceAllWith(text, "~LONGDESC~",
                       [&] { return wantsLongDesc ? JoinedLongDesc(entry) : std::string(); });
    }
    if (entry.GetArea() != 0) {
        ReplaceAll(text, "~AREANUM~", entry.GetAreaText());
        ReplaceAllWith(text, "~AREANAME~", [&] { return Field(area.szName); });
    }
    ReplaceAll(text, "~SUBJECT~", run.m_strListTitle);
    ReplaceAllWith(text, "~BBS~", [&] { return Field(board.szBbsName); });
    ReplaceAllWith(text, "~SYSOP~", [&] { return Field(board.szSysopName); });
    ReplaceAllWith(text, "~CURRENTDATE~", [] { return CurrentClockTexts().date; });
    ReplaceAllWith(text, "~CURRENTTIME~", [] { return CurrentClockTexts().time; });
    return text;
}
