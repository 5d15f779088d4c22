#pragma once

#include <QSqlDatabase>

// One write to a table: begun on construction, undone on destruction unless
// committed, so a failure half-way leaves the file as it was.
class Transaction {
public:
    explicit Transaction(const QSqlDatabase &database);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit();
    // Gives the write up at once, before the object goes.
    void rollback();

private:
    QSqlDatabase m_database;
    bool m_open = false;
};
