#include "generate/CAtomFeed.h"

#include <algorithm>
#include <cctype>

#include "config/CCodePage.h"
#include "config/COutRec.h"
#include "generate/CDateTime.h"
#include "generate/CFileEntry.h"
#include "generate/CHtmlListWriter.h"
#include "generate/CListRun.h"
#include "generate/CTemplateExpander.h"
#include "generate/Strings.h"
#include "server/WcServer.h"

namespace {

// The tagging entity of every id: the maker's domain and a year it held it. Ids stay the
// same from run to run, so readers show each file once.
constexpr const char* kTagPrefix = "tag:morrowfen.example,2026:quorvane/";

}  // namespace

CAtomFeed::CAtomFeed(const COutRec& def)
    : CSideFile(SideFileName(def.m_strListName, ".atom")),
      m_nMax(static_cast<size_t>(std::clamp(def.m_nFeedCount, 0, kMaxEntries))) {}

std::string CAtomFeed::XmlText(std::string_view cp1252) {
    const std::string utf8 = CCodePage::ToUtf8(cp1252);
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
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
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
                    out += "\xEF\xBF\xBD";
                else
                    out += c;
                break;
        }
    }
    return out;
}

std::string CAtomFeed::UriPart(std::string_view cp1252) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : CCodePage::ToUtf8(cp1252)) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) && c < 0x80) {
            out += ch;
        } else if (c == '-' || c == '.' || c == '_' || c == '~') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

void CAtomFeed::Add(const CFileEntry& entry) {
    const uint64_t order = m_nOffered++;
    if (m_nMax == 0) return;
    const bool full = m_items.size() >= m_nMax;
    // Most files of a large list are older than every entry kept: nothing is copied for them.
    if (full && !(entry.GetUploaded() > m_items.front().uploaded)) return;

    Item item{entry.GetUploaded(), order, entry.GetArea(), entry.GetName(), entry.GetDescription(),
              entry.GetUploader()};
    for (int i = 0; i < WC_LONGDESC_LINES && entry.HasLongDesc(); ++i) {
        if (entry.GetDescLine(i).empty()) continue;
        if (!item.summary.empty()) item.summary += '\n';
        item.summary += entry.GetDescLine(i);
    }
    if (full) {
        std::pop_heap(m_items.begin(), m_items.end(), Newer);
        m_items.back() = std::move(item);
    } else {
        m_items.push_back(std::move(item));
    }
    std::push_heap(m_items.begin(), m_items.end(), Newer);
}

bool CAtomFeed::Finish(CListRun& run, std::string* tempName) {
    if (!Open(run)) return Close(run, tempName);
    const COutRec& def = run.Def();
    std::sort_heap(m_items.begin(), m_items.end(), Newer);

    WcMakewild board{};
    board.dwSize = sizeof board;
    if (!GetMakewild(&board)) board = WcMakewild{};
    const std::string boardName = WcText(board.szBbsName);
    std::string author = WcText(board.szSysopName);
    if (author.empty()) author = boardName;
    const std::string id = kTagPrefix + UriPart(boardName) + "/" + UriPart(def.m_strListName);
    const std::string& title = def.m_bDefTitle ? run.m_strListTitle : def.m_strTitle;
    const bool split = CHtmlListWriter::SplitsIntoAreas(run);
    const time_t updated = m_items.empty() ? run.m_dtMade : m_items.front().uploaded;

    Write(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<feed xmlns=\"http://www.w3.org/2005/Atom\">\n<id>" +
        id + "</id>\n<title>" + XmlText(title) + "</title>\n<updated>" +
        CDateTime::Rfc3339(updated) + "</updated>\n<author><name>" + XmlText(author) +
        "</name></author>\n<link rel=\"alternate\" type=\"text/html\" href=\"" +
        CTemplateExpander::EncodeLinkTarget(def.m_strListName) +
        "\"/>\n<link rel=\"self\" type=\"application/atom+xml\" href=\"" +
        CTemplateExpander::EncodeLinkTarget(FileName()) +
        "\"/>\n<generator version=\"2.2\">Quorvane</generator>\n");
    for (const Item& item : m_items) {
        // The file's own link where the list makes links; else the page that shows it.
        CFileEntry entry;
        entry.m_strName = item.name;
        entry.m_nArea = item.area;
        std::string link;
        if (def.m_nLinkKind == LINK_HTTP || def.m_nLinkKind == LINK_FTP) {
            link = CTemplateExpander::LinkTarget(run, entry, run.FileArea(item.area));
        } else if (split) {
            link = CTemplateExpander::EncodeLinkTarget(
                CHtmlListWriter::AreaPageName(item.area, def.m_strListName));
        } else {
            link = CTemplateExpander::EncodeLinkTarget(def.m_strListName);
        }
        std::string text = "<entry>\n<id>" + id + "/" + std::to_string(item.area) + "/" +
                           UriPart(item.name) + "</id>\n<title>" + XmlText(item.name) +
                           "</title>\n<updated>" + CDateTime::Rfc3339(item.uploaded) +
                           "</updated>\n";
        if (!item.uploader.empty())
            text += "<author><name>" + XmlText(item.uploader) + "</name></author>\n";
        text += "<link href=\"" + XmlText(link) + "\"/>\n";
        if (!item.summary.empty()) text += "<summary>" + XmlText(item.summary) + "</summary>\n";
        Write(text + "</entry>\n");
    }
    Write("</feed>\n");
    return Close(run, tempName);
}
