// A refused board operation; what() is the one-line text the user sees.
#pragma once

#include <stdexcept>
#include <string>

class CBoardError : public std::runtime_error {
public:
    explicit CBoardError(const std::string& what) : std::runtime_error(what) {}
};
