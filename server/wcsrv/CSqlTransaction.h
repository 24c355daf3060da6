// BEGIN IMMEDIATE ... COMMIT; rolls back unless committed, so an error leaves nothing half-written.
#pragma once

class CSqlDatabase;

class CSqlTransaction {
public:
    explicit CSqlTransaction(CSqlDatabase& db);
    ~CSqlTransaction();
    CSqlTransaction(const CSqlTransaction&) = delete;
    CSqlTransaction& operator=(const CSqlTransaction&) = delete;

    void Commit();

private:
    CSqlDatabase& m_db;
    bool m_done = false;
};
