// One import of board JSON into an open board: checked field by field, written in a single
// transaction, so bad input leaves the board as it was.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

class CSqlDatabase;

class CBoardImport {
public:
    CBoardImport(CSqlDatabase& db, std::string source);
    void Run(const std::string& jsonText);

private:
    using Json = nlohmann::json;

    void Settings(const Json& settings);
    void Numbered(const Json& list, const char* key);
    void Areas(const Json& list);
    void Users(const Json& list);
    void Files(const Json& list);

    // Field readers: a missing key or null gives the default; a wrong type or a value that
    // does not fit its record field is an error naming `where`.
    std::string Text(const Json& obj, const char* key, const std::string& where, size_t maxBytes);
    int64_t Number(const Json& obj, const char* key, const std::string& where, int64_t min,
                   int64_t max, int64_t def = 0);
    bool Flag(const Json& obj, const char* key, const std::string& where);
    int64_t Time(const Json& obj, const char* key, const std::string& where);
    [[noreturn]] void Fail(const std::string& where, const std::string& problem) const;

    CSqlDatabase& m_db;
    std::string m_source;
};
