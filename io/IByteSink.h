// Where the bytes of a list go: a file, memory in tests, or a sink that fails on purpose.
#pragma once

#include <cstddef>
#include <string>

class IByteSink {
public:
    virtual ~IByteSink() = default;
    // False when the bytes could not all be written (disk full, I/O error).
    virtual bool Write(const char* data, size_t size) = 0;
    // Flushes and closes; false when anything written was lost.
    virtual bool Close() = 0;
    // Why the last Write or Close failed, for the operator.
    virtual std::string Error() const = 0;
};
