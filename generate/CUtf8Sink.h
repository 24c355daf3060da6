// Passes Windows-1252 bytes on to another sink as UTF-8: the modern pages declare UTF-8,
// while templates and board text are Windows-1252. One byte is one character, so the text
// may be cut anywhere between writes.
#pragma once

#include <memory>
#include <string>

#include "io/IByteSink.h"

class CUtf8Sink : public IByteSink {
public:
    explicit CUtf8Sink(std::unique_ptr<IByteSink> next) : m_next(std::move(next)) {}
    bool Write(const char* data, size_t size) override;
    bool Close() override { return m_next->Close(); }
    std::string Error() const override { return m_next->Error(); }

private:
    std::unique_ptr<IByteSink> m_next;
    std::string m_buffer;
};
