// The program's own fixed texts (the string table of the original resources).
#pragma once

namespace qvstr {

// 110: product name and version; the dialog caption and the HTML "Author" meta.
inline constexpr const char* kProductVersion = "Quorvane V2.2";
// 102: first line of the credit block of text lists.
inline constexpr const char* kCreditProduct = "Quorvane V2.2 - file lists for Wildcat! boards";
// 107: the maker's web address (link target and link text).
inline constexpr const char* kMakerWeb = "http://www.morrowfen.example/";
// 105: the maker's own board and its town.
inline constexpr const char* kMakerBoard = "Morrowfen BBS, Harwick";
// 106: the maker's board's telephone line.
inline constexpr const char* kMakerPhone = "Telephone +44 1632 960018";
// 111: product credit of HTML pages, with a mail link written at display time.
inline constexpr const char* kHtmlCredit =
    "Created by Quorvane V2.2\n"
    "<SCRIPT LANGUAGE=\"JavaScript\"><!--\n"
    "document.write('<BR>Contact: <A HREF=\"mailto:' + 'quorvane' + '@' + 'morrowfen.example' + "
    "'\">Morrowfen</A>');\n"
    "// --></SCRIPT>\n"
    "<NOSCRIPT><BR>Contact: quorvane at morrowfen.example</NOSCRIPT>";
// 120: the one-pixel counter image.
inline constexpr const char* kCounterImage =
    "<IMG SRC=\"http://counter.morrowfen.example/quorvane.gif\" WIDTH=1 HEIGHT=1 ALT=\"\">";

// Status texts of the generation run.
inline constexpr const char* kConnecting = "Connecting to BBS ... ";
inline constexpr const char* kFinished = "Finished!";
inline constexpr const char* kCancelled = "Cancelled: %d of %d lists were not published.";
inline constexpr const char* kArea = "Area %d - %s";                                        // 109
inline constexpr const char* kGeneratingCompressed = "Generating compressed files ...";     // 103
inline constexpr const char* kGeneratingPopular = "Generating \"Most Popular\" lists ...";  // 108

}  // namespace qvstr
