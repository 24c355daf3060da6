// A file written under a staging name beside its final one and renamed into place only once
// it is complete: a reader never sees half of it, and a failure leaves the old file as it was.
#pragma once

#include <memory>
#include <string>

#include "io/CFileDescriptor.h"
#include "io/IByteSink.h"

class CStagedFile : public IByteSink {
public:
    // Creates the staging file for `path`; null with `error` set when it cannot be made.
    static std::unique_ptr<CStagedFile> Create(const std::string& path, std::string* error);
    ~CStagedFile() override;  // a staging file never put in place is removed
    CStagedFile(const CStagedFile&) = delete;
    CStagedFile& operator=(const CStagedFile&) = delete;

    bool Write(const char* data, size_t size) override;
    // Flushes to disk and closes; the file is not in place yet.
    bool Close() override;
    std::string Error() const override { return m_error; }
    // Closes when still open and renames the file over `path`; false (Error() says why)
    // when anything written was lost or the rename failed.
    bool Commit();

private:
    CStagedFile(CFileDescriptor fd, std::string path, std::string staging)
        : m_fd(std::move(fd)), m_path(std::move(path)), m_staging(std::move(staging)) {}
    void Failed(const std::string& what);

    CFileDescriptor m_fd;
    std::string m_path;
    std::string m_staging;
    std::string m_error;
    bool m_committed = false;
};
