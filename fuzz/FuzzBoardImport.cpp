// Feeds arbitrary JSON text to the board import on a scratch board that is reused between
// inputs (and made anew every few hundred, so it stays small). A refused import must throw
// only CBoardError and leave the board as it was; an accepted one must export as JSON that
// imports again without changing the board.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "fuzz/FuzzSession.h"
#include "tools/board/CBoardAdmin.h"
#include "tools/board/CBoardError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int uses = 0;
    static std::string before;
    static fuzzsession::ScratchDir dir("qvfuzz-import");
    const std::string board = dir.Path() + "/board";
    CBoardAdmin admin(board);
    if (uses++ % 200 == 0) {
        std::filesystem::remove_all(board);
        admin.Init("Fuzz BBS", "Sysop");
        before = admin.Export();
    }

    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        admin.Import(text, "fuzz.json");
    } catch (const CBoardError& e) {
        if (std::string(e.what()).empty()) std::abort();
        if (admin.Export() != before) std::abort();
        return 0;
    }
    const std::string after = admin.Export();
    if (!nlohmann::json::accept(after)) std::abort();
    admin.Import(after, "exported board");
    if (admin.Export() != after) std::abort();
    before = after;
    return 0;
}
