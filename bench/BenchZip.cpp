// The internal ZIP writer against zlib's own level-9 deflate of the same bytes, and against
// Info-ZIP's `zip -9` when it is installed: the writer should cost little beyond deflate.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "publish/CZipWriter.h"

namespace {

constexpr size_t kListSize = 50u << 20;

// A folder with LIST.TXT: ~50 MB of lines as a double-line file list has them.
struct CBenchInput {
    std::string dir;
    std::string list;
    std::string bytes;
    CBenchInput() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "qvbench.XXXXXX").string();
        dir = mkdtemp(tmpl.data());
        list = dir + "/LIST.TXT";
        unsigned seed = 12345;
        auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xFFFF; };
        static const char* kWords[] = {
            "utility", "archive", "the", "for",  "DOS",   "Windows", "game", "shareware", "version",
            "update",  "with",    "new", "docs", "fixes", "board",   "door", "mail",      "reader"};
        bytes.reserve(kListSize + 200);
        char line[160];
        while (bytes.size() < kListSize) {
            const unsigned n = next();
            std::snprintf(line, sizeof line, "FILE%04u.ZIP  %7u  %02u/%02u/%02u  %5u  ", n % 10000,
                          next() * 7u, n % 12 + 1, n % 28 + 1, n % 30 + 70, n % 999);
            bytes += line;
            for (int w = 0; w < 8; ++w) {
                bytes += kWords[next() % (sizeof kWords / sizeof *kWords)];
                bytes += ' ';
            }
            bytes += "\r\n";
        }
        bytes.resize(kListSize);
        std::ofstream(list, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    }
    ~CBenchInput() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

CBenchInput& Input() {
    static CBenchInput input;
    return input;
}

void BM_InternalZip(benchmark::State& state) {
    CBenchInput& in = Input();
    const std::string archive = in.dir + "/LIST.ZIP";
    for (auto _ : state) {
        CZipWriter writer;
        writer.Create(archive);
        writer.AddFile(in.list, "LIST.TXT", 9, 65535);
        writer.SetComment("Files of the board");
        writer.Close();
    }
    state.counters["archive_bytes"] = double(std::filesystem::file_size(archive));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.bytes.size()));
}

void BM_ZlibDeflate9(benchmark::State& state) {
    CBenchInput& in = Input();
    std::vector<unsigned char> out(deflateBound(nullptr, uLong(in.bytes.size())) + 64);
    size_t produced = 0;
    for (auto _ : state) {
        z_stream s{};
        deflateInit2(&s, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        s.next_in = reinterpret_cast<Bytef*>(in.bytes.data());
        s.avail_in = uInt(in.bytes.size());
        s.next_out = out.data();
        s.avail_out = uInt(out.size());
        deflate(&s, Z_FINISH);
        produced = s.total_out;
        deflateEnd(&s);
        benchmark::DoNotOptimize(
            crc32(0, reinterpret_cast<const Bytef*>(in.bytes.data()), uInt(in.bytes.size())));
    }
    state.counters["deflate_bytes"] = double(produced);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.bytes.size()));
}

void BM_InfoZip9(benchmark::State& state) {
    CBenchInput& in = Input();
    if (std::system("command -v zip >/dev/null 2>&1") != 0) {
        state.SkipWithError("zip is not installed");
        return;
    }
    const std::string command =
        "cd '" + in.dir + "' && rm -f INFO.ZIP && zip -9 -q -X INFO.ZIP LIST.TXT";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError("zip failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.bytes.size()));
}

}  // namespace

BENCHMARK(BM_InternalZip)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ZlibDeflate9)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_InfoZip9)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
