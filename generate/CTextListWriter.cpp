#include "generate/CTextListWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "config/COutRec.h"
#include "generate/CFileEntry.h"
#include "generate/CListRun.h"
#include "generate/Strings.h"
#include "server/WcServer.h"

namespace {

// Code page 437 box pieces.
constexpr const char* kTopLeft = "\xC9";
constexpr const char* kTopRight = "\xBB";
constexpr const char* kBottomLeft = "\xC8";
constexpr const char* kBottomRight = "\xBC";
constexpr const char* kFrameLeft = "\xBA  ";
constexpr const char* kFrameRight = "  \xBA";

// The description column starts after the name, size and separator fields.
constexpr int kDescIndent = 35;
constexpr int kDoubleWrap = 40;
constexpr int kFullWrap = 44;
constexpr int kLongDescLines = WC_LONGDESC_LINES;

// The first n characters of a rule: never more than the rule holds, nothing when n < 0.
std::string Cut(const std::string& rule, long long n) {
    if (n <= 0) return {};
    return rule.substr(0, static_cast<size_t>(n));
}

void Out(CListRun& run, std::string_view text) {
    if (run.m_pOutFile) run.m_pOutFile->Write(text);
}

bool IsAscii(const CListRun& run) {
    return (run.Def().m_nOptions & OPT_ASCII) != 0;
}

// Where WrapHead cuts a text longer than `width`, and whether it cut at a blank (which is
// then dropped) or hard in the middle of a word.
struct CutPoint {
    size_t pos;
    bool atBlank;
};

CutPoint FindCut(std::string_view text, size_t width) {
    if (text[width] == ' ') return {width, true};
    for (size_t i = width; i-- > 0;) {
        if (text[i] == ' ') {
            // A blank in the first half would leave too short a first line.
            if (i < width / 2) break;
            return {i, true};
        }
    }
    return {width, false};
}

size_t ClampWidth(int width) {
    return width < 0 ? 0 : static_cast<size_t>(width);
}

// WrapHead and WrapTail as views of `text`.
std::string_view HeadOf(std::string_view text, int width) {
    const size_t w = ClampWidth(width);
    if (text.size() <= w) return text;
    return text.substr(0, FindCut(text, w).pos);
}

std::string_view TailOf(std::string_view text, int width) {
    const size_t w = ClampWidth(width);
    if (text.size() <= w) return {};
    const CutPoint cut = FindCut(text, w);
    return text.substr(cut.atBlank ? cut.pos + 1 : cut.pos);
}

// An uploader's name or description is one line of the list: a line break inside it would
// start a line that looks like an entry of its own, so breaks are shown as blanks.
void AssignOneLine(std::string& out, std::string_view text) {
    out.assign(text);
    std::replace_if(
        out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
}

void TrimRightInPlace(std::string& text) {
    size_t end = text.size();
    while (end > 0 && std::string_view(" \t\n\v\f\r").find(text[end - 1]) != std::string_view::npos)
        --end;
    text.resize(end);
}

// Left-justified in a field of `width`, as "%-Ns" would; longer text is kept whole. Built by
// hand so that the data never passes through a format string.
void AppendPadded(std::string& out, std::string_view text, size_t width) {
    out += text;
    if (text.size() < width) out.append(width - text.size(), ' ');
}

// Right-justified number in a field of `width`. Sizes and download counts are unsigned
// 32-bit values on the server, so they are printed unsigned: "%d" would show a file of 2 GB
// or more with a negative size.
void AppendNumber(std::string& out, uint32_t value, int width) {
    char buf[32];
    out.append(buf, static_cast<size_t>(std::snprintf(buf, sizeof buf, "%*u", width,
                                                      static_cast<unsigned>(value))));
}

}  // namespace

std::string CTextListWriter::Centre(std::string_view text, int width) {
    const long long d = static_cast<long long>(width) - static_cast<long long>(text.size());
    if (d <= 0) return std::string(text);
    std::string out(static_cast<size_t>(d / 2), ' ');
    out.append(text);
    out.append(static_cast<size_t>(d - d / 2), ' ');
    return out;
}

std::string CTextListWriter::WrapHead(std::string_view text, int width) {
    return std::string(HeadOf(text, width));
}

std::string CTextListWriter::WrapTail(std::string_view text, int width) {
    return std::string(TailOf(text, width));
}

void CTextListWriter::WritePlainHeader(CListRun& run) {
    WriteHeader(run, false);
}

void CTextListWriter::WriteColourHeader(CListRun& run) {
    WriteHeader(run, true);
}

void CTextListWriter::WriteHeader(CListRun& run, bool colour) {
    const bool ascii = IsAscii(run);

    size_t w = 0;
    for (const std::string& line : run.m_headerLines) w = std::max(w, line.size());
    const long long W = static_cast<long long>(w) + 6;
    // The indent centres the box on a 70-column screen, counted without colour codes.
    const std::string indent = Cut(COutRec::m_strSpaces, (70 - W) / 2);

    const std::string& rule = ascii ? COutRec::m_strAsciiSingle2 : COutRec::m_strLineDouble2;
    const std::string top =
        std::string(ascii ? "+" : kTopLeft) + Cut(rule, W - 2) + (ascii ? "+" : kTopRight);
    const std::string bottom =
        std::string(ascii ? "+" : kBottomLeft) + Cut(rule, W - 2) + (ascii ? "+" : kBottomRight);

    auto piece = [&](const std::string& text) {
        if (colour)
            Out(run, indent + "@1F@" + text + "@07@\n");
        else
            Out(run, indent + text + "\n");
    };
    piece(top);
    for (const std::string& line : run.m_headerLines)
        piece((ascii ? "|  " : kFrameLeft) + Centre(line, static_cast<int>(w)) +
              (ascii ? "  |" : kFrameRight));
    piece(bottom);

    const std::string& title = run.m_strListTitle;
    const long long L = static_cast<long long>(title.size());
    std::string underline = Cut(ascii ? COutRec::m_strAsciiDouble : COutRec::m_strLineDouble, L);
    const std::string titleIndent = Cut(COutRec::m_strSpaces, (69 - L) / 2);
    std::string shownTitle = title;
    if (colour) {
        shownTitle = "@0E@" + title + "@0E@";
        underline = "@0C@" + underline + "@0E@";
    }
    Out(run, "\n" + titleIndent + shownTitle + "\n");
    // Other lists get their line break from the first area heading.
    const bool popular = run.Def().m_nSelection == SEL_POPULAR;
    Out(run, titleIndent + underline + (popular ? "\n" : ""));
}

void CTextListWriter::WritePlainEntry(CListRun& run, const CFileEntry& entry) {
    WriteEntry(run, entry, false);
}

void CTextListWriter::WriteColourEntry(CListRun& run, const CFileEntry& entry) {
    WriteEntry(run, entry, true);
}

void CTextListWriter::WriteAreaHeading(CListRun& run, const CFileEntry& entry, bool colour) {
    run.m_nCurArea = entry.GetArea();
    // Cleared first, so an area the server does not know gets an empty name rather than the
    // previous area's.
    run.m_areaRec = WcFileArea{};
    run.m_areaRec.dwSize = sizeof run.m_areaRec;
    GetFileArea(run.m_nCurArea, &run.m_areaRec);
    const std::string areaName = WcText(run.m_areaRec.szName);

    const std::string h = "\n\n" + std::to_string(run.m_nCurArea) + " - " + areaName;
    std::string underline = Cut(IsAscii(run) ? COutRec::m_strAsciiSingle : COutRec::m_strLineSingle,
                                static_cast<long long>(h.size()) - 2);
    if (colour) underline = "@0C@" + underline + "@0E@";
    Out(run, h);
    Out(run, "\n" + underline + "\n");
}

void CTextListWriter::WriteEntry(CListRun& run, const CFileEntry& entry, bool colour) {
    const COutRec& def = run.Def();
    if (def.m_nSelection != SEL_POPULAR && entry.GetArea() != run.m_nCurArea)
        WriteAreaHeading(run, entry, colour);

    // The entry is built in buffers kept from entry to entry and written at once.
    thread_local std::string out, name, desc, lines[kLongDescLines];
    out.clear();
    const bool flagged = entry.IsScanFailed() || entry.IsFree() || entry.IsPassworded();
    auto appendFlag = [&] {
        if (colour && flagged) out += "@0B@";
        out += ' ';
        out += entry.GetFlag();
        out += ' ';
        if (colour && flagged) out += "@0E@";
    };
    AssignOneLine(name, std::string_view(entry.GetName()).substr(0, 12));
    AssignOneLine(desc, entry.GetDescription());
    const char* bar = colour ? "@0C@ | @0E@" : " | ";

    bool full = false;
    if (def.m_nLayout == LAYOUT_FULL) {
        AssignOneLine(lines[0], entry.GetDescLine(0));
        TrimRightInPlace(lines[0]);
        full = !lines[0].empty();
    }

    auto firstLine = [&](std::string_view text) {
        out += colour ? "\n@0F@" : "\n";
        AppendPadded(out, name, 18);
        out += colour ? "@0A@Size: " : "Size: ";
        AppendNumber(out, entry.GetSize(), 8);
        if (flagged)
            appendFlag();
        else
            out += bar;
        out += text;
        out += '\n';
    };
    auto dateLine = [&](std::string_view text) {
        out += "Date: ";
        AppendPadded(out, entry.GetDate(), 11);
        out += " Dwnlds:";
        AppendNumber(out, entry.GetDownloads(), 7);
        out += bar;
        out += text;
        out += '\n';
    };

    if (def.m_nLayout == LAYOUT_SINGLE) {
        if (colour) out += "@0E@";
        AppendPadded(out, name, 12);
        appendFlag();
        out += std::string_view(desc).substr(0, 65);
        out += '\n';
    } else if (def.m_nLayout == LAYOUT_DOUBLE || (def.m_nLayout == LAYOUT_FULL && !full)) {
        firstLine(HeadOf(desc, kDoubleWrap));
        dateLine(TailOf(desc, kDoubleWrap));
    } else if (def.m_nLayout == LAYOUT_FULL) {
        for (int i = 1; i < kLongDescLines; ++i) {
            AssignOneLine(lines[i], entry.GetDescLine(i));
            TrimRightInPlace(lines[i]);
        }
        if (colour) out += '\n';
        firstLine(HeadOf(lines[0], kFullWrap));
        int next = 2;
        std::string_view dateText = lines[1];
        if (lines[0].size() > static_cast<size_t>(kFullWrap)) {
            dateText = TailOf(lines[0], kFullWrap);
            next = 1;
        }
        dateLine(dateText);
        for (int i = next; i < kLongDescLines; ++i) {
            if (lines[i].empty()) continue;
            out.append(kDescIndent, ' ');
            out += HeadOf(lines[i], kFullWrap);
            out += '\n';
            if (lines[i].size() > static_cast<size_t>(kFullWrap)) {
                out.append(kDescIndent, ' ');
                out += TailOf(lines[i], kFullWrap);
                out += '\n';
            }
        }
    }
    Out(run, out);

    ++run.m_nEntryCount;
    run.m_nTotalBytes += entry.GetSize();
}

void CTextListWriter::WriteTextFooter(CListRun& run) {
    constexpr int64_t kKB = 1024;
    constexpr int64_t kMB = 1048576;
    constexpr int64_t kGB = 1073741824;
    const int64_t total = run.m_nTotalBytes;
    const char* format = "\n\n  Total files: %d\n  Totalling %.2fKB\n";
    double quotient = static_cast<double>(total) / kKB;
    if (total > kGB) {
        format = "\n\n  Total files: %d\n  Totalling %.2fGB\n";
        quotient = static_cast<double>(total) / kGB;
    } else if (total > kMB) {
        format = "\n\n  Total files: %d\n  Totalling %.2fMB\n";
        quotient = static_cast<double>(total) / kMB;
    }
    char buf[128];
    std::snprintf(buf, sizeof buf, format, run.m_nEntryCount, quotient);
    std::string totals = buf;
    if (run.Def().m_nListType == LIST_BULLETIN) totals = "@0F@" + totals + "@0E@";
    Out(run, totals + "\n");

    // The credit block is centred on 70 columns and never coloured.
    auto centred = [](const char* text) {
        return Cut(COutRec::m_strSpaces, (70 - static_cast<long long>(std::strlen(text))) / 2) +
               text;
    };
    Out(run, "\n" + centred(qvstr::kCreditProduct) + "\n");
    Out(run, centred(qvstr::kMakerWeb) + "\n");
    Out(run, "\n" + centred(qvstr::kMakerBoard) + "\n");
    Out(run, centred(qvstr::kMakerPhone) + "\n\n");
}
