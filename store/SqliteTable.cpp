#include "store/SqliteTable.h"

#include "store/RecordKeys.h"
#include "store/SqlNames.h"
#include "store/StoreFailure.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <sqlite3.h>

namespace SqliteTable {

namespace {

using Store::quoted;

const QString CannotStore = QStringLiteral("Записът не може да бъде съхранен");

// A write that SQLite refused fails with the action's message.
void run(QSqlQuery &query, const QString &action)
{
    if (!query.exec())
        throw storeFailure(action, query.lastError());
    query.finish();
}

} // namespace

QSqlDatabase connect(const QString &connection, const QString &path)
{
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    // Read and write, but never create: a file that vanished since it was
    // checked fails to open instead of coming back empty.
    database.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutSeconds * 1000));
    database.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
    return database;
}

void disconnect(QSqlDatabase &database, const QString &connection)
{
    database.close();
    database = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection);
}

sqlite3 *handle(const QSqlDatabase &database)
{
    const QVariant handle = database.driver()->handle();
    return *static_cast<sqlite3 *const *>(handle.constData());
}

Table readTable(const QSqlDatabase &database, const QString &fileName, const QString &openAction)
{
    QSqlQuery tables(database);
    if (!tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                    "AND name NOT LIKE 'sqlite~_%' ESCAPE '~' ORDER BY rowid")))
        throw storeFailure(openAction, tables.lastError());
    QStringList names;
    while (tables.next())
        names << tables.value(0).toString();
    tables.finish();
    if (names.isEmpty())
        throw Failure(openAction + QStringLiteral(": файлът не съдържа таблица"));
    // The table named like its file, else the first one.
    const QString baseName = QFileInfo(fileName).completeBaseName();
    Table table;
    table.name = names.first();
    for (const QString &name : names) {
        if (name.compare(baseName, Qt::CaseInsensitive) == 0)
            table.name = name;
    }

    QSqlQuery columns(database);
    if (!columns.exec(QStringLiteral("PRAGMA table_info(%1)").arg(quoted(table.name))))
        throw storeFailure(openAction, columns.lastError());
    struct Declared {
        QString name, type;
        int key;
    };
    QList<Declared> found;
    int keyColumns = 0;
    while (columns.next()) {
        found.append({columns.value(1).toString(), columns.value(2).toString().toUpper(), columns.value(5).toInt()});
        if (found.last().key > 0)
            ++keyColumns;
    }
    columns.finish();

    static const QRegularExpression declaredWidth(QStringLiteral("CHAR\\s*\\(\\s*(\\d+)\\s*\\)"));
    for (const Declared &declared : std::as_const(found)) {
        Column column;
        column.name = declared.name;
        // An INTEGER PRIMARY KEY is the record's key and place, not data.
        column.isKey = keyColumns == 1 && declared.key == 1 && declared.type == QLatin1String("INTEGER");
        const QString &type = declared.type;
        column.isPicture = type.contains(QLatin1String("BLOB")) || type.contains(QLatin1String("GRAPHIC"))
                           || type.contains(QLatin1String("IMAGE")) || type.contains(QLatin1String("PICTURE"));
        column.isMemo = type.contains(QLatin1String("CLOB")) || type.contains(QLatin1String("MEMO"));
        if (const auto match = declaredWidth.match(type); match.hasMatch())
            column.width = match.captured(1).toInt();
        table.columns.append(column);
    }
    return table;
}

QList<qint64> readKeys(sqlite3 *database, const QString &table)
{
    SqliteStatement keys(database, QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid").arg(quoted(table)));
    QList<qint64> result;
    while (keys.step())
        result.append(keys.key(0));
    return result;
}

qint64 dataVersion(sqlite3 *database)
{
    SqliteStatement version(database, QStringLiteral("PRAGMA data_version"));
    return version.step() ? version.key(0) : 0;
}

quint32 takeSerial(const QSqlDatabase &database)
{
    // Runs inside the write, which stores the count with the record.
    QSqlQuery query(database);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        throw storeFailure(CannotStore, query.lastError());
    const quint32 serial = RecordKeys::nextSerial(quint32(query.value(0).toInt()));
    if (!query.exec(QStringLiteral("PRAGMA user_version = %1").arg(qint32(serial))))
        throw storeFailure(CannotStore, query.lastError());
    return serial;
}

std::unique_ptr<SqliteStatement> recordReader(sqlite3 *database, const QString &table, const QStringList &columns)
{
    const QString list = columns.isEmpty() ? QStringLiteral("NULL") : columns.join(u',');
    return std::make_unique<SqliteStatement>(
        database, QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(list, quoted(table)));
}

std::optional<QList<QVariant>> readRecord(SqliteStatement &reader, qint64 key, int columnCount)
{
    std::optional<QList<QVariant>> values;
    reader.bind(1, key);
    try {
        if (reader.step()) {
            values.emplace(columnCount);
            for (int i = 0; i < columnCount; ++i)
                (*values)[i] = reader.value(i);
        }
    } catch (...) {
        reader.reset();
        throw;
    }
    reader.reset();
    return values;
}

std::optional<qint64> findRecord(sqlite3 *database, const QString &table, const QStringList &columns,
                                 const QList<QVariant> &values, qint64 near)
{
    SqliteStatement records(database, QStringLiteral("SELECT rowid, %1 FROM %2")
                                          .arg(columns.isEmpty() ? QStringLiteral("NULL") : columns.join(u','),
                                               quoted(table)));
    std::optional<qint64> found;
    const auto distance = [near](qint64 key) { return key > near ? __int128(key) - near : __int128(near) - key; };
    while (records.step()) {
        bool same = true;
        for (int i = 0; same && i < columns.size(); ++i)
            same = records.value(i + 1) == values[i];
        if (same && (!found || distance(records.key(0)) < distance(*found)))
            found = records.key(0);
    }
    return found;
}

FoldedColumn readFolded(sqlite3 *database, const QString &table, const QString &column, const QList<qint64> &keys,
                        const std::atomic_bool *stopped)
{
    // Keys and values both come in key order: a record that another program
    // added since the keys were read is passed over, one it deleted reads blank.
    const qint64 first = keys.isEmpty() ? 0 : keys.first();
    const qint64 last = keys.isEmpty() ? -1 : keys.last();
    SqliteStatement values(database, QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid BETWEEN %3 AND %4 ORDER BY rowid")
                                         .arg(column, quoted(table))
                                         .arg(first)
                                         .arg(last));
    FoldedColumn folded;
    folded.reserve(keys.size());
    bool more = values.step();
    for (qint64 key : keys) {
        if (stopped && (folded.size() & 0xfff) == 0 && stopped->load(std::memory_order_relaxed))
            break;
        while (more && values.key(0) < key)
            more = values.step();
        if (more && values.key(0) == key) {
            values.appendFolded(1, folded);
            more = values.step();
        } else {
            folded.append(QStringView());
        }
    }
    return folded;
}

void updateRecord(const QSqlDatabase &database, const QString &table, qint64 key, const QStringList &columns,
                  const QList<QVariant> &values)
{
    QStringList assignments;
    for (const QString &column : columns)
        assignments << column + QStringLiteral(" = ?");
    QSqlQuery update(database);
    update.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(quoted(table), assignments.join(QStringLiteral(", "))));
    for (const QVariant &value : values)
        update.addBindValue(value);
    update.addBindValue(key);
    run(update, CannotStore);
}

void insertRecord(const QSqlDatabase &database, const QString &table, qint64 key, const QStringList &columns,
                  const QList<QVariant> &values)
{
    QStringList marks{QStringLiteral("?")};
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery insert(database);
    insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(quoted(table), (QStringList{QStringLiteral("rowid")} + columns).join(u','), marks.join(u',')));
    insert.addBindValue(key);
    for (const QVariant &value : values)
        insert.addBindValue(value);
    run(insert, CannotStore);
}

void deleteRecord(const QSqlDatabase &database, const QString &table, qint64 key)
{
    QSqlQuery erase(database);
    erase.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoted(table)));
    erase.addBindValue(key);
    run(erase, QStringLiteral("Записът не може да бъде изтрит"));
}

void moveRecords(const QSqlDatabase &database, const QString &table, const QList<qint64> &from,
                 const QList<qint64> &to)
{
    QSqlQuery move(database);
    move.prepare(QStringLiteral("UPDATE %1 SET rowid = ? WHERE rowid = ?").arg(quoted(table)));
    for (qsizetype i = 0; i < from.size(); ++i) {
        move.addBindValue(to[i]);
        move.addBindValue(from[i]);
        if (!move.exec())
            throw storeFailure(CannotStore, move.lastError());
    }
    move.finish();
}

} // namespace SqliteTable
