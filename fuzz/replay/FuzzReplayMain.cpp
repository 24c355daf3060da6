// Replays inputs through a fuzzer's LLVMFuzzerTestOneInput without libFuzzer, so that the
// ordinary build's test run feeds every seed and every kept finding to the code again. Each
// argument is a file or a directory (read recursively, in name order); a missing one is
// skipped. A finding shows as a crash or abort of this program.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        if (fs::is_directory(argv[i], ec)) {
            for (const auto& entry : fs::recursive_directory_iterator(argv[i], ec))
                if (entry.is_regular_file()) inputs.push_back(entry.path());
        } else if (fs::is_regular_file(argv[i], ec)) {
            inputs.push_back(argv[i]);
        } else {
            std::printf("skipped (absent): %s\n", argv[i]);
        }
    }
    if (inputs.empty()) {
        // A fuzzer whose seeds are not where its name says would otherwise go untested.
        std::fprintf(stderr, "no inputs to replay in:");
        for (int i = 1; i < argc; ++i) std::fprintf(stderr, " %s", argv[i]);
        std::fprintf(stderr, "\nseeds belong in fuzz/corpus/<name>/ (see fuzz/README.md)\n");
        return 1;
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& path : inputs) {
        std::printf("replaying %s\n", path.c_str());
        std::fflush(stdout);
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        // Exactly the input's size, so that a read past it is caught; never null, as with
        // libFuzzer.
        const auto copy = std::make_unique<uint8_t[]>(bytes.size());
        std::memcpy(copy.get(), bytes.data(), bytes.size());
        LLVMFuzzerTestOneInput(copy.get(), bytes.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return 0;
}
