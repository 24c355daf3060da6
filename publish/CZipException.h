// The error type of the ZIP writer: a zlib failure or an entry the format cannot hold.
#pragma once

#include <stdexcept>
#include <string>

class CZipException : public std::runtime_error {
public:
    enum {
        GENERIC = 1,         // any zlib result not listed below
        STREAM_END = 2,      // Z_STREAM_END where it is not expected
        NEED_DICT = 3,       // Z_NEED_DICT
        ERRNO_ERROR = 4,     // Z_ERRNO
        STREAM_ERROR = 5,    // Z_STREAM_ERROR
        DATA_ERROR = 6,      // Z_DATA_ERROR
        MEM_ERROR = 7,       // Z_MEM_ERROR
        BUF_ERROR = 8,       // Z_BUF_ERROR
        VERSION_ERROR = 9,   // Z_VERSION_ERROR
        NAME_TOO_LONG = 16,  // entry name longer than 65,535 bytes
        TOO_LARGE = 17,      // a size or offset beyond 4 GiB (no ZIP64 here)
    };

    CZipException(int code, std::string archivePath);

    int Code() const { return m_nCode; }
    const std::string& ArchivePath() const { return m_strPath; }

    // The code for a zlib result (Z_OK maps to GENERIC: callers only ask for failures).
    static int CodeFromZlib(int zlibResult);

private:
    int m_nCode;
    std::string m_strPath;
};
