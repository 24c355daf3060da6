// A failed SQLite call, with SQLite's own message.
#pragma once

#include <stdexcept>
#include <string>

class CSqlError : public std::runtime_error {
public:
    explicit CSqlError(const std::string& what) : std::runtime_error(what) {}
};
