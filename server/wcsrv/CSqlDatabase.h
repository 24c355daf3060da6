// An open board database: WAL journal and a busy timeout, so that the program, the board tool
// and tests in other processes can read and write the same board at once.
#pragma once

#include <string>

struct sqlite3;

class CSqlDatabase {
public:
    // Opens an existing database (create = false) or makes a new one; throws CSqlError.
    CSqlDatabase(const std::string& path, bool create);
    ~CSqlDatabase();
    CSqlDatabase(const CSqlDatabase&) = delete;
    CSqlDatabase& operator=(const CSqlDatabase&) = delete;

    sqlite3* Handle() const { return m_db; }
    const std::string& Path() const { return m_path; }
    void Exec(const char* sql);
    int UserVersion();
    // Rows changed by the last INSERT, UPDATE or DELETE.
    int Changes() const;
    // Throws CSqlError with the database's last message, prefixed by `what`.
    [[noreturn]] void Fail(const std::string& what) const;

    static constexpr int kBusyTimeoutMs = 5000;

private:
    sqlite3* m_db = nullptr;
    std::string m_path;
};
