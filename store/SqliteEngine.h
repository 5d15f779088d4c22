#pragma once

#include "store/TableEngine.h"
#include "store/Transaction.h"

#include <QSqlDatabase>
#include <memory>

struct sqlite3;
class SqliteStatement;

// A reference table in an SQLite file (see SqliteTable): the file's write
// lock guards a write, and SQLite's data_version counts the writes of other
// programs.
class SqliteEngine final : public TableEngine {
public:
    // Opens the file at the path; `fileName` picks its table (see
    // SqliteTable::readTable), `openAction` opens the message of a failure.
    SqliteEngine(const QString &connection, const QString &path, const QString &fileName, const QString &openAction);
    ~SqliteEngine() override;

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
    sqlite3 *handle() const;

    QString m_connection;
    QString m_path;
    QString m_fileName;
    QSqlDatabase m_database;
    QString m_table;
    QStringList m_columns;
    std::unique_ptr<SqliteStatement> m_fetch;
    std::optional<Transaction> m_write;
    qint64 m_dataVersion = 0;
};
