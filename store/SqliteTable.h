#pragma once

#include "store/FoldedColumn.h"
#include "store/SqliteStatement.h"
#include "store/TableEngine.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <memory>
#include <optional>

// What the table store asks of SQLite, in SQLite's own terms: the connection
// through Qt's driver, the file's table and its declared columns, the records
// by their integer key (the rowid), and the counters SQLite keeps in the file.
// SqliteEngine offers them to the table store as its TableEngine.
// Every failure throws the store's Failure.
namespace SqliteTable {

// A connection to the file at the path, read and write, never creating it,
// waiting for another program's write lock; not open yet.
QSqlDatabase connect(const QString &connection, const QString &path);
// Closes the connection and forgets it.
void disconnect(QSqlDatabase &database, const QString &connection);
// SQLite's own handle of the connection, for the reads of many records.
sqlite3 *handle(const QSqlDatabase &database);

using Column = TableColumn;
using Table = TableLayout;
// The table of the file named fileName: the one named like the file, else
// the first. `openAction` opens the message of a failure.
Table readTable(const QSqlDatabase &database, const QString &fileName, const QString &openAction);

// The keys of the records, ascending.
QList<qint64> readKeys(sqlite3 *database, const QString &table);
// SQLite's count of the file's changes by other connections.
qint64 dataVersion(sqlite3 *database);
// The next serial of the file's keys, counted on in the file (its
// user_version) inside the write that uses it.
quint32 takeSerial(const QSqlDatabase &database);

// A reader of one record's columns by its key, prepared once.
std::unique_ptr<SqliteStatement> recordReader(sqlite3 *database, const QString &table, const QStringList &columns);
// The record's values, or nothing when no record has the key.
std::optional<QList<QVariant>> readRecord(SqliteStatement &reader, qint64 key, int columnCount);
// The key of a record holding exactly these values, the nearest to `near`.
std::optional<qint64> findRecord(sqlite3 *database, const QString &table, const QStringList &columns,
                                 const QList<QVariant> &values, qint64 near);
// The folded values of one column, for each of the keys (blank for a key no
// record has any more). Once `stopped` is set, it returns what it has read.
FoldedColumn readFolded(sqlite3 *database, const QString &table, const QString &column, const QList<qint64> &keys,
                        const std::atomic_bool *stopped = nullptr);

// The writes; each runs inside the caller's transaction.
void updateRecord(const QSqlDatabase &database, const QString &table, qint64 key, const QStringList &columns,
                  const QList<QVariant> &values);
void insertRecord(const QSqlDatabase &database, const QString &table, qint64 key, const QStringList &columns,
                  const QList<QVariant> &values);
void deleteRecord(const QSqlDatabase &database, const QString &table, qint64 key);
// Gives the records of the keys `from` the keys `to`, which no record holds.
void moveRecords(const QSqlDatabase &database, const QString &table, const QList<qint64> &from,
                 const QList<qint64> &to);

} // namespace SqliteTable
