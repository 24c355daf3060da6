// Expands arbitrary templates with file entries built from arbitrary record bytes, under every
// link kind, and checks the escaping helpers: no "<" or '"' survives EscapeHtml, and a link target
// keeps only characters that are safe in an unquoted attribute and a URL path.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/COutRec.h"
#include "fuzz/FuzzSession.h"
#include "generate/CListRun.h"
#include "generate/CTemplateExpander.h"

namespace {

bool SafeInLink(unsigned char c) {
    if (c <= 0x20 || c >= 0x7F) return false;
    return std::string_view("\"'<>=`&#?/\\").find(static_cast<char>(c)) == std::string_view::npos;
}

void CheckHelpers(const std::string& text) {
    if (CTemplateExpander::EscapeHtml(text).find_first_of("<>\"") != std::string::npos)
        std::abort();
    const std::string link = CTemplateExpander::EncodeLinkTarget(text);
    for (size_t i = 0; i < link.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(link[i]);
        if (c == '%') {
            // Every percent sign starts an escape of two hex digits.
            if (i + 2 >= link.size()) std::abort();
            if (!std::isxdigit(static_cast<unsigned char>(link[i + 1])) ||
                !std::isxdigit(static_cast<unsigned char>(link[i + 2])))
                std::abort();
            i += 2;
        } else if (!SafeInLink(c)) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsession::EnsureBoard();
    FuzzedDataProvider in(data, size);

    COutRec def;
    def.m_nListType = LIST_HTML;
    def.m_nLinkKind = in.PickValueInArray({LINK_NONE, LINK_HTTP, LINK_FTP});
    def.m_bLocalLinks = in.ConsumeBool();
    def.m_strServer = in.ConsumeRandomLengthString(40);
    CListRun run(def, "/nonexistent/", nullptr);
    run.m_strListTitle = in.ConsumeRandomLengthString(80);
    run.m_strFtpRoot = in.ConsumeBool() ? "/All_Files" : "";
    const std::string tmpl = in.ConsumeRandomLengthString(400);
    const CFileEntry entry = in.ConsumeBool() ? CFileEntry() : fuzzsession::Entry(in);

    const std::string out = CTemplateExpander::ExpandTemplate(run, tmpl, entry);
    (void)out;
    CheckHelpers(tmpl);

    // ReplaceAll never rescans what it inserted, so a value holding its own token ends.
    std::string text = tmpl;
    CTemplateExpander::ReplaceAll(text, "~X~", "~X~~X~");
    return 0;
}
