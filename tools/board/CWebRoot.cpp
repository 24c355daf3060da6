#include "tools/board/CWebRoot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "tools/board/CBoardError.h"

namespace {

std::string ReadLink(const std::string& path) {
    std::string target(4096, '\0');
    ssize_t n = readlink(path.c_str(), target.data(), target.size());
    return n < 0 ? std::string() : target.substr(0, static_cast<size_t>(n));
}

// Replaces `link` atomically: a new link under a temporary name, renamed over the old one.
bool Point(const std::string& link, const std::string& target) {
    std::string temp = link + ".qvn-" + std::to_string(getpid());
    unlink(temp.c_str());
    if (symlink(target.c_str(), temp.c_str()) != 0) return false;
    if (rename(temp.c_str(), link.c_str()) == 0) return true;
    unlink(temp.c_str());
    return false;
}

}  // namespace

void CWebRoot::Link(long long area, const std::string& folder) {
    std::string dir = m_root + "/file";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec)
        throw CBoardError("cannot make " + dir + " for the links to the areas: " + ec.message());
    std::string link = dir + "/area" + std::to_string(area);
    struct stat st {};
    std::string old;
    if (lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            throw CBoardError(link + " exists and is not a symbolic link (move it away; the " +
                              "scan links each area's folder there)");
        old = ReadLink(link);
        if (old == folder) return;
    }
    if (!Point(link, folder))
        throw CBoardError("cannot link " + link + " to " + folder + ": " + std::strerror(errno));
    m_changes.push_back({link, old});
}

void CWebRoot::Undo() noexcept {
    for (auto it = m_changes.rbegin(); it != m_changes.rend(); ++it) {
        if (it->oldTarget.empty())
            unlink(it->link.c_str());
        else
            Point(it->link, it->oldTarget);
    }
    m_changes.clear();
}
