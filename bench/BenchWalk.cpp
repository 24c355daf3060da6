// Walking a demo board of 1,000,000 file records with GetNextFileRec, as a generation run does;
// the board is made once beside the benchmark and reused.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "server/WcServer.h"
#include "tools/board/CBoardAdmin.h"

namespace {

constexpr uint32_t kFiles = 1000000;

std::string ProgramDir() {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path(exe, n > 0 ? static_cast<size_t>(n) : 0);
    return path.substr(0, path.rfind('/'));
}

// Logs in to the cached board, making it first when needed.
void OpenBoard() {
    static bool open = false;
    if (open) return;
    std::string dir = ProgramDir() + "/bench-board-1m";
    setenv("QUORVANE_BOARD", dir.c_str(), 1);
    bool ok = WildcatServerConnect(nullptr) && WildcatServerCreateContext() && LoginSystem() &&
              GetTotalFiles() == kFiles;
    if (!ok) {
        // Missing, or left half-made by an interrupted run.
        LogoutUser();
        WildcatServerDeleteContext();
        std::filesystem::remove_all(dir);
        CDemoOptions options;
        options.files = kFiles;
        options.areas = 40;
        options.seed = 1;
        CBoardAdmin(dir).Demo(options);
        WildcatServerConnect(nullptr);
        WildcatServerCreateContext();
        LoginSystem();
    }
    open = true;
}

void BM_WalkAll(benchmark::State& state) {
    OpenBoard();
    int64_t records = 0;
    for (auto _ : state) {
        WcFileRecord rec;
        uint32_t tid = 0;
        if (!SearchFileRecByAreaName(0, "", &rec, &tid)) {
            state.SkipWithError("no first record");
            break;
        }
        int64_t n = 1;
        while (GetNextFileRec(1, &rec, &tid)) ++n;
        benchmark::DoNotOptimize(rec);
        records += n;
    }
    state.SetItemsProcessed(records);
}
BENCHMARK(BM_WalkAll)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same walk with the extended record of libwcsrv2 after every step.
void BM_WalkAllExtended(benchmark::State& state) {
    OpenBoard();
    void* lib = dlopen((ProgramDir() + "/libwcsrv2.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    auto next = lib ? reinterpret_cast<WcNextExtFn>(dlsym(lib, "GetNextFileRec")) : nullptr;
    if (!next) {
        state.SkipWithError("libwcsrv2.so not found beside the benchmark");
        return;
    }
    int64_t records = 0;
    for (auto _ : state) {
        WcFileRecord rec;
        WcExtFileRecord ext;
        uint32_t tid = 0, tid2 = 0;
        if (!SearchFileRecByAreaName(0, "", &rec, &tid)) break;
        int64_t n = 1;
        while (GetNextFileRec(1, &rec, &tid)) {
            tid2 = tid;
            next(1, &ext, &tid2);
            ++n;
        }
        benchmark::DoNotOptimize(ext);
        records += n;
    }
    state.SetItemsProcessed(records);
}
BENCHMARK(BM_WalkAllExtended)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
