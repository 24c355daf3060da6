// A failed SQLite call, with SQLite's own message and its primary result code.
#pragma once

#include <stdexcept>
#include <string>

class CSqlError : public std::runtime_error {
public:
    explicit CSqlError(const std::string& what, int code = 0)
        : std::runtime_error(what), m_code(code) {}
    // SQLITE_CORRUPT, SQLITE_BUSY, ...; 0 when no SQLite call gave one.
    int Code() const { return m_code; }

private:
    int m_code;
};
