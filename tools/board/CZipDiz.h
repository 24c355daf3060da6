// The FILE_ID.DIZ (or DESC.SDI) inside a ZIP archive, read with libzip.
#pragma once

#include <string>

class CZipDiz {
public:
    // A description file larger than this is no description (and no reason to inflate more).
    static constexpr size_t kMaxBytes = 64 * 1024;

    // The raw bytes of the archive's description file, or empty when the archive has none,
    // is damaged or encrypted, or its description file is larger than kMaxBytes. Takes
    // ownership of `fd` (an open, readable regular file) and closes it.
    static std::string Read(int fd);
};
