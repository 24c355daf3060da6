#include "generate/CTempDir.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
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

namespace {

// Removes the directories that runs no longer running left in `base` ("quorvane.<pid>.*",
// ours only); a live run's are kept.
void RemoveDeadRunDirs(const std::string& base) {
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(base, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        struct stat st {};
        if (!CTempDir::LeftByDeadRun(it->path().filename().string(), "quorvane.", '.') ||
            ::lstat(it->path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
            st.st_uid != ::geteuid())
            continue;
        std::error_code ignored;
        std::filesystem::remove_all(it->path(), ignored);
    }
}

}  // namespace

bool CTempDir::LeftByDeadRun(const std::string& name, const std::string& prefix, char separator) {
    if (name.rfind(prefix, 0) != 0) return false;
    const size_t end = name.find_first_not_of("0123456789", prefix.size());
    if (end == prefix.size() || end == std::string::npos || end - prefix.size() > 9 ||
        name[end] != separator)
        return false;
    const auto pid = static_cast<pid_t>(std::stol(name.substr(prefix.size(), end - prefix.size())));
    // Only "no such process": another user's live process answers EPERM.
    return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

bool CTempDir::Create(std::string* error) {
    const char* env = std::getenv("TMPDIR");
    const std::string base = env && *env ? env : "/tmp";
    RemoveDeadRunDirs(base);
    // The process id in the name tells the next run whether this one still runs.
    std::string tmpl = base + "/quorvane." + std::to_string(::getpid()) + ".XXXXXX";
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
    static const unsigned pid = static_cast<unsigned>(::getpid());  // one system call a run
    for (int attempt = 0; attempt < 65535; ++attempt) {
        const unsigned n = (counter.fetch_add(1) + 1) & 0xFFFF;
        // The process id keeps names apart between runs at once: a message body goes to the
        // board's shared temporary folder under this name.
        char name[48];
        std::snprintf(name, sizeof name, "%s%X-%04X.tmp", prefix, pid, n);
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
