// Feeds file records built from arbitrary bytes to the HTML list writer: single pages and
// indexed sets, built-in and operator templates, the three link kinds. It must never crash,
// read past a field or write to a page that is not open, and every page it opens must be
// closed as a whole document.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "config/COutRec.h"
#include "fuzz/FuzzSession.h"
#include "generate/CListRun.h"
#include "io/CMemorySink.h"

namespace {

std::string Template(FuzzedDataProvider& in) {
    return in.ConsumeRandomLengthString(200);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsession::EnsureBoard();
    FuzzedDataProvider in(data, size);

    COutRec def;
    def.m_nListType = LIST_HTML;
    def.m_strListName = "INDEX.HTM";
    def.m_nSelection = in.PickValueInArray({SEL_ALL, SEL_DAYS, SEL_POPULAR});
    def.m_nLayout = in.PickValueInArray({LAYOUT_DOUBLE, LAYOUT_SINGLE, LAYOUT_FULL});
    def.m_bIndexed = in.ConsumeBool();
    def.m_nLinkKind = in.PickValueInArray({LINK_NONE, LINK_HTTP, LINK_FTP});
    def.m_bLocalLinks = in.ConsumeBool();
    def.m_nTopCount = in.ConsumeIntegralInRange(1, 100);
    def.m_strServer = in.ConsumeRandomLengthString(40);
    const uint8_t custom = in.ConsumeIntegral<uint8_t>();
    def.m_bDefEntry = !(custom & 1);
    if (custom & 1) def.m_strEntryTemplate = Template(in);
    def.m_bDefAreaHeader = !(custom & 2);
    if (custom & 2) def.m_strAreaHeader = Template(in);
    def.m_bDefAreaFooter = !(custom & 4);
    if (custom & 4) def.m_strAreaFooter = Template(in);
    def.m_bDefHeader = !(custom & 8);
    if (custom & 8) def.m_strHeader = Template(in);
    def.m_bDefFooter = !(custom & 16);
    if (custom & 16) def.m_strFooter = Template(in);
    def.m_bDefTitle = !(custom & 32);
    if (custom & 32) def.m_strTitle = in.ConsumeRandomLengthString(60);
    if (custom & 64) def.m_strBgColour = in.ConsumeRandomLengthString(20);
    const std::string header = in.ConsumeRandomLengthString(300);

    std::map<std::string, std::string> pages;
    CListRun run(def, fuzzsession::TempDir(), nullptr);
    run.SetSinkFactory([&pages](const std::string& path, std::string*) {
        return std::make_unique<CMemorySink>(&pages[path]);
    });
    run.BeginList(header);
    const int count = in.ConsumeIntegralInRange(0, 8);
    for (int i = 0; i < count && in.remaining_bytes() > 0; ++i)
        run.WriteEntry(fuzzsession::Entry(in));
    run.WriteFooter();
    if (!run.CloseOutput()) std::abort();

    for (const auto& [path, bytes] : pages) {
        unlink(path.c_str());
        // Every page made is a finished document.
        static const std::string kEnd = "</HTML>\r\n";
        if (bytes.size() < kEnd.size() ||
            bytes.compare(bytes.size() - kEnd.size(), kEnd.size(), kEnd) != 0)
            std::abort();
    }
    return 0;
}
