#include "server/wcsrv/CStorageDir.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <system_error>
#include <utility>

#include "server/wcsrv/CStoragePath.h"

namespace {

[[noreturn]] void Throw(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

bool IsLink(int dirFd, const std::string& name) {
    struct stat st {};
    return ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
}

// Why opening `name` in `dirFd` (at `path`) failed with `saved`; a link is refused as such.
[[noreturn]] void OpenFailed(int dirFd, const std::string& name, const std::string& path,
                             int saved) {
    if (IsLink(dirFd, name))
        throw CStoragePathError(path +
                                " is a symbolic link; links in the board's storage are "
                                "refused");
    if (saved == ENOTDIR) throw CStoragePathError(path + " is not a directory");
    errno = saved;
    Throw("cannot open " + path);
}

// A subdirectory of `dirFd`, never through a link.
int OpenSubdir(int dirFd, const std::string& name, const std::string& path) {
    const int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) OpenFailed(dirFd, name, path, errno);
    return fd;
}

// Calls `each` with every name in the directory `fd` (not "." and "..").
template <class F>
void ForEachName(int fd, const std::string& path, F&& each) {
    const int copy = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!dir) {
        if (copy >= 0) ::close(copy);
        Throw("cannot list " + path);
    }
    std::unique_ptr<DIR, int (*)(DIR*)> closer(dir, ::closedir);
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") each(name);
    }
}

}  // namespace

CStorageDir::CStorageDir(const std::string& root, const std::vector<std::string>& parts,
                         bool create)
    : m_path(root) {
    // storage/ itself may be a link the operator set up; only what lies below it is checked.
    if (create) ::mkdir(root.c_str(), 0777);
    m_fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0) Throw(root);
    for (const std::string& part : parts) {
        m_path += "/" + part;
        if (create && ::mkdirat(m_fd, part.c_str(), 0777) != 0 && errno != EEXIST) {
            const int saved = errno;
            ::close(m_fd);
            errno = saved;
            Throw("cannot create " + m_path);
        }
        int next = -1;
        try {
            next = OpenSubdir(m_fd, part, m_path);
        } catch (...) {
            ::close(m_fd);
            throw;
        }
        ::close(m_fd);
        m_fd = next;
    }
}

CStorageDir::~CStorageDir() {
    if (m_fd >= 0) ::close(m_fd);
}

std::string CStorageDir::Read(const std::string& name) const {
    const std::string path = m_path + "/" + name;
    // Non-blocking, so that opening a FIFO returns at once and can be refused.
    const int fd = ::openat(m_fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) OpenFailed(m_fd, name, path, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) Throw("cannot read " + path);
    if (!S_ISREG(st.st_mode))
        throw CStoragePathError(path +
                                " is not a regular file (a FIFO, device or directory); "
                                "remove it from the board's storage");
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::string bytes;
    bytes.reserve(static_cast<size_t>(st.st_size));
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Throw("cannot read " + path);
        if (n == 0) return bytes;
        bytes.append(buffer, static_cast<size_t>(n));
    }
}

std::string CStorageDir::ReadFile(const std::string& root, const std::string& serverPath) {
    std::vector<std::string> dirs;
    const std::string name = SplitFile(serverPath, &dirs);
    return CStorageDir(root, dirs, false).Read(name);
}

std::string CStorageDir::SplitFile(const std::string& serverPath, std::vector<std::string>* dirs) {
    *dirs = CStoragePath::Parts(serverPath);
    std::string name = std::move(dirs->back());
    dirs->pop_back();
    return name;
}

void CStorageDir::List(const std::function<void(const std::string&, uint64_t)>& found) const {
    ForEachName(m_fd, m_path, [&](const std::string& name) {
        struct stat st {};
        if (::fstatat(m_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return;  // gone
        if (S_ISDIR(st.st_mode)) {
            CStorageDir sub(OpenSubdir(m_fd, name, m_path + "/" + name));
            sub.m_path = m_path + "/" + name;
            sub.List([&](const std::string& rel, uint64_t size) { found(name + "/" + rel, size); });
        } else if (S_ISREG(st.st_mode) && name.rfind(CStoragePath::kTempPrefix, 0) != 0) {
            found(name, static_cast<uint64_t>(st.st_size));
        }
    });
}

std::vector<std::string> CStorageDir::DeadStaging(bool recursive, bool remove) const {
    std::vector<std::string> dead;
    ForEachName(m_fd, m_path, [&](const std::string& name) {
        struct stat st {};
        if (::fstatat(m_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return;
        if (recursive && S_ISDIR(st.st_mode)) {
            CStorageDir sub(OpenSubdir(m_fd, name, m_path + "/" + name));
            sub.m_path = m_path + "/" + name;
            for (const std::string& rel : sub.DeadStaging(true, remove))
                dead.push_back(name + "/" + rel);
            return;
        }
        const pid_t owner = StagingOwner(name, CStoragePath::kTempPrefix);
        if (!S_ISREG(st.st_mode) || owner == 0 || Running(owner)) return;
        if (remove) ::unlinkat(m_fd, name.c_str(), 0);
        dead.push_back(name);
    });
    return dead;
}

pid_t CStorageDir::StagingOwner(const std::string& name, const std::string& prefix) {
    if (name.rfind(prefix, 0) != 0) return 0;
    pid_t pid = 0;
    size_t i = prefix.size();
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && pid < 100000000; ++i)
        pid = pid * 10 + (name[i] - '0');
    return i < name.size() && name[i] == '-' ? pid : 0;
}

bool CStorageDir::Running(pid_t pid) {
    // Our own process always runs; EPERM means another user's live process.
    return pid == ::getpid() || ::kill(pid, 0) == 0 || errno == EPERM;
}
