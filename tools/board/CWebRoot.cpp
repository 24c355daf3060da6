#include "tools/board/CWebRoot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "tools/board/CBoardError.h"

namespace fs = std::filesystem;

namespace {

// A folder this class made holds symbolic links only; an older scan made a single link.
bool IsOurs(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    if (S_ISLNK(st.st_mode)) return true;
    if (!S_ISDIR(st.st_mode)) return false;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(path, ec))
        if (!e.is_symlink(ec)) return false;
    return !ec;
}

}  // namespace

CWebRoot::~CWebRoot() {
    std::error_code ec;
    for (const auto& staged : m_staged) fs::remove_all(staged.first, ec);
}

void CWebRoot::Stage(long long area,
                     const std::vector<std::pair<std::string, std::string>>& links) {
    const std::string dir = m_root + "/file";
    const std::string final = dir + "/area" + std::to_string(area);
    if (!IsOurs(final))
        throw CBoardError(final + " holds something other than the links a scan makes (move " +
                          "it away; the scan keeps a folder of links to the area's files there)");
    const std::string temp =
        dir + "/.area" + std::to_string(area) + ".new-" + std::to_string(getpid());
    std::error_code ec;
    fs::create_directories(dir, ec);
    fs::remove_all(temp, ec);
    if (ec || !fs::create_directory(temp, ec) || ec)
        throw CBoardError("cannot make " + temp + " for the web root: " + ec.message());
    m_staged.emplace_back(temp, final);
    for (const auto& [name, target] : links) {
        const std::string link = temp + "/" + name;
        if (symlink(target.c_str(), link.c_str()) != 0)
            throw CBoardError("cannot make the link " + link + ": " + std::strerror(errno));
    }
}

void CWebRoot::Publish() {
    std::error_code ec;
    for (auto it = m_staged.begin(); it != m_staged.end(); it = m_staged.erase(it)) {
        const std::string old = it->second + ".old-" + std::to_string(getpid());
        const bool had = fs::symlink_status(it->second, ec).type() != fs::file_type::not_found;
        if ((had && rename(it->second.c_str(), old.c_str()) != 0) ||
            rename(it->first.c_str(), it->second.c_str()) != 0)
            throw CBoardError("cannot put the links of " + it->second +
                              " in place: " + std::strerror(errno));
        if (had) fs::remove_all(old, ec);  // links only: nothing they point at is touched
    }
}
