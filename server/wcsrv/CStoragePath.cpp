#include "server/wcsrv/CStoragePath.h"

#include <strings.h>

std::string CStoragePath::ToLocal(const std::string& storageRoot, const std::string& serverPath,
                                  bool directory) {
    std::string local = storageRoot;
    for (const auto& p : Parts(serverPath, directory)) local += "/" + p;
    return local;
}

std::vector<std::string> CStoragePath::Parts(const std::string& serverPath, bool directory) {
    if (serverPath.size() < 4 || strncasecmp(serverPath.c_str(), "wc:\\", 4) != 0)
        throw CStoragePathError("not a server path (must begin with wc:\\): " + serverPath);
    std::vector<std::string> parts;
    std::string part;
    auto flush = [&] {
        if (part.empty()) return;  // doubled separators are harmless
        if (part == "." || part == ".." || part.find(':') != std::string::npos ||
            part.rfind(kTempPrefix, 0) == 0)
            throw CStoragePathError("server path leaves the board's storage: " + serverPath);
        parts.push_back(part);
        part.clear();
    };
    for (size_t i = 4; i < serverPath.size(); ++i) {
        char c = serverPath[i];
        if (c == '\0') throw CStoragePathError("server path holds a NUL byte");
        if (c == '\\' || c == '/') {
            flush();
        } else {
            part += c;
        }
    }
    bool endsInSeparator = serverPath.back() == '\\' || serverPath.back() == '/';
    flush();
    if (!directory && (parts.empty() || endsInSeparator))
        throw CStoragePathError("server path names no file: " + serverPath);
    return parts;
}

std::string CStoragePath::ToServer(const std::string& relative) {
    std::string out = "wc:\\";
    for (char c : relative) out += (c == '/') ? '\\' : c;
    return out;
}
