// The configuration as JSON: the keys of the members without "m_" and type prefix, text in
// UTF-8 (Windows-1252 in the file).
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "config/CConfig.h"

class CConfigJson {
public:
    static nlohmann::ordered_json ToJson(const CConfig& config);
    // Builds `config` from `json`; keys missing from a list take the defaults of a new list
    // definition. False with a one-line `error` naming the key when a key is unknown, a value
    // has the wrong type or range, or a text holds a character Windows-1252 cannot hold;
    // `config` is then untouched.
    static bool FromJson(const nlohmann::json& json, CConfig* config, std::string* error);
    // FromJson from JSON text. Text that is not JSON, nests deeper than a configuration
    // does or holds a number no JSON number type can hold is refused the same way.
    static bool FromText(const std::string& text, CConfig* config, std::string* error);
};
