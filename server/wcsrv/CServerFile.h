// A server file being written: the bytes go to a staging file beside the target, which is
// renamed into place on a successful close, so readers never see half a file and a failed copy
// leaves the old file as it was. The staging name carries the process id, so that the next
// writer in the directory can remove what a dead process left and keep a live one's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "server/WcServer.h"

class CStorageDir;

class CServerFile {
public:
    // Creates the staging file (and missing directories, never through a link); throws
    // CStoragePathError or std::system_error.
    CServerFile(const std::string& storageRoot, const std::string& serverPath);
    ~CServerFile();  // an unclosed file is abandoned: its staging file is removed
    CServerFile(const CServerFile&) = delete;
    CServerFile& operator=(const CServerFile&) = delete;

    bool Write(const void* buffer, uint32_t length);
    // Renames into place; false (and nothing replaced) when any write or the close failed,
    // with the reason ("No space left on device") in Error().
    bool Commit();

    uint64_t Size() const { return m_size; }
    WcFileTime Time() const { return m_time; }
    const std::string& Error() const { return m_error; }

    // The handle registry: only handles handed out and not yet closed are accepted.
    static WcHandle Register(CServerFile* file);
    static CServerFile* Take(WcHandle handle);  // removes it from the registry
    static CServerFile* Find(WcHandle handle);

private:
    void Discard();
    bool Failed(const std::string& what);

    std::unique_ptr<CStorageDir> m_dir;
    std::string m_name;     // in m_dir
    std::string m_staging;  // in m_dir
    int m_fd = -1;
    uint64_t m_size = 0;
    WcFileTime m_time{};
    bool m_failed = false;
    std::string m_error;
};
