// Writes to a primary sink and also hands the bytes to a secondary one. Only the primary's
// failures count: the secondary (a background deflater) is a help that may give up.
#pragma once

#include <memory>

#include "io/IByteSink.h"

class CTeeSink : public IByteSink {
public:
    CTeeSink(std::unique_ptr<IByteSink> primary, std::unique_ptr<IByteSink> secondary)
        : m_primary(std::move(primary)), m_secondary(std::move(secondary)) {}

    bool Write(const char* data, size_t size) override {
        if (m_secondary && !m_secondary->Write(data, size)) m_secondary.reset();
        return m_primary->Write(data, size);
    }
    bool Close() override {
        if (m_secondary) m_secondary->Close();
        return m_primary->Close();
    }
    std::string Error() const override { return m_primary->Error(); }

private:
    std::unique_ptr<IByteSink> m_primary;
    std::unique_ptr<IByteSink> m_secondary;
};
