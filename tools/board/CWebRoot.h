// W/file/area<N>: symbolic links from a web server's root to the areas' folders, so that the
// lists' HTTP links (/file/area<N>/<name>) reach the files. Changes can be undone, so that a
// scan that fails after making them leaves the web root as it was.
#pragma once

#include <string>
#include <vector>

class CWebRoot {
public:
    explicit CWebRoot(std::string root) : m_root(std::move(root)) {}
    ~CWebRoot() = default;
    CWebRoot(const CWebRoot&) = delete;
    CWebRoot& operator=(const CWebRoot&) = delete;

    // Points W/file/area<N> at `folder` (an absolute path); throws CBoardError when that
    // name is taken by something other than a symbolic link.
    void Link(long long area, const std::string& folder);
    // Puts back every link changed since construction.
    void Undo() noexcept;

private:
    struct Change {
        std::string link;
        std::string oldTarget;  // "" = there was no link
    };
    std::string m_root;
    std::vector<Change> m_changes;
};
