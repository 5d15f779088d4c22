#pragma once

#include "common/Failure.h"
#include "store/SqlNames.h"

#include <QByteArrayView>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>
#include <utility>

// A read that goes through many rows at once (a scan of the whole register):
// on a file straight from SQLite on Qt's connection, where a value through
// QSqlQuery would cost a QVariant each, several times the reading itself.
class RowScan {
public:
    virtual ~RowScan() = default;
    // Runs the statement; false with lastError() when it fails.
    virtual bool exec() = 0;
    virtual QSqlError lastError() const = 0;
    // The next row; false after the last. A failure on the way throws.
    virtual bool next() = 0;
    virtual qint64 integer(int column) const = 0;
    virtual QString text(int column) const = 0;
    // The column's text in UTF-8, valid until the next row.
    virtual QByteArrayView utf8(int column) const = 0;
    // Whether the column holds exactly this text (UTF-8).
    virtual bool textIs(int column, QByteArrayView utf8) const = 0;
};

// Everything in which the tables the program makes itself (the register,
// its payments and purchases, the moves to and from a server) differ
// between an SQLite file and a PostgreSQL server: the types, the keys, the
// locks, the catalogue, the append-only triggers and the fast read. One
// class per database (SqliteDialect, PostgresDialect); the code that uses it
// never asks which one it has.
class SqlDialect {
public:
    virtual ~SqlDialect() = default;
    // The dialect of the connection's database.
    static const SqlDialect &of(const QSqlDatabase &database);

    // The failure the user sees; the database's own text goes to the log.
    virtual Failure failure(const QString &action, const QSqlError &error) const = 0;
    // Whether the error means that the connection is gone (the next command connects again).
    virtual bool connectionLost(const QSqlError &error) const = 0;
    // Whether the error means another program holds the lock (worth trying again).
    virtual bool busy(const QSqlError &error) const = 0;

    // The type a column is made with.
    virtual QString columnType(const Store::Column &column) const = 0;
    // What follows a table's own key column: a key never reused.
    virtual QString idKey() const = 0;
    // What keeps rows in the order they were written: the rowid in a file, a
    // hidden key column (as the reference tables have) on a server; quoted.
    virtual QString rowKey() const = 0;
    // Whether a row's key is handed out in the order the rows are committed:
    // so, a reader that has seen the keys up to one never meets a lower one
    // later (SQLite: the writer holds the file's lock from key to commit).
    virtual bool keysInCommitOrder() const = 0;
    // The statement that gives a number that changes whenever another
    // connection wrote to the database; none where there is no such number.
    virtual QString dataVersion() const = 0;
    // The definition of that hidden column where the table needs one; empty in a file.
    virtual QString hiddenKeyColumn() const = 0;
    // The name a result gives a column (a server cuts a name to 63 bytes, in the statements too).
    virtual QString fieldName(const QString &column) const = 0;

    // Begins a write that holds the write lock from its start (a file's; a
    // server's are taken by lockTable()).
    virtual QString begin() const = 0;
    virtual QStringList lockTable(const QString &table) const = 0;
    // The key the last INSERT gave.
    virtual QString lastId() const = 0;
    // A condition: the column (%1) contains the bound text.
    virtual QString contains() const = 0;
    // The statement and the values that tell whether a table, a column, exists.
    virtual std::pair<QString, QVariantList> tableExists(const QString &table) const = 0;
    virtual std::pair<QString, QVariantList> indexExists(const QString &index) const = 0;
    virtual std::pair<QString, QVariantList> columnExists(const QString &table,
                                                          const QString &column) const = 0;
    // Taken before tables are made, inside the write: two programs making them at once make them once.
    virtual QStringList beforeMaking(const QString &what) const = 0;
    // Run after the register's tables are made.
    virtual QStringList afterMaking() const = 0;

    // A trigger that refuses the change (`event` as "UPDATE OF …", "DELETE")
    // of the table, where the condition holds; refusalFunction() first.
    virtual QStringList refusal(const QString &name, const QString &event, const QString &table,
                                const QString &condition = {}) const = 0;
    virtual QStringList refusalFunction() const = 0;
    // A trigger that refuses emptying the table at once (a server's TRUNCATE passes by row triggers).
    virtual QStringList refuseTruncate(const QString &name, const QString &table) const = 0;

    // Another table of the start folder, reached from this connection: a file
    // is attached under the schema name (Firm.db beside the register), on a
    // server every table is in the one database. attach() fails with a message
    // naming a missing file; detach() undoes it.
    virtual bool attach(QSqlDatabase &database, const QString &schema, const QString &path,
                        const QString &action) const = 0;
    virtual void detach(QSqlDatabase &database, const QString &schema) const = 0;
    // That table as the connection names it: in a file the one named like the
    // file (else its first), on a server the table of that name.
    virtual QString attachedTable(const QSqlDatabase &database, const QString &schema,
                                  const QString &fileName, const QString &tableName,
                                  const QString &action) const = 0;

    // The tables of the database, in the order they were made, without the
    // database's own and the program's hidden ones.
    virtual QStringList tables(const QSqlDatabase &database, const QString &action) const = 0;
    // A table's columns, in order: the name, the type, and the remark kept with it.
    struct ColumnInfo {
        QString name;
        QString type;
        QString remark;
    };
    virtual QList<ColumnInfo> columns(const QSqlDatabase &database, const QString &table,
                                      const QString &action) const = 0;
    // Keeps with a column the type it had in a file (a server's remark; a file declares it).
    virtual QStringList remark(const QString &table, const QString &column, const QString &text) const = 0;
    // The last serial a reference table's keys were made with (its user_version
    // in a file, its sequence on a server), and setting it.
    virtual quint32 serial(const QSqlDatabase &database, const QString &table,
                           const QString &action) const = 0;
    virtual void setSerial(QSqlDatabase &database, const QString &table, quint32 serial,
                           const QString &action) const = 0;
    // After rows were copied in under their keys: the next key the table
    // gives goes on past them.
    virtual void continueKeys(QSqlDatabase &database, const QString &table, const QString &column,
                              const QString &action) const = 0;

    // A read of many rows (see RowScan) with the texts bound in order;
    // `action` opens the message of a failure on the way.
    virtual std::unique_ptr<RowScan> scan(const QSqlDatabase &database, const QString &sql,
                                          const QVariantList &texts, const QString &action) const = 0;

    // Runs the statement, with the values bound in order, and gives the query
    // to read its rows; a failure throws the action's message.
    QSqlQuery run(const QSqlDatabase &database, const QString &sql, const QVariantList &values,
                  const QString &action) const;
};
