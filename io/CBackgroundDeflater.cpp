#include "io/CBackgroundDeflater.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "io/CFileDescriptor.h"

namespace {
// Chunks waiting for the deflater; the writer waits beyond this, so memory stays bounded.
// Four keep both threads busy; each more is 64 KiB of fresh memory to fault in.
constexpr size_t kMaxWaiting = 4;
constexpr size_t kOutputSize = 1 << 16;
}  // namespace

CBackgroundDeflater::CBackgroundDeflater(std::string path, int level,
                                         std::shared_ptr<CDeflatedData> result)
    : m_path(std::move(path)), m_level(level), m_result(std::move(result)) {
    m_thread = std::thread([this] { Run(); });
}

CBackgroundDeflater::~CBackgroundDeflater() {
    Close();
}

bool CBackgroundDeflater::Write(const char* data, size_t size) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_chunks.size() < kMaxWaiting || m_failed; });
    if (m_failed || m_ending) return false;
    m_chunks.emplace_back(data, size);
    m_changed.notify_all();
    return true;
}

bool CBackgroundDeflater::Close() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed) return !m_failed;
        m_closed = true;
        m_ending = true;
        m_changed.notify_all();
    }
    m_thread.join();
    return !m_failed;
}

std::string CBackgroundDeflater::Error() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error;
}

void CBackgroundDeflater::Run() {
    CFileDescriptor file = CFileDescriptor::CreateTruncated(m_path, O_WRONLY, 0600);
    const int fd = file.Get();
    z_stream stream{};
    bool ok =
        fd >= 0 && deflateInit2(&stream, m_level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    const bool streamOpen = ok;
    std::string why = fd < 0 ? "cannot create " + m_path + ": " + std::strerror(errno) : "";
    std::vector<unsigned char> out(kOutputSize);
    uLong crc = crc32(0L, Z_NULL, 0);

    // Deflates what is in the stream's input (or finishes it) and writes the output.
    auto pump = [&](int flush) {
        int rc;
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            rc = deflate(&stream, flush);
            const size_t n = out.size() - stream.avail_out;
            if (n > 0 && ::write(fd, out.data(), n) != static_cast<ssize_t>(n)) {
                why = "cannot write " + m_path;
                return false;
            }
        } while (stream.avail_out == 0 || (flush == Z_FINISH && rc == Z_OK));
        return flush == Z_FINISH ? rc == Z_STREAM_END : rc == Z_OK || rc == Z_BUF_ERROR;
    };

    for (;;) {
        std::string chunk;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_chunks.empty() || m_ending; });
            if (m_chunks.empty()) break;
            chunk = std::move(m_chunks.front());
            m_chunks.pop_front();
            m_changed.notify_all();
        }
        if (!ok) continue;  // drain, so that the writer never waits on a failed deflater
        crc = crc32_z(crc, reinterpret_cast<const Bytef*>(chunk.data()), chunk.size());
        stream.next_in = reinterpret_cast<Bytef*>(chunk.data());
        stream.avail_in = static_cast<uInt>(chunk.size());
        ok = pump(Z_NO_FLUSH) && stream.avail_in == 0;
    }
    if (ok) ok = pump(Z_FINISH);
    if (ok) {
        m_result->crc = static_cast<uint32_t>(crc);
        m_result->compressedSize = stream.total_out;
        m_result->uncompressedSize = stream.total_in;
        m_result->path = m_path;
    }
    if (streamOpen) deflateEnd(&stream);
    if (file.IsOpen() && !file.Close()) ok = false;
    m_result->valid = ok;

    std::lock_guard<std::mutex> lock(m_mutex);
    if (!ok) {
        m_failed = true;
        m_error = why.empty() ? "deflating " + m_path + " failed" : why;
        m_chunks.clear();
    }
    m_changed.notify_all();
}
