// The floors a generation run is measured against, each timed in this process:
//   read BOARD               walk every file record through the server libraries as the
//                            run's cursor does (basic, extended and, where there is one, the
//                            long description) and touch every field
//   write DIR BYTES          write BYTES bytes to a file in DIR (write and close, no fsync)
//   deflate FILE             raw deflate at level 9 and CRC-32 of FILE's bytes
//   diz LIST                 read the FILE_ID.DIZ of every ZIP archive named in LIST (one path
//                            a line) with libzip, the least a scan of those archives must do
//   top BOARD N LIST         check that LIST holds the N most downloaded files of BOARD, most
//                            downloads first (distinct counts: the order is then unique)
// Each timing prints "<what> <wall seconds> <CPU seconds>" on stdout. The board is chosen by its
// directory.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#include <zlib.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "server/WcServer.h"
#include "tools/board/CZipDiz.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// CPU time of this process, user and system: less disturbed than wall time by a busy machine.
double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

std::string ProgramDir() {
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path(exe, n > 0 ? static_cast<size_t>(n) : 0);
    return path.substr(0, path.rfind('/'));
}

struct CWalker {
    WcSearchExtFn searchExt = nullptr;
    WcNextExtFn nextExt = nullptr;

    explicit CWalker(const char* board) {
        setenv("QUORVANE_BOARD", board, 1);
        if (!WildcatServerConnect(nullptr) || !WildcatServerCreateContext() || !LoginSystem()) {
            std::fprintf(stderr, "cannot log in to the board %s: is it a board directory?\n",
                         board);
            std::exit(2);
        }
        if (void* lib = dlopen((ProgramDir() + "/libwcsrv2.so").c_str(), RTLD_NOW | RTLD_LOCAL)) {
            searchExt = reinterpret_cast<WcSearchExtFn>(dlsym(lib, "SearchFileRecByAreaName"));
            nextExt = reinterpret_cast<WcNextExtFn>(dlsym(lib, "GetNextFileRec"));
        }
    }
    ~CWalker() {
        LogoutUser();
        WildcatServerDeleteContext();
    }

    // Calls `visit` (basic, extended or null, full or null) for every record in key order.
    template <class Visit>
    size_t Walk(Visit visit) {
        WcFileRecord rec;
        WcExtFileRecord ext;
        WcFullFileRecord full;
        uint32_t tid = 0, tid2 = 0;
        if (!SearchFileRecByAreaName(0, "", &rec, &tid)) return 0;
        bool haveExt = searchExt && searchExt(0, "", &ext, &tid2);
        size_t n = 0;
        do {
            const WcFullFileRecord* pFull = nullptr;
            if (rec.dwHasLongDesc) {
                GetFullFileRec(&rec, &full);
                pFull = &full;
            }
            visit(rec, haveExt ? &ext : nullptr, pFull);
            ++n;
            if (!GetNextFileRec(1, &rec, &tid)) break;
            tid2 = tid;
            haveExt = nextExt && nextExt(1, &ext, &tid2);
        } while (true);
        return n;
    }
};

uint64_t TouchText(const char* p, size_t room) {
    return strnlen(p, room);
}

int Read(const char* board) {
    const auto start = Clock::now();
    const double cpu = CpuSeconds();
    CWalker walker(board);
    uint64_t sum = 0;
    const size_t n = walker.Walk(
        [&sum](const WcFileRecord& r, const WcExtFileRecord* e, const WcFullFileRecord* f) {
            sum += r.dwArea + r.dwFileSize + r.dwFree + r.dwFailedScan + r.dwDownloads +
                   r.ftUploaded.dwLowDateTime + r.ftLastDownload.dwLowDateTime;
            sum += TouchText(r.szName, sizeof r.szName) +
                   TouchText(r.szDescription, sizeof r.szDescription) +
                   TouchText(r.szPassword, sizeof r.szPassword) +
                   TouchText(r.szUploader, sizeof r.szUploader);
            if (e) sum += TouchText(e->szLongName, sizeof e->szLongName);
            if (f)
                for (const auto& line : f->szLongDesc) sum += TouchText(line, WC_LONGDESC_WIDTH);
        });
    benchmark::DoNotOptimize(sum);
    std::printf("read %.3f %.3f\nrecords %zu\n", Seconds(start), CpuSeconds() - cpu, n);
    return n > 0 ? 0 : 1;
}

int Write(const char* dir, const char* bytesText) {
    const uint64_t total = std::strtoull(bytesText, nullptr, 10);
    const std::string path = std::string(dir) + "/qv-floor-write.tmp";
    std::vector<char> chunk(1 << 16, 'x');
    const auto start = Clock::now();
    const double cpu = CpuSeconds();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        std::perror(path.c_str());
        return 1;
    }
    for (uint64_t left = total; left > 0;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(left, chunk.size()));
        if (::write(fd, chunk.data(), n) != static_cast<ssize_t>(n)) {
            std::perror(path.c_str());
            return 1;
        }
        left -= n;
    }
    ::close(fd);
    std::printf("write %.3f %.3f\n", Seconds(start), CpuSeconds() - cpu);
    ::unlink(path.c_str());
    return 0;
}

int Diz(const char* listFile) {
    std::ifstream in(listFile);
    std::vector<std::string> paths;
    for (std::string line; std::getline(in, line);) paths.push_back(line);
    const auto start = Clock::now();
    const double cpu = CpuSeconds();
    size_t bytes = 0, found = 0;
    for (const std::string& path : paths) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        const std::string diz = CZipDiz::Read(fd);
        bytes += diz.size();
        found += !diz.empty();
    }
    std::printf("diz %.3f %.3f\ndizzes %zu %zu\n", Seconds(start), CpuSeconds() - cpu, found,
                bytes);
    return found > 0 ? 0 : 1;
}

int Deflate(const char* file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<unsigned char> out(1 << 16);
    const auto start = Clock::now();
    const double cpu = CpuSeconds();
    z_stream s{};
    deflateInit2(&s, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    s.next_in = reinterpret_cast<Bytef*>(bytes.data());
    s.avail_in = static_cast<uInt>(bytes.size());
    int rc;
    do {
        s.next_out = out.data();
        s.avail_out = static_cast<uInt>(out.size());
        rc = deflate(&s, Z_FINISH);
    } while (rc == Z_OK);
    const uLong crc =
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
    deflateEnd(&s);
    benchmark::DoNotOptimize(crc);
    std::printf("deflate %.3f %.3f\ndeflated %zu %lu\n", Seconds(start), CpuSeconds() - cpu,
                bytes.size(), s.total_out);
    return rc == Z_STREAM_END ? 0 : 1;
}

int Top(const char* board, int n, const char* listFile) {
    struct Item {
        uint32_t downloads;
        std::string name;
    };
    std::vector<Item> items;
    {
        CWalker walker(board);
        walker.Walk(
            [&items](const WcFileRecord& r, const WcExtFileRecord* e, const WcFullFileRecord*) {
                items.push_back(
                    {r.dwDownloads,
                     e ? std::string(e->szLongName, strnlen(e->szLongName, sizeof e->szLongName))
                       : std::string(r.szName, strnlen(r.szName, 16))});
            });
    }
    // Walk order decides among equal counts: the file met first keeps its place.
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return a.downloads > b.downloads; });
    if (items.size() > static_cast<size_t>(n)) items.resize(static_cast<size_t>(n));
    std::ifstream in(listFile, std::ios::binary);
    const std::string list((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = 0;
    for (size_t k = 0; k < items.size(); ++k) {
        // Text lists show the first 12 characters of a name.
        const std::string shown = items[k].name.substr(0, 12);
        const size_t found = list.find(shown, at);
        if (found == std::string::npos) {
            std::printf("top mismatch: rank %zu, %s (%u downloads) not found in order\n", k + 1,
                        items[k].name.c_str(), items[k].downloads);
            return 1;
        }
        at = found + shown.size();
    }
    std::printf("top ok %zu\n", items.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "read" && argc == 3) return Read(argv[2]);
    if (what == "write" && argc == 4) return Write(argv[2], argv[3]);
    if (what == "deflate" && argc == 3) return Deflate(argv[2]);
    if (what == "diz" && argc == 3) return Diz(argv[2]);
    if (what == "top" && argc == 5) return Top(argv[2], std::atoi(argv[3]), argv[4]);
    std::fprintf(stderr,
                 "usage: BenchFloors read BOARD | write DIR BYTES | deflate FILE | diz LIST | "
                 "top BOARD N LISTFILE\n");
    return 2;
}
