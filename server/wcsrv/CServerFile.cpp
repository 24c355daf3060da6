#include "server/wcsrv/CServerFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "server/wcsrv/CStorageDir.h"
#include "server/wcsrv/CStoragePath.h"

namespace {

std::mutex g_handleMutex;
std::unordered_set<CServerFile*> g_handles;

// FILETIME of 1970-01-01 00:00:00 UTC.
constexpr uint64_t kUnixEpochFileTime = 116444736000000000ull;

}  // namespace

CServerFile::CServerFile(const std::string& storageRoot, const std::string& serverPath) {
    std::vector<std::string> dirs;
    m_name = CStorageDir::SplitFile(serverPath, &dirs);
    m_dir = std::make_unique<CStorageDir>(storageRoot, dirs, true);
    try {
        m_dir->DeadStaging(false, true);  // the leftovers of dead writers; best effort
    } catch (const std::exception&) {
    }
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; m_fd < 0; ++attempt) {
        m_staging = CStoragePath::kTempPrefix + std::to_string(::getpid()) + "-" + m_name + "." +
                    std::to_string(counter.fetch_add(1));
        // 0666 less the umask, as any new file; a replaced file keeps its own mode below.
        m_fd = ::openat(m_dir->Fd(), m_staging.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_fd < 0 && (errno != EEXIST || attempt > 1000))
            throw std::system_error(errno, std::generic_category(),
                                    "cannot create a file for " + serverPath);
    }
    struct stat old {};
    if (::fstatat(m_dir->Fd(), m_name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(old.st_mode))
        ::fchmod(m_fd, old.st_mode & 07777);
    // Whole seconds: the board tool's ISO times carry seconds.
    auto now = static_cast<uint64_t>(std::time(nullptr));
    uint64_t ft = now * 10000000ull + kUnixEpochFileTime;
    m_time = WcFileTime{static_cast<uint32_t>(ft & 0xffffffffu), static_cast<uint32_t>(ft >> 32)};
}

CServerFile::~CServerFile() {
    Discard();
}

bool CServerFile::Failed(const std::string& what) {
    if (m_error.empty()) m_error = what + std::strerror(errno);
    m_failed = true;
    return false;
}

bool CServerFile::Write(const void* buffer, uint32_t length) {
    if (m_fd < 0 || m_failed) return false;
    const char* p = static_cast<const char*>(buffer);
    uint32_t left = length;
    while (left > 0) {
        ssize_t n = ::write(m_fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Failed("");
        if (n == 0) {
            errno = ENOSPC;
            return Failed("");
        }
        p += n;
        left -= static_cast<uint32_t>(n);
        m_size += static_cast<uint64_t>(n);
    }
    return true;
}

bool CServerFile::Commit() {
    if (m_fd < 0) return false;
    bool ok = !m_failed && (fdatasync(m_fd) == 0 || Failed(""));
    ok = (::close(m_fd) == 0 || Failed("")) && ok;
    m_fd = -1;
    if (ok && (::renameat(m_dir->Fd(), m_staging.c_str(), m_dir->Fd(), m_name.c_str()) == 0 ||
               Failed("cannot replace the old file: "))) {
        m_staging.clear();
        return true;
    }
    Discard();
    return false;
}

void CServerFile::Discard() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_staging.empty() && m_dir) ::unlinkat(m_dir->Fd(), m_staging.c_str(), 0);
    m_staging.clear();
}

WcHandle CServerFile::Register(CServerFile* file) {
    std::lock_guard lock(g_handleMutex);
    g_handles.insert(file);
    return file;
}

CServerFile* CServerFile::Take(WcHandle handle) {
    std::lock_guard lock(g_handleMutex);
    auto* file = static_cast<CServerFile*>(handle);
    return g_handles.erase(file) ? file : nullptr;
}

CServerFile* CServerFile::Find(WcHandle handle) {
    std::lock_guard lock(g_handleMutex);
    auto* file = static_cast<CServerFile*>(handle);
    return g_handles.count(file) ? file : nullptr;
}
