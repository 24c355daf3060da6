// A server file being written: the bytes go to a temporary file beside the target, which is
// renamed into place on a successful close, so readers never see half a file and a failed copy
// leaves the old file as it was.
#pragma once

#include <cstdint>
#include <string>

#include "server/WcServer.h"

class CServerFile {
public:
    // Creates the temporary file (and missing directories); throws std::system_error.
    explicit CServerFile(const std::string& localPath);
    ~CServerFile();  // an unclosed file is abandoned: its temporary file is removed
    CServerFile(const CServerFile&) = delete;
    CServerFile& operator=(const CServerFile&) = delete;

    bool Write(const void* buffer, uint32_t length);
    // Renames into place; false (and nothing replaced) when any write or the close failed.
    bool Commit();

    uint64_t Size() const { return m_size; }
    WcFileTime Time() const { return m_time; }

    // The handle registry: only handles handed out and not yet closed are accepted.
    static WcHandle Register(CServerFile* file);
    static CServerFile* Take(WcHandle handle);  // removes it from the registry
    static CServerFile* Find(WcHandle handle);

private:
    void Discard();

    std::string m_path;
    std::string m_tempPath;
    int m_fd = -1;
    uint64_t m_size = 0;
    WcFileTime m_time{};
    bool m_failed = false;
};
