// The calling thread's last error of the server library, as WcGetLastError reports it. Every
// entry point clears it first, so a 0 with no error set is a clean "no such record" or "no
// more records", and a 0 with an error set is a failure.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

class CWcError {
public:
    static void Clear() { Set(0, {}); }
    static void Set(uint32_t code, std::string text);
    // Sets the error that a caught exception stands for.
    static void SetFrom(std::exception_ptr error);
    static uint32_t Code();
    static const std::string& Text();
};
