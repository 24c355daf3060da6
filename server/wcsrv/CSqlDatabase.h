// An open board database with a busy timeout. Once the caller has checked that it is a board
// it understands, UseWal() lets the program, the board tool and tests in other processes read
// and write the same board at once; a database that is refused is never changed.
#pragma once

#include <string>

struct sqlite3;

class CSqlDatabase {
public:
    // Opens an existing database (create = false) or makes a new one; throws CSqlError.
    // Opening reads nothing and writes nothing.
    CSqlDatabase(const std::string& path, bool create);
    ~CSqlDatabase();
    CSqlDatabase(const CSqlDatabase&) = delete;
    CSqlDatabase& operator=(const CSqlDatabase&) = delete;

    sqlite3* Handle() const { return m_db; }
    const std::string& Path() const { return m_path; }
    void Exec(const char* sql);
    // WAL journal, normal syncs: the first change to the file, after it has been checked.
    void UseWal();
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
