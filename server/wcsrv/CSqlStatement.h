// A prepared statement owned by value: finalized in the destructor, reusable through Reset.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

class CSqlStatement {
public:
    CSqlStatement() = default;
    CSqlStatement(sqlite3* db, const char* sql);  // throws CSqlError
    ~CSqlStatement();
    CSqlStatement(CSqlStatement&& other) noexcept;
    CSqlStatement& operator=(CSqlStatement&& other) noexcept;
    CSqlStatement(const CSqlStatement&) = delete;
    CSqlStatement& operator=(const CSqlStatement&) = delete;

    bool Valid() const { return m_stmt != nullptr; }
    CSqlStatement& Bind(int index, int64_t value);
    // Bytes as given (Windows-1252 text is stored unchanged).
    CSqlStatement& Bind(int index, std::string_view text);
    CSqlStatement& BindBlob(int index, std::string_view bytes);
    // true = a row is available, false = done; throws CSqlError on failure.
    bool Step();
    // Ends the statement's read (so it holds no snapshot) and clears its bindings.
    void Reset();

    int64_t Int(int column) const;
    std::string Text(int column) const;
    std::string_view View(int column) const;  // valid until the next Step or Reset
    bool IsNull(int column) const;

private:
    [[noreturn]] void Fail(const char* what) const;

    sqlite3_stmt* m_stmt = nullptr;
};
