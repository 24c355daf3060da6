// Feeds arbitrary bytes to the parsers of a scanned tree's description texts (FILES.BBS,
// DESCRIPT.ION, FILE_ID.DIZ). Whatever the input, every description must fit the file
// record's fields: at most 76 bytes, at most 15 long-description lines of 79 bytes, no
// control characters, and a download count that fits 32 bits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tools/board/CScanText.h"

namespace {

void CheckText(std::string_view s, size_t max) {
    if (s.size() > max) std::abort();
    for (char c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
}

void Check(const CScanDescription& d) {
    if (d.lines.size() > 15 || d.downloads > 0xffffffffll) std::abort();
    CheckText(d.text, 76);
    for (const std::string& line : d.lines) CheckText(line, 79);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const auto& [name, d] : CScanText::ParseFilesBbs(bytes)) {
        if (name.empty()) std::abort();
        Check(d);
    }
    for (const auto& [name, d] : CScanText::ParseDescriptIon(bytes)) Check(d);
    Check(CScanText::ParseDiz(bytes));
    // Windows-1252 out of anything, and UTF-8 taken as UTF-8.
    if (CScanText::IsUtf8(bytes) && CScanText::ToCp1252(bytes).empty() != bytes.empty())
        std::abort();
    return 0;
}
