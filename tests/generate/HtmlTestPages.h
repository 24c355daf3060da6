// Pieces of the expected HTML pages, worked out by hand, shared by the page and publishing
// tests: the test board, the document head, the credit block and the page end.
#pragma once

#include <ctime>
#include <string>

namespace htmltest {

inline constexpr time_t kNow = 1796139912;  // 2026-12-01 15:45:12 UTC

inline const char kBoard[] =
    R"({"settings":{"name":"Test BBS","sysop":"Jo Sysop","version":6,"build":500},)"
    R"("areas":[{"number":3,"name":"Utilities <1>","ftp_dir":"utils"},)"
    R"({"number":12,"name":"Games","ftp_dir":"games"}]})";

inline const std::string kTitle = "Files Available on this BBS on 12/01/26";

inline std::string Head(const std::string& title) {
    return "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\r\n<HTML>\r\n<HEAD>\r\n<TITLE>" +
           title +
           "</TITLE>\r\n<META NAME=\"Author\" CONTENT=\"Quorvane V2.2\">\r\n</HEAD>\r\n<BODY>\r\n";
}

inline const std::string kCreditHead =
    "<P ALIGN=CENTER><B>Created by Quorvane V2.2\r\n"
    "<SCRIPT LANGUAGE=\"JavaScript\"><!--\r\n"
    "document.write('<BR>Contact: <A HREF=\"mailto:' + 'quorvane' + '@' + 'morrowfen.example' + "
    "'\">Morrowfen</A>');\r\n"
    "// --></SCRIPT>\r\n"
    "<NOSCRIPT><BR>Contact: quorvane at morrowfen.example</NOSCRIPT><BR>"
    "<A HREF=\"http://www.morrowfen.example/\">http://www.morrowfen.example/</A></B></P>"
    "<P ALIGN=CENTER><A HREF=\"http://www.morrowfen.example/\"><IMG SRC=\"mflogo.gif\" "
    "ALT=\"Morrowfen logo\" WIDTH=151 HEIGHT=32 BORDER=0></A></P>";
inline const std::string kCreditTail =
    "<P ALIGN=CENTER><B>Morrowfen BBS, Harwick<BR>Telephone +44 1632 960018</B></P>";
inline const std::string kCounter =
    "<IMG SRC=\"http://counter.morrowfen.example/quorvane.gif\" WIDTH=1 HEIGHT=1 ALT=\"\">";
inline const std::string kEnd = "</BODY>\r\n</HTML>\r\n";

}  // namespace htmltest
