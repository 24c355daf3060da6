#include "tools/board/CZipDiz.h"

#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <memory>

namespace {

struct ArchiveCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct EntryCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

}  // namespace

std::string CZipDiz::Read(int fd) {
    int error = 0;
    std::unique_ptr<zip_t, ArchiveCloser> archive(zip_fdopen(fd, ZIP_RDONLY, &error));
    if (!archive) {
        close(fd);  // libzip keeps the descriptor only when it opens the archive
        return {};
    }
    for (const char* name : {"FILE_ID.DIZ", "DESC.SDI"}) {
        zip_int64_t index = zip_name_locate(archive.get(), name, ZIP_FL_NOCASE);
        if (index < 0) continue;
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(index), 0, &st) != 0) return {};
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            return {};
        if ((st.valid & ZIP_STAT_SIZE) && st.size > kMaxBytes) return {};
        std::unique_ptr<zip_file_t, EntryCloser> entry(
            zip_fopen_index(archive.get(), static_cast<zip_uint64_t>(index), 0));
        if (!entry) return {};
        // The stored size may lie: keep reading, up to one byte more than allowed.
        std::string bytes((st.valid & ZIP_STAT_SIZE) ? st.size + 1 : 4096, '\0');
        size_t have = 0;
        for (;;) {
            if (have == bytes.size()) {
                if (have > kMaxBytes) break;
                bytes.resize(std::min(2 * have, kMaxBytes + 1));
            }
            zip_int64_t n = zip_fread(entry.get(), bytes.data() + have, bytes.size() - have);
            if (n < 0) return {};
            if (n == 0) break;
            have += static_cast<size_t>(n);
        }
        if (have > kMaxBytes) return {};
        bytes.resize(have);
        return bytes;
    }
    return {};
}
