#include "generate/CHtmlListWriter.h"

#include <cctype>
#include <cstdio>

#include "config/COutRec.h"
#include "generate/CFileEntry.h"
#include "generate/CListRun.h"
#include "generate/CTemplateExpander.h"
#include "generate/Strings.h"
#include "server/WcServer.h"

namespace {

bool IsAddress(const std::string& line, bool anyScheme) {
    // The whole line is the target: one that starts as a script would run when clicked.
    std::string start = line.substr(0, 11);
    for (char& c : start) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* script : {"javascript:", "vbscript:", "data:"})
        if (start.rfind(script, 0) == 0) return false;
    if (!anyScheme) return line.find("http://") != std::string::npos;
    for (const char* marker : {"http://", "telnet://", "ftp://", "mailto:"}) {
        if (line.find(marker) != std::string::npos) return true;
    }
    return false;
}

std::string Escape(const std::string& text) {
    return CTemplateExpander::EscapeHtml(text);
}

// A colour goes unquoted, as stored; one that is not a plain word (the settings sheet
// stores #RRGGBB) is quoted, so that it cannot add an attribute of its own.
std::string Colour(const std::string& value) {
    for (char c : value) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '#')
            return "\"" + Escape(value) + "\"";
    }
    return value;
}

std::string TrimLeft(const std::string& line) {
    size_t start = 0;
    while (start < line.size() && std::isspace(static_cast<unsigned char>(line[start]))) ++start;
    return line.substr(start);
}

}  // namespace

std::string CHtmlListWriter::AreaPageName(int area, const std::string& listName) {
    char number[16];
    std::snprintf(number, sizeof number, "%05d", area);
    return number + listName;
}

std::string CHtmlListWriter::IndexRow(const std::string& pageName, int area,
                                      const std::string& areaName, int count, int64_t bytes) {
    // Single precision, as the index has always shown these figures.
    const float c = static_cast<float>(count);
    const float b = static_cast<float>(bytes);
    const char* unit = "KB";
    float scaled = b / 1024.0f;
    if (b > 1073741824.0f) {
        unit = "GB";
        scaled = b / 1073741824.0f;
    } else if (b > 1048576.0f) {
        unit = "MB";
        scaled = b / 1048576.0f;
    }
    char figures[128];
    std::snprintf(figures, sizeof figures, "(%.0f file%s, %.2f %s)", static_cast<double>(c),
                  c > 1.0f ? "s" : "", static_cast<double>(scaled), unit);
    return "<TR><TD><H3><A HREF=\"" + CTemplateExpander::EncodeLinkTarget(pageName) + "\">Area " +
           std::to_string(area) + " - " + CTemplateExpander::EscapeHtml(areaName) +
           "</A></H3></TD><TD><H3>" + figures + "</H3></TD></TR>\n";
}

std::string CHtmlListWriter::WriteIndexPage(CListRun& run) {
    const COutRec& def = run.Def();
    if (!run.OpenOutput(false)) return {};
    const std::string page = run.m_pOutFile->FileName();
    Write(run, DocumentHead(run));
    if (def.m_bDefIndexHeader) {
        // The index page has only ever recognised web addresses.
        WriteBuiltInHeader(run, false, "");
    } else {
        Write(run, CTemplateExpander::ExpandTemplate(run, def.m_strIndexHeader, CFileEntry()));
    }
    Write(run, "<TABLE BORDER=0 ALIGN=CENTER>\n");
    for (size_t i = 0; i < run.m_indexPages.size(); ++i) {
        const int area = run.m_indexAreas[i];
        Write(run, IndexRow(AreaPageName(area, def.m_strListName), area,
                            WcText(run.FileArea(area).szName), run.m_indexCounts[i],
                            run.m_indexBytes[i]));
    }
    Write(run, "</TABLE>");
    Write(run, TotalsLine(run.m_nEntryCount, run.m_nTotalBytes));
    WriteCreditHead(run);
    if (!run.Options().noCounterImage) Write(run, qvstr::kCounterImage);
    WriteCreditTail(run);
    if (!def.m_bDefIndexFooter)
        Write(run, CTemplateExpander::ExpandTemplate(run, def.m_strIndexFooter, run.m_lastEntry));
    Write(run, "</BODY>\n</HTML>\n");
    return run.CloseOutput() ? page : std::string();
}

bool CHtmlListWriter::SplitsIntoAreas(const CListRun& run) {
    return run.Def().m_bIndexed && run.Def().m_nSelection != SEL_POPULAR;
}

void CHtmlListWriter::Write(CListRun& run, const std::string& text) {
    // No page is open when the page could not be created; that failure is already recorded.
    if (run.m_pOutFile) run.m_pOutFile->Write(text);
}

std::string CHtmlListWriter::DocumentHead(const CListRun& run) {
    const COutRec& def = run.Def();
    const std::string& title = def.m_bDefTitle ? run.m_strListTitle : def.m_strTitle;
    std::string head = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\n<HTML>\n<HEAD>\n";
    if (!def.m_strStyleSheet.empty())
        head += "<LINK HREF=\"" + Escape(def.m_strStyleSheet) + "\" REL=\"STYLESHEET\">\n";
    head += "<TITLE>" + Escape(title) + "</TITLE>\n<META NAME=\"Author\" CONTENT=\"";
    head += qvstr::kProductVersion;
    head += "\">\n</HEAD>\n<BODY";
    if (!def.m_strTextColour.empty()) head += " TEXT=" + Colour(def.m_strTextColour);
    if (!def.m_strALinkColour.empty()) head += " ALINK=" + Colour(def.m_strALinkColour);
    if (!def.m_strBgColour.empty()) head += " BGCOLOR=" + Colour(def.m_strBgColour);
    if (!def.m_strBgImage.empty()) head += " BACKGROUND=\"" + Escape(def.m_strBgImage) + "\"";
    if (!def.m_strLinkColour.empty()) head += " LINK=" + Colour(def.m_strLinkColour);
    if (!def.m_strVLinkColour.empty()) head += " VLINK=" + Colour(def.m_strVLinkColour);
    head += ">\n";
    return head;
}

std::string CHtmlListWriter::TotalsLine(int files, int64_t bytes) {
    const char* unit = "KB";
    double scaled = static_cast<double>(bytes) / 1024;
    if (bytes > 1073741824) {
        unit = "GB";
        scaled = static_cast<double>(bytes) / 1073741824;
    } else if (bytes > 1048576) {
        unit = "MB";
        scaled = static_cast<double>(bytes) / 1048576;
    }
    char line[128];
    std::snprintf(line, sizeof line, "<H3>  Total files: %d<BR>  Totalling %.2f %s</H3>", files,
                  scaled, unit);
    return line;
}

void CHtmlListWriter::WriteCreditHead(CListRun& run) {
    const std::string web = qvstr::kMakerWeb;
    Write(run, std::string("<P ALIGN=CENTER><B>") + qvstr::kHtmlCredit + "<BR>");
    Write(run, "<A HREF=\"" + web + "\">" + web + "</A>" + "</B></P>");
    Write(run, "<P ALIGN=CENTER><A HREF=\"" + web +
                   "\"><IMG SRC=\"mflogo.gif\" ALT=\"Morrowfen logo\" WIDTH=151 HEIGHT=32 "
                   "BORDER=0></A></P>");
}

void CHtmlListWriter::WriteCreditTail(CListRun& run) {
    Write(run, std::string("<P ALIGN=CENTER><B>") + qvstr::kMakerBoard + "<BR>");
    Write(run, std::string(qvstr::kMakerPhone) + "</B></P>");
}

void CHtmlListWriter::WriteBuiltInHeader(CListRun& run, bool anyScheme, const std::string& after) {
    const std::vector<std::string>& lines = run.m_headerLines;
    Write(run,
          "<H1 ALIGN=CENTER>" + (lines.empty() ? std::string() : Escape(lines[0])) + "</H1>\n");
    Write(run, "<H3 ALIGN=CENTER>");
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string trimmed = TrimLeft(lines[i]);
        std::string line = Escape(trimmed);
        if (IsAddress(trimmed, anyScheme)) line = "<A HREF=\"" + line + "\">" + line + "</A>";
        Write(run, line + "<BR>\n");
    }
    Write(run, "</H3><H2 ALIGN=CENTER>" + Escape(run.m_strListTitle) + "</H2>" + after);
}

void CHtmlListWriter::WriteHtmlHeader(CListRun& run) {
    const COutRec& def = run.Def();
    Write(run, DocumentHead(run));
    if (!def.m_bDefHeader) {
        Write(run, CTemplateExpander::ExpandTemplate(run, def.m_strHeader, CFileEntry()));
        return;
    }
    // A most-popular list has no area headers to open its table.
    WriteBuiltInHeader(run, true, def.m_nSelection == SEL_POPULAR ? "\n<TABLE>\n" : "");
}

void CHtmlListWriter::WriteAreaFooter(CListRun& run) {
    const COutRec& def = run.Def();
    const std::string& tmpl =
        def.m_bDefAreaFooter ? COutRec::m_strDefAreaFooter : def.m_strAreaFooter;
    Write(run, CTemplateExpander::ExpandTemplate(run, tmpl, run.m_lastEntry));
}

void CHtmlListWriter::WriteHtmlEntry(CListRun& run, const CFileEntry& entry) {
    const COutRec& def = run.Def();
    if (def.m_nSelection != SEL_POPULAR && entry.GetArea() != run.m_nCurArea) {
        const bool split = SplitsIntoAreas(run);
        if (run.m_nEntryCount > 0) {
            if (split) {
                WriteHtmlFooter(run);
                if (run.m_pOutFile) run.CloseOutput();
            } else {
                WriteAreaFooter(run);
            }
        }
        if (split && run.OpenOutput(false)) WriteHtmlHeader(run);
        run.m_nCurArea = entry.GetArea();
        const std::string& tmpl =
            def.m_bDefAreaHeader ? COutRec::m_strDefAreaHeader : def.m_strAreaHeader;
        Write(run, CTemplateExpander::ExpandTemplate(run, tmpl, entry));
        run.m_nAreaCount = 0;
        run.m_nAreaBytes = 0;
    }

    const std::string* tmpl = &def.m_strEntryTemplate;
    if (def.m_bDefEntry) {
        switch (def.m_nLayout) {
            case LAYOUT_DOUBLE:
                tmpl = &COutRec::m_strDefEntryDouble;
                break;
            case LAYOUT_SINGLE:
                tmpl = &COutRec::m_strDefEntrySingle;
                break;
            case LAYOUT_FULL:
                tmpl = &COutRec::m_strDefEntryFull;
                break;
            default:
                // The settings dialog shows an unknown layout as Single Line.
                tmpl = &COutRec::m_strDefEntrySingle;
                break;
        }
    }
    Write(run, CTemplateExpander::ExpandTemplate(run, *tmpl, entry));

    run.m_lastEntry = entry;
    run.m_nAreaCount += 1;
    run.m_nAreaBytes += entry.GetSize();
    run.m_nEntryCount += 1;
    run.m_nTotalBytes += entry.GetSize();
}

void CHtmlListWriter::WriteHtmlFooter(CListRun& run) {
    const COutRec& def = run.Def();
    const bool split = SplitsIntoAreas(run);
    // An indexed set that selected nothing has no page; the index page stands alone.
    if (split && !run.m_pOutFile) return;

    if (run.m_nEntryCount > 0) WriteAreaFooter(run);
    if (split) {
        run.m_indexAreas.push_back(run.m_nCurArea);
        run.m_indexPages.push_back(run.m_pOutFile->FileName());
        run.m_indexCounts.push_back(run.m_nAreaCount);
        run.m_indexBytes.push_back(run.m_nAreaBytes);
    } else {
        std::string totals = TotalsLine(run.m_nEntryCount, run.m_nTotalBytes);
        if (def.m_nSelection == SEL_POPULAR) totals = "\n</TABLE>\n" + totals;
        Write(run, totals);
    }

    WriteCreditHead(run);
    WriteCreditTail(run);

    if (split) {
        // The target is unquoted: the name is encoded as any link target is, which also
        // makes it the UTF-8 name the index page is written under.
        Write(run, "<H2 ALIGN=CENTER><BR>Back to <A HREF=" +
                       CTemplateExpander::EncodeLinkTarget(def.m_strListName) + ">Index</A></H2>");
    } else if (!run.Options().noCounterImage) {
        Write(run, qvstr::kCounterImage);
    }

    if (!def.m_bDefFooter)
        Write(run, CTemplateExpander::ExpandTemplate(run, def.m_strFooter, run.m_lastEntry));
    Write(run, "</BODY>\n</HTML>\n");
}
