#include "io/CStagedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

std::unique_ptr<CStagedFile> CStagedFile::Create(const std::string& path, std::string* error) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    // Hidden, and named after the process so that a leftover of a dead run can be told.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string staging =
            dir + ".qvn-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp";
        CFileDescriptor fd(staging, O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd.IsOpen()) {
            // A replaced file keeps its mode; a new one follows the umask.
            struct stat old {};
            if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode))
                ::fchmod(fd.Get(), old.st_mode & 07777);
            return std::unique_ptr<CStagedFile>(
                new CStagedFile(std::move(fd), path, std::move(staging)));
        }
        if (errno != EEXIST) break;
    }
    if (error) *error = "cannot create " + path + ": " + std::strerror(errno);
    return nullptr;
}

CStagedFile::~CStagedFile() {
    if (!m_committed) ::unlink(m_staging.c_str());
}

void CStagedFile::Failed(const std::string& what) {
    if (m_error.empty()) m_error = what + " " + m_path + ": " + std::strerror(errno);
}

bool CStagedFile::Write(const char* data, size_t size) {
    if (!m_fd.IsOpen() || !m_error.empty()) return false;
    if (!m_fd.WriteAll(data, size)) Failed("cannot write");
    return m_error.empty();
}

bool CStagedFile::Close() {
    if (!m_fd.IsOpen()) return m_error.empty();
    if (::fsync(m_fd.Get()) != 0) Failed("cannot write");
    if (!m_fd.Close()) Failed("cannot write");
    return m_error.empty();
}

bool CStagedFile::Commit() {
    if (!Close()) return false;
    if (m_committed) return true;
    if (::rename(m_staging.c_str(), m_path.c_str()) != 0) {
        Failed("cannot replace");
        return false;
    }
    m_committed = true;
    return true;
}
