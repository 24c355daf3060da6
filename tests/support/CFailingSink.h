// A byte sink that accepts `limit` bytes and then fails, as a full disk would.
#pragma once

#include <string>

#include "io/IByteSink.h"

class CFailingSink : public IByteSink {
public:
    CFailingSink(size_t limit, std::string* out = nullptr) : m_limit(limit), m_out(out) {}
    bool Write(const char* data, size_t size) override {
        const size_t room = m_written < m_limit ? m_limit - m_written : 0;
        const size_t n = size < room ? size : room;
        if (m_out) m_out->append(data, n);
        m_written += n;
        return n == size;
    }
    bool Close() override { return m_written <= m_limit; }
    std::string Error() const override { return "No space left on device (test)"; }

private:
    size_t m_limit;
    std::string* m_out;
    size_t m_written = 0;
};
