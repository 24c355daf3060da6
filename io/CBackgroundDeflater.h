// Deflates a list's bytes on a second thread while the list is being written, so that an
// internal ZIP of the list costs no time after the walk. The raw deflate stream (level 9,
// as the ZIP writer would make it) goes to a file beside the list; the ZIP writer copies it
// instead of compressing the list again.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "io/IByteSink.h"

// The result: valid only when every byte of the list went through and the stream finished.
struct CDeflatedData {
    bool valid = false;
    std::string path;  // the raw deflate stream
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
};

class CBackgroundDeflater : public IByteSink {
public:
    // Writes the stream to `path`; `result` is filled when the sink is closed.
    CBackgroundDeflater(std::string path, int level, std::shared_ptr<CDeflatedData> result);
    ~CBackgroundDeflater() override;

    bool Write(const char* data, size_t size) override;
    bool Close() override;
    std::string Error() const override;

private:
    void Run();

    std::string m_path;
    int m_level;
    std::shared_ptr<CDeflatedData> m_result;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::string> m_chunks;
    bool m_ending = false;
    bool m_failed = false;
    bool m_closed = false;
    std::string m_error;
};
