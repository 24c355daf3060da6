// A byte sink that keeps everything in memory; tests compare its bytes.
#pragma once

#include <string>

#include "io/IByteSink.h"

class CMemorySink : public IByteSink {
public:
    explicit CMemorySink(std::string* out) : m_out(out) {}
    bool Write(const char* data, size_t size) override {
        m_out->append(data, size);
        return true;
    }
    bool Close() override { return true; }
    std::string Error() const override { return {}; }

private:
    std::string* m_out;
};
