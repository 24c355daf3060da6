// Feeds file records built from arbitrary bytes to the text list writers (file, message and
// bulletin lists in the three layouts, plain and ASCII frames): they must never crash or read
// past a field, and every line they write must reach the file as CR LF.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "config/COutRec.h"
#include "fuzz/FuzzSession.h"
#include "generate/CListRun.h"
#include "io/CMemorySink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsession::EnsureBoard();
    FuzzedDataProvider in(data, size);

    COutRec def;
    def.m_nListType = in.PickValueInArray({LIST_FILE, LIST_MESSAGE, LIST_BULLETIN});
    def.m_nLayout = in.PickValueInArray({LAYOUT_DOUBLE, LAYOUT_SINGLE, LAYOUT_FULL});
    def.m_nSelection = in.PickValueInArray({SEL_ALL, SEL_DAYS, SEL_POPULAR});
    def.m_nOptions = in.ConsumeBool() ? OPT_ASCII : 0;
    def.m_nDays = in.ConsumeIntegralInRange(0, 400);
    def.m_nTopCount = in.ConsumeIntegralInRange(1, 100);
    def.m_strListName = "LIST.TXT";
    const std::string header = in.ConsumeRandomLengthString(300);

    std::string out;
    CListRun run(def, fuzzsession::TempDir(), nullptr);
    std::string path;
    run.SetSinkFactory([&out, &path](const std::string& made, std::string*) {
        path = made;
        return std::make_unique<CMemorySink>(&out);
    });
    run.BeginList(header);
    const int count = in.ConsumeIntegralInRange(0, 8);
    for (int i = 0; i < count && in.remaining_bytes() > 0; ++i)
        run.WriteEntry(fuzzsession::Entry(in));
    run.WriteFooter();
    if (!run.CloseOutput()) std::abort();
    unlink(path.c_str());

    // Text mode: no line feed reaches the file without its carriage return.
    for (size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '\n' && (i == 0 || out[i - 1] != '\r')) std::abort();
    }
    return 0;
}
