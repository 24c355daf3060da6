#include "generate/CTempDir.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

CTempDir::~CTempDir() {
    if (m_path.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

bool CTempDir::Create(std::string* error) {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/quorvane.XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) {
        if (error)
            *error = "cannot create a temporary directory in " + tmpl + ": " + std::strerror(errno);
        return false;
    }
    m_path = std::string(buf.data()) + "/";
    return true;
}

std::string CTempDir::UniqueFile(const std::string& dir, const char* prefix) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 65535; ++attempt) {
        const unsigned n = (counter.fetch_add(1) + 1) & 0xFFFF;
        // The process id keeps names apart between runs at once: a message body goes to the
        // board's shared temporary folder under this name.
        char name[48];
        std::snprintf(name, sizeof name, "%s%X-%04X.tmp", prefix, static_cast<unsigned>(getpid()),
                      n);
        const std::string path = dir + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) return {};
    }
    return {};
}
