#include "server/wcsrv/CServerFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "server/wcsrv/CStoragePath.h"

namespace {

std::mutex g_handleMutex;
std::unordered_set<CServerFile*> g_handles;

// FILETIME of 1970-01-01 00:00:00 UTC.
constexpr uint64_t kUnixEpochFileTime = 116444736000000000ull;

}  // namespace

CServerFile::CServerFile(const std::string& localPath) : m_path(localPath) {
    auto slash = localPath.rfind('/');
    std::string dir = localPath.substr(0, slash);
    std::filesystem::create_directories(dir);
    std::string tmpl =
        dir + "/" + CStoragePath::kTempPrefix + localPath.substr(slash + 1) + ".XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    m_fd = mkstemp(buf.data());
    if (m_fd < 0) throw std::system_error(errno, std::generic_category(), tmpl);
    m_tempPath = buf.data();
    fchmod(m_fd, 0644);
    // Whole seconds: the board tool's ISO times carry seconds.
    auto now = static_cast<uint64_t>(std::time(nullptr));
    uint64_t ft = now * 10000000ull + kUnixEpochFileTime;
    m_time = WcFileTime{static_cast<uint32_t>(ft & 0xffffffffu), static_cast<uint32_t>(ft >> 32)};
}

CServerFile::~CServerFile() {
    Discard();
}

bool CServerFile::Write(const void* buffer, uint32_t length) {
    if (m_fd < 0 || m_failed) return false;
    const char* p = static_cast<const char*>(buffer);
    uint32_t left = length;
    while (left > 0) {
        ssize_t n = ::write(m_fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            m_failed = true;
            return false;
        }
        p += n;
        left -= static_cast<uint32_t>(n);
        m_size += static_cast<uint64_t>(n);
    }
    return true;
}

bool CServerFile::Commit() {
    if (m_fd < 0) return false;
    bool ok = !m_failed && fdatasync(m_fd) == 0;
    ok = (::close(m_fd) == 0) && ok;
    m_fd = -1;
    if (ok && std::rename(m_tempPath.c_str(), m_path.c_str()) == 0) {
        m_tempPath.clear();
        return true;
    }
    Discard();
    return false;
}

void CServerFile::Discard() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_tempPath.empty()) ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
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
