#include "generate/CModernPage.h"

#include <cctype>

#include "config/COutRec.h"
#include "generate/CDateTime.h"
#include "generate/CFileEntry.h"
#include "generate/CHtmlListWriter.h"
#include "generate/CListRun.h"
#include "generate/CSideFile.h"
#include "generate/CTemplateExpander.h"
#include "generate/Strings.h"

namespace {

std::string Escape(const std::string& text) {
    return CTemplateExpander::EscapeHtml(text);
}

// Light colours unless the reader asks for dark; rows become blocks on narrow screens.
const char* const kStyle =
    ":root{color-scheme:light dark;--bg:#fff;--fg:#1c1d21;--dim:#5d6068;--line:#d8dbe0;"
    "--head:#f2f3f5;--link:#0b57d0}\n"
    "@media (prefers-color-scheme:dark){:root{--bg:#15161a;--fg:#e4e5e8;--dim:#a2a6ad;"
    "--line:#34373e;--head:#1f2126;--link:#8ab4f8}}\n"
    "[hidden]{display:none!important}\n"
    "body{max-width:72rem;margin:0 auto;padding:1rem;background:var(--bg);color:var(--fg);"
    "font:16px/1.45 system-ui,sans-serif}\n"
    "a{color:var(--link)}header,footer{text-align:center}footer,.qv-total{color:var(--dim)}\n"
    "table{width:100%;border-collapse:collapse;margin:.5rem 0 1.5rem}\n"
    "th,td{padding:.3rem .5rem;text-align:left;vertical-align:top}th{background:var(--head)}\n"
    "tbody{border-bottom:1px solid var(--line)}.qv-n{text-align:right;white-space:nowrap}\n"
    ".qv-name{font-weight:600;overflow-wrap:anywhere}.qv-long td{color:var(--dim)}\n"
    "#qv-tools{display:flex;flex-wrap:wrap;gap:.5rem 1.5rem;justify-content:center}\n"
    "input,select{font:inherit;padding:.2rem .4rem}\n"
    "@media (max-width:40rem){thead{display:none}tbody,tr,td{display:block}"
    "td{padding:.1rem .5rem}.qv-n{text-align:left}}\n";

// Sorts and filters the file groups of each table after the address, and writes the
// controls' changes back into it.
const char* const kScript =
    "(function(){\n"
    "var q=document.getElementById('qv-q'),s=document.getElementById('qv-sort'),"
    "keys={name:1,size:1,date:1,downloads:1};\n"
    "document.querySelectorAll('tbody.qv-f').forEach(function(g,i){g.dataset.i=i;});\n"
    "function params(){return new URLSearchParams(location.hash.slice(1));}\n"
    "function apply(){\n"
    "var p=params(),key=p.get('sort')||'',k=key.replace(/^-/,''),f=(p.get('q')||'')"
    ".toLowerCase();\n"
    "if(!keys[k])k='';q.value=p.get('q')||'';s.value=k;\n"
    "var sign=(k=='name'?1:-1)*(key.charAt(0)=='-'?-1:1);\n"
    "document.querySelectorAll('table').forEach(function(t){\n"
    "var groups=[].slice.call(t.querySelectorAll(':scope>tbody.qv-f')),shown=0;\n"
    "if(!groups.length)return;\n"
    "groups.sort(function(a,b){if(!k)return a.dataset.i-b.dataset.i;\n"
    "var x=a.dataset[k],y=b.dataset[k],c=k=='name'?x.localeCompare(y):k=='date'?"
    "(x<y?-1:x>y?1:0):x-y;\n"
    "return sign*c||a.dataset.i-b.dataset.i;});\n"
    "groups.forEach(function(g){var hit=!f||g.textContent.toLowerCase().indexOf(f)>=0;"
    "g.hidden=!hit;if(hit)shown++;t.appendChild(g);});\n"
    "var section=t.closest('section');if(section)section.hidden=!shown;});}\n"
    "function go(){var p=params(),k=(p.get('sort')||'').replace(/^-/,'');\n"
    "if(q.value)p.set('q',q.value);else p.delete('q');\n"
    "if(!s.value)p.delete('sort');else if(s.value!=k)p.set('sort',s.value);\n"
    "history.replaceState(null,'',p.toString()?'#'+p:location.pathname+location.search);"
    "apply();}\n"
    "q.addEventListener('input',go);s.addEventListener('change',go);\n"
    "document.querySelectorAll('th a[href^=\"#sort=\"]').forEach(function(a){"
    "a.addEventListener('click',function(e){\n"
    "e.preventDefault();var p=params(),v=a.getAttribute('href').slice(6);"
    "p.set('sort',p.get('sort')==v?'-'+v:v);location.hash=p.toString();});});\n"
    "window.addEventListener('hashchange',apply);\n"
    "document.getElementById('qv-tools').hidden=false;apply();})();\n";

const std::string kNameCell = "<td class=\"qv-name\">~NAME~</td>";
const std::string kFiguresCells =
    "<td class=\"qv-n\">~SIZE~</td><td>~DATE~</td><td class=\"qv-n\">~DWNLDS~</td>";

std::string Th(const char* label, const char* key, bool number) {
    std::string th = number ? "<th scope=\"col\" class=\"qv-n\">" : "<th scope=\"col\">";
    if (key)
        th += std::string("<a href=\"#sort=") + key + "\">" + label + "</a>";
    else
        th += label;
    return th + "</th>";
}

// The column headings of the built-in entries; none over the operator's own entries.
std::string ColumnHeads(const COutRec& def) {
    if (!def.m_bDefEntry) return {};
    std::string row = "<thead><tr>" + Th("Name", "name", false);
    if (def.m_nLayout == LAYOUT_DOUBLE || def.m_nLayout == LAYOUT_FULL)
        row += Th("Size", "size", true) + Th("Date", "date", false) +
               Th("Downloads", "downloads", true);
    return row + Th("Description", nullptr, false) + "</tr></thead>\n";
}

}  // namespace

bool CModernPage::Is(const CListRun& run) {
    return run.Def().m_nListType == LIST_HTML && run.Def().m_nTheme == THEME_MODERN;
}

std::string CModernPage::DocumentHead(const CListRun& run) {
    const COutRec& def = run.Def();
    const std::string& title = def.m_bDefTitle ? run.m_strListTitle : def.m_strTitle;
    std::string head =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
        Escape(title) + "</title>\n<meta name=\"generator\" content=\"" + qvstr::kProductVersion +
        "\">\n";
    if (def.m_nFeeds & FEED_ATOM)
        head += "<link rel=\"alternate\" type=\"application/atom+xml\" href=\"" +
                CTemplateExpander::EncodeLinkTarget(
                    CSideFile::SideFileName(def.m_strListName, ".atom")) +
                "\">\n";
    if (def.m_nFeeds & FEED_JSON)
        head += "<link rel=\"alternate\" type=\"application/json\" href=\"" +
                CTemplateExpander::EncodeLinkTarget(
                    CSideFile::SideFileName(def.m_strListName, ".json")) +
                "\">\n";
    head += std::string("<style>\n") + kStyle + "</style>\n";
    // The operator's style sheet comes after the built-in one, so that it wins.
    if (!def.m_strStyleSheet.empty())
        head += "<link rel=\"stylesheet\" href=\"" + Escape(def.m_strStyleSheet) + "\">\n";
    return head + "</head>\n<body>\n";
}

const std::string& CModernPage::Tools() {
    static const std::string tools =
        "<div id=\"qv-tools\" hidden><label>Filter <input id=\"qv-q\" type=\"search\"></label>"
        "<label>Sort by <select id=\"qv-sort\"><option value=\"\">list order</option>"
        "<option value=\"name\">name</option><option value=\"size\">size</option>"
        "<option value=\"date\">date</option><option value=\"downloads\">downloads</option>"
        "</select></label></div>\n";
    return tools;
}

std::string CModernPage::TableStart(const COutRec& def) {
    return "<table>\n" + ColumnHeads(def);
}

std::string CModernPage::AreaHeader(const COutRec& def) {
    return "<section>\n<h2>~AREANUM~ - ~AREANAME~</h2>\n" + TableStart(def);
}

const std::string& CModernPage::AreaFooter(const COutRec& def) {
    // A most-popular list has no area sections; its table is closed after the last entry.
    static const std::string footer = "</table>\n</section>\n", none;
    return def.m_nSelection == SEL_POPULAR ? none : footer;
}

const std::string& CModernPage::EntryTemplate(int layout, bool longDesc) {
    static const std::string single = "<tr>" + kNameCell + "<td>~DESC~</td></tr>\n";
    static const std::string twoLine =
        "<tr>" + kNameCell + kFiguresCells + "<td>~DESC~</td></tr>\n";
    static const std::string full =
        twoLine + "<tr class=\"qv-long\"><td colspan=\"5\">~LONGDESC~</td></tr>\n";
    if (layout == LAYOUT_FULL && longDesc) return full;
    return layout == LAYOUT_DOUBLE || layout == LAYOUT_FULL ? twoLine : single;
}

bool CModernPage::IsRows(const std::string& tmpl) {
    size_t i = 0;
    while (i < tmpl.size() && std::isspace(static_cast<unsigned char>(tmpl[i]))) ++i;
    return tmpl.size() >= i + 3 && tmpl[i] == '<' &&
           std::tolower(static_cast<unsigned char>(tmpl[i + 1])) == 't' &&
           std::tolower(static_cast<unsigned char>(tmpl[i + 2])) == 'r';
}

std::string CModernPage::GroupStart(const CFileEntry& entry) {
    return "<tbody class=\"qv-f\" data-name=\"" + Escape(entry.GetName()) + "\" data-size=\"" +
           std::to_string(entry.GetSize()) + "\" data-date=\"" +
           CDateTime::Rfc3339(entry.GetUploaded()) + "\" data-downloads=\"" +
           std::to_string(entry.GetDownloads()) + "\">\n";
}

std::string CModernPage::Totals(int files, int64_t bytes) {
    return "<p class=\"qv-total\">Total files: " + std::to_string(files) + ", totalling " +
           CHtmlListWriter::TotalSize(bytes) + "</p>\n";
}

std::string CModernPage::Credits(bool counter) {
    const std::string web = qvstr::kMakerWeb;
    std::string credits =
        std::string("<footer>\n<p>Created by ") + qvstr::kProductVersion + " - <a href=\"" + web +
        "\">" + web + "</a><br>\nContact: quorvane at morrowfen.example</p>\n<p><a href=\"" + web +
        "\"><img src=\"mflogo.gif\" alt=\"Morrowfen logo\" width=\"151\" "
        "height=\"32\"></a></p>\n<p>" +
        qvstr::kMakerBoard + "<br>\n" + qvstr::kMakerPhone + "</p>\n";
    if (counter) credits += std::string(qvstr::kCounterImage) + "\n";
    return credits + "</footer>\n";
}

std::string CModernPage::BackLink(const std::string& listName) {
    return "<p class=\"qv-total\"><a href=\"" + CTemplateExpander::EncodeLinkTarget(listName) +
           "\">Back to the index</a></p>\n";
}

std::string CModernPage::End(bool script) {
    std::string end = script ? std::string("<script>\n") + kScript + "</script>\n" : "";
    return end + "</body>\n</html>\n";
}

std::string CModernPage::IndexTableStart() {
    return "<table>\n<thead><tr>" + Th("Area", nullptr, false) + Th("Files", nullptr, true) +
           "</tr></thead>\n<tbody>\n";
}

std::string CModernPage::IndexRow(const std::string& pageName, int area,
                                  const std::string& areaName, int count, int64_t bytes) {
    const std::string figures = CHtmlListWriter::IndexFigures(count, bytes);
    return "<tr><td><a href=\"" + CTemplateExpander::EncodeLinkTarget(pageName) + "\">Area " +
           std::to_string(area) + " - " + Escape(areaName) + "</a></td><td class=\"qv-n\">" +
           figures.substr(1, figures.size() - 2) + "</td></tr>\n";
}
