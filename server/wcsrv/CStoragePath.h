// Server paths ("wc:\bull\X.TXT", "WC:\TEMP\Y") and the files under a board's storage/ that
// they name. Anything that could leave storage/ is refused.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

class CStoragePathError : public std::invalid_argument {
public:
    explicit CStoragePathError(const std::string& what) : std::invalid_argument(what) {}
};

class CStoragePath {
public:
    // The local path under `storageRoot` (no trailing '/'). A directory path may end in a
    // separator or be just "wc:\"; a file path must name a file. Throws CStoragePathError.
    static std::string ToLocal(const std::string& storageRoot, const std::string& serverPath,
                               bool directory = false);
    // The components of a server path below storage/ (checked as ToLocal does).
    static std::vector<std::string> Parts(const std::string& serverPath, bool directory = false);
    // "wc:\" + a path relative to storage/ with '\' separators.
    static std::string ToServer(const std::string& relative);
    // Prefix of the temporary files that a server file is written to before it appears.
    static constexpr const char* kTempPrefix = ".wctmp-";
};
