#pragma once

#include "store/TableEngine.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <memory>
#include <unordered_map>

class QSqlError;

// A reference table on a PostgreSQL server, laid out as ServerTables makes
// it: the hidden key "__order" is the record's place, the sequence
// "<table>_serial" gives the key serials, and the table's row in
// bilvaro_changes counts every write. A write locks the table (readers go
// on, writers wait) and then reads the counter; as the counter also counts
// this program's own writes, the commit keeps the count it wrote up to, when
// nobody else had written before.
//
// A command that fails because the connection is gone says so; the next one
// connects again.
class PostgresTable final : public TableEngine {
public:
    // Connects to the server; `table` is the table's name there.
    PostgresTable(const QString &connectionName, const QString &connection, const QString &table);
    ~PostgresTable() override;

    // The sequence of a table's key serials (the file's user_version on SQLite).
    static QString serialName(const QString &table);
    // The table that counts the writes of each table (SQLite's data_version).
    static constexpr char ChangesTable[] = "bilvaro_changes";

    QString place() const override;
    TableLayout readTable(const QString &openAction) override;
    void useColumns(const QStringList &columns) override;
    QList<qint64> readKeys() override;
    void markRead() override;
    bool othersWrote() override;
    void begin() override;
    void commit() override;
    void rollback() noexcept override;
    quint32 takeSerial() override;
    std::optional<QList<QVariant>> readRecord(qint64 key) override;
    std::optional<qint64> findRecord(const QList<QVariant> &values, qint64 near) override;
    bool hasTable(const QString &sqlName) override;
    FoldedColumn readFolded(const QString &column, const QList<qint64> &keys) override;
    FoldTask foldTask(const QString &column, const QList<qint64> &keys) override;
    void updateRecord(qint64 key, const QStringList &columns, const QList<QVariant> &values) override;
    void insertRecord(qint64 key, const QList<QVariant> &values) override;
    void deleteRecord(qint64 key) override;
    void moveRecords(const QList<qint64> &from, const QList<qint64> &to) override;

private:
    // The connection, made again first when the last one was lost.
    QSqlDatabase &database();
    void connect();
    void disconnect();
    // A query on the connection, read forward only.
    QSqlQuery query();
    // The statement prepared on the connection once, kept for the next time:
    // Qt's driver makes a query prepared anew three round trips to the server
    // (PREPARE, EXECUTE, DEALLOCATE), a kept one one.
    QSqlQuery &prepared(const QString &sql, const QString &action);
    // Runs a prepared query; a failure throws the action's message.
    void run(QSqlQuery &query, const QString &action);
    void run(const QString &sql, const QString &action);
    [[noreturn]] void fail(const QString &action, const QSqlError &error);
    qint64 changeCount();

    QString m_connectionName;
    QString m_connection;
    QString m_table;
    QSqlDatabase m_database;
    bool m_lost = false;
    bool m_writing = false;
    QStringList m_columns;
    std::unordered_map<QString, std::unique_ptr<QSqlQuery>> m_prepared;
    qint64 m_seen = -1;            // the count as this program last knew it
    qint64 m_countAtBegin = -1;    // the count when the running write took the lock
};
