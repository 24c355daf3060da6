#include "generate/CJsonCatalogue.h"

#include "config/CCodePage.h"
#include "config/COutRec.h"
#include "generate/CDateTime.h"
#include "generate/CFileEntry.h"
#include "generate/CListRun.h"
#include "generate/CTemplateExpander.h"
#include "server/WcServer.h"

namespace {

void AppendTime(std::string& out, time_t t) {
    out += '"';
    out += CDateTime::Rfc3339(t);
    out += '"';
}

}  // namespace

CJsonCatalogue::CJsonCatalogue(const COutRec& def)
    : CSideFile(SideFileName(def.m_strListName, ".json")) {}

// Escaped here rather than by building a JSON value per file: a catalogue of a million files
// is written while the list is, and must cost little beside it.
void CJsonCatalogue::AppendString(std::string& out, std::string_view cp1252) {
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    size_t from = 0;
    for (size_t i = 0; i < cp1252.size(); ++i) {
        const auto c = static_cast<unsigned char>(cp1252[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        CCodePage::AppendUtf8(out, cp1252.substr(from, i - from));
        from = i + 1;
        if (c < 0x20) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += '\\';
            out += static_cast<char>(c);
        }
    }
    CCodePage::AppendUtf8(out, cp1252.substr(from));
    out += '"';
}

bool CJsonCatalogue::Begin(CListRun& run) {
    m_bOpen = Open(run);
    if (!m_bOpen) return false;
    const COutRec& def = run.Def();
    std::string head = "{\"board\":";
    AppendString(head, run.m_headerLines.empty() ? std::string() : run.m_headerLines[0]);
    head += ",\"title\":";
    AppendString(head, def.m_bDefTitle ? run.m_strListTitle : def.m_strTitle);
    head += ",\"made\":";
    AppendTime(head, run.m_dtMade);
    head += ",\"areas\":[";
    Write(head);
    return true;
}

void CJsonCatalogue::Add(const CListRun& run, const CFileEntry& entry) {
    if (!m_bOpen) return;
    std::string& out = m_line;
    out.clear();
    // A new section wherever the list moves to another area, as the pages have.
    if (entry.GetArea() != m_nArea) {
        if (m_nArea != -1) out += "]},";
        m_nArea = entry.GetArea();
        out += "\n{\"number\":" + std::to_string(m_nArea) + ",\"name\":";
        const WcFileArea& area = run.FileArea(m_nArea);
        AppendString(out, WcText(area.szName));
        // Every link of the area starts the same: worked out once per section.
        const int kind = run.Def().m_nLinkKind;
        m_linkPrefix.clear();
        if (kind == LINK_HTTP || kind == LINK_FTP) {
            CFileEntry unnamed;
            unnamed.m_nArea = m_nArea;
            m_linkPrefix = CTemplateExpander::LinkTarget(run, unnamed, area);
        }
        out += ",\"files\":[";
        m_bFirstFile = true;
    }
    out += m_bFirstFile ? "\n{\"name\":" : ",\n{\"name\":";
    m_bFirstFile = false;
    AppendString(out, entry.GetFileName());
    out += ",\"longName\":";
    AppendString(out, entry.GetName());
    out += ",\"size\":" + std::to_string(entry.GetSize()) + ",\"uploaded\":";
    AppendTime(out, entry.GetUploaded());
    out += ",\"lastDownload\":";
    if (entry.GetLastDownload() == 0)
        out += "null";
    else
        AppendTime(out, entry.GetLastDownload());
    out += ",\"downloads\":" + std::to_string(entry.GetDownloads()) + ",\"description\":";
    AppendString(out, entry.GetDescription());
    out += ",\"longDescription\":[";
    // The lines up to the last one with text; empty lines between them keep their place.
    int lines = 0;
    for (int i = 0; i < WC_LONGDESC_LINES && entry.HasLongDesc(); ++i)
        if (!entry.GetDescLine(i).empty()) lines = i + 1;
    for (int i = 0; i < lines; ++i) {
        if (i > 0) out += ',';
        AppendString(out, entry.GetDescLine(i));
    }
    out += "],\"uploader\":";
    AppendString(out, entry.GetUploader());
    out += ",\"link\":";
    const int kind = run.Def().m_nLinkKind;
    if (kind == LINK_HTTP || kind == LINK_FTP)
        AppendString(out, CTemplateExpander::LinkTarget(run, entry, run.FileArea(entry.GetArea())));
    else
        out += "null";
    out += '}';
    Write(out);
}

bool CJsonCatalogue::Finish(CListRun& run, std::string* tempName) {
    if (m_bOpen) Write(m_nArea != -1 ? "]}\n]}\n" : "\n]}\n");
    return Close(run, tempName);
}
