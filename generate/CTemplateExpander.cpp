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
    size_t hit = text.find(token);
    if (hit == std::string::npos) return;
    std::string out;
    out.reserve(text.size() + value.size());
    size_t from = 0;
    while (hit != std::string::npos) {
        out.append(text, from, hit - from);
        out.append(value);
        from = hit + token.size();
        hit = text.find(token, from);
    }
    out.append(text, from, std::string::npos);
    text.swap(out);
}

std::string CTemplateExpander::ExpandTemplate(const CListRun& run, const std::string& tmpl,
                                              const CFileEntry& entry) {
    const COutRec& def = run.Def();

    // Sizes are unsigned 32-bit on the board; "%d" would show files above 2 GB as negative.
    const std::string size = std::to_string(entry.GetSize());

    const time_t now = CDateTime::Now();
    const std::string currentDate = CDateTime::FormatDate(now);
    const std::string currentTime = CDateTime::FormatShortTime(now);

    std::string longDesc;
    if (entry.HasLongDesc() && Contains(tmpl, "~LONGDESC~")) longDesc = JoinedLongDesc(entry);

    WcFileArea area{};
    const bool linked = def.m_nLinkKind == LINK_HTTP || def.m_nLinkKind == LINK_FTP;
    if ((def.m_nLinkKind != LINK_NONE && Contains(tmpl, "~NAME~")) ||
        Contains(tmpl, "~AREANAME~")) {
        area.dwSize = sizeof area;
        if (!GetFileArea(entry.GetArea(), &area)) area = WcFileArea{};
    }
    const std::string name = linked ? MakeLink(run, entry, area) : entry.GetName();

    WcMakewild board{};
    if (Contains(tmpl, "~BBS~") || Contains(tmpl, "~SYSOP~")) {
        board.dwSize = sizeof board;
        if (!GetMakewild(&board)) board = WcMakewild{};
    }

    std::string text = tmpl;
    if (!entry.GetName().empty()) {
        ReplaceAll(text, "~NAME~", name);
        ReplaceAll(text, "~SIZE~", size);
        ReplaceAll(text, "~FLAG~", entry.GetFlag());
        ReplaceAll(text, "~DESC~", EscapeLt(entry.GetDescription()));
        ReplaceAll(text, "~DATE~", entry.GetDate());
        ReplaceAll(text, "~DWNLDS~", entry.GetDownloadsText());
        ReplaceAll(text, "~TIME~", entry.GetTime());
        ReplaceAll(text, "~LASTDATE~", entry.GetLastDate());
        ReplaceAll(text, "~LASTTIME~", entry.GetLastTime());
        ReplaceAll(text, "~UPLOADER~", EscapeLt(entry.GetUploader()));
        ReplaceAll(text, "~LONGDESC~", longDesc);
    }
    if (entry.GetArea() != 0) {
        ReplaceAll(text, "~AREANUM~", entry.GetAreaText());
        ReplaceAll(text, "~AREANAME~", Field(area.szName));
    }
    ReplaceAll(text, "~SUBJECT~", run.m_strListTitle);
    ReplaceAll(text, "~BBS~", Field(board.szBbsName));
    ReplaceAll(text, "~SYSOP~", Field(board.szSysopName));
    ReplaceAll(text, "~CURRENTDATE~", currentDate);
    ReplaceAll(text, "~CURRENTTIME~", currentTime);
    return text;
}
