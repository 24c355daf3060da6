// W/file/area<N>: a folder of symbolic links, one to each file of the area that the scan
// took, so that a web server serving W serves the lists' HTTP links (/file/area<N>/<name>)
// and nothing else of the tree: no link out of it, no hidden or skipped file. Each area's
// folder is made beside the old one and swapped in only after the board is written.
#pragma once

#include <string>
#include <utility>
#include <vector>

class CWebRoot {
public:
    explicit CWebRoot(std::string root) : m_root(std::move(root)) {}
    ~CWebRoot();  // removes folders made but not swapped in
    CWebRoot(const CWebRoot&) = delete;
    CWebRoot& operator=(const CWebRoot&) = delete;

    // Makes the new folder of links for an area: (name in the folder, absolute target).
    // Throws CBoardError when W/file/area<N> is something other than such a folder.
    void Stage(long long area, const std::vector<std::pair<std::string, std::string>>& links);
    // Swaps every staged folder in; throws CBoardError naming the first one that failed.
    void Publish();

private:
    std::string m_root;
    std::vector<std::pair<std::string, std::string>> m_staged;  // (new folder, final name)
};
