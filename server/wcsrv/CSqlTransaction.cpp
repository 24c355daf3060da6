#include "server/wcsrv/CSqlTransaction.h"

#include "server/wcsrv/CSqlDatabase.h"

CSqlTransaction::CSqlTransaction(CSqlDatabase& db) : m_db(db) {
    m_db.Exec("BEGIN IMMEDIATE");
}

CSqlTransaction::~CSqlTransaction() {
    if (m_done) return;
    try {
        m_db.Exec("ROLLBACK");
    } catch (...) {
        // Destructors never throw; SQLite rolls back by itself when it cannot go on.
    }
}

void CSqlTransaction::Commit() {
    m_db.Exec("COMMIT");
    m_done = true;
}
