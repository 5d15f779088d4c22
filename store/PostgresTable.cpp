#include "store/PostgresTable.h"

#include "server/ServerConnection.h"
#include "store/PostgresRows.h"
#include "store/RecordKeys.h"
#include "store/SqlNames.h"

#include <QLocale>
#include <QSqlError>
#include <QSqlRecord>
#include <algorithm>

namespace {

using Store::quoted;

const QString CannotRead = QStringLiteral("Таблицата не може да бъде прочетена");
const QString CannotStore = QStringLiteral("Записът не може да бъде съхранен");

// A value as the store holds it: a text (a number as its shortest text), the
// bytes of a picture, or nothing.
QVariant held(const QVariant &value)
{
    if (value.isNull())
        return QVariant();
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return value;
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    default:
        return value.toString();
    }
}

// The keys and one column of a table, the keys from `first` to `last`, in
// key order.
QString columnRead(const QString &table, const QString &column, std::optional<std::pair<qint64, qint64>> range = {})
{
    return QStringLiteral("SELECT %1, %2 FROM %3%4 ORDER BY 1")
        .arg(quoted(Store::KeyColumn), column, quoted(table),
             range ? QStringLiteral(" WHERE %1 BETWEEN %2 AND %3").arg(quoted(Store::KeyColumn)).arg(range->first).arg(range->second)
                   : QString());
}

// The folded values of a column read with its keys, one for each of the
// keys (blank for a key no row has); nothing more once `stopped` is set.
FoldedColumn foldedByKey(const PostgresRows &values, const QList<qint64> &keys, const std::atomic_bool *stopped = nullptr)
{
    // A picture has no text to search; a number's is the server's own.
    const bool pictures = values.count() > 0 && values.isBytes(1);
    FoldedColumn folded;
    folded.reserve(keys.size());
    int row = 0;
    for (qint64 key : keys) {
        if (stopped && (row & 0xFFF) == 0 && stopped->load())
            break;
        while (row < values.count() && values.integer(row, 0) < key)
            ++row;
        const bool found = row < values.count() && values.integer(row, 0) == key;
        if (found && !pictures && !values.isNull(row, 1))
            folded.appendUtf8(values.utf8(row, 1));
        else
            folded.append(QStringView());
        row += found ? 1 : 0;
    }
    return folded;
}

} // namespace

QString PostgresTable::serialName(const QString &table)
{
    return table + QStringLiteral("_serial");
}

PostgresTable::PostgresTable(const QString &connectionName, const QString &connection, const QString &table)
    : m_connectionName(connectionName), m_connection(connection), m_table(table)
{
    connect();
}

PostgresTable::~PostgresTable()
{
    disconnect();
}

void PostgresTable::connect()
{
    m_database = Server::connect(m_connectionName, m_connection);
    // Numbers of the user's own columns come as their exact text.
    m_database.setNumericalPrecisionPolicy(QSql::HighPrecision);
    m_lost = false;
}

void PostgresTable::disconnect()
{
    m_prepared.clear();
    // A kept connection has the name it was made with.
    if (m_lost)
        Server::disconnect(m_database, m_database.connectionName());
    else
        Server::release(m_database, m_connection);
}

QSqlDatabase &PostgresTable::database()
{
    if (m_lost && !m_writing) {
        disconnect();
        connect();
    }
    return m_database;
}

QSqlQuery PostgresTable::query()
{
    return QSqlQuery(database());
}

QSqlQuery &PostgresTable::prepared(const QString &sql, const QString &action)
{
    database();  // a lost connection is made again, without the kept statements
    std::unique_ptr<QSqlQuery> &kept = m_prepared[sql];
    if (!kept) {
        auto made = std::make_unique<QSqlQuery>(m_database);
        made->setForwardOnly(true);
        if (!made->prepare(sql))
            fail(action, made->lastError());
        kept = std::move(made);
    }
    return *kept;
}

void PostgresTable::fail(const QString &action, const QSqlError &error)
{
    if (Server::connectionLost(error)) {
        m_lost = true;
        Server::lost(m_connection);
    }
    throw Server::failure(action, error);
}

void PostgresTable::run(QSqlQuery &query, const QString &action)
{
    if (!query.exec())
        fail(action, query.lastError());
}

void PostgresTable::run(const QString &sql, const QString &action)
{
    QSqlQuery statement = query();
    if (!statement.exec(sql))
        fail(action, statement.lastError());
}

QString PostgresTable::place() const
{
    return QStringLiteral("„%1“ на %2").arg(m_table, Server::address(m_connection).describe());
}

TableLayout PostgresTable::readTable(const QString &openAction)
{
    // One round trip (a query prepared by Qt's driver would be three).
    pg_conn *connection = Server::handle(database());
    const PostgresRows columns(
        connection,
        QStringLiteral("SELECT a.attname, t.typname, a.atttypmod FROM pg_attribute a "
                       "JOIN pg_type t ON t.oid = a.atttypid WHERE a.attrelid = to_regclass(%1) "
                       "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum")
            .arg(PostgresRows::literal(connection, quoted(m_table))));
    if (!columns.ok())
        fail(openAction, columns.error());
    TableLayout table;
    table.name = m_table;
    for (int row = 0; row < columns.count(); ++row) {
        TableColumn column;
        column.name = QString::fromUtf8(columns.utf8(row, 0));
        const QByteArrayView type = columns.utf8(row, 1);
        column.isKey = column.name == Store::KeyColumn;
        column.isPicture = type == "bytea";
        column.isMemo = type == "text";
        // A varchar(n)'s modifier is n plus the 4 bytes of its length.
        const qint64 modifier = columns.integer(row, 2);
        if ((type == "varchar" || type == "bpchar") && modifier > 4)
            column.width = int(modifier - 4);
        table.columns.append(column);
    }
    if (table.columns.isEmpty())
        throw Failure(openAction + QStringLiteral(": на сървъра няма таблица „%1“. Преместете папката на сървъра с "
                                                  "bilvaro-make-tables <папка> --to-server <адрес>.")
                                       .arg(m_table));
    return table;
}

void PostgresTable::useColumns(const QStringList &columns)
{
    m_columns = columns;
    m_prepared.clear();
}

QList<qint64> PostgresTable::readKeys()
{
    // One value, the keys as one array in binary: a row each, and each as
    // text, took half as long again on the server and here.
    const PostgresRows rows(database(),
                            QStringLiteral("SELECT array_agg(%1) FROM (SELECT %1 FROM %2 ORDER BY 1) AS k")
                                .arg(quoted(Store::KeyColumn), quoted(m_table)),
                            PostgresRows::Values::Binary);
    if (!rows.ok())
        fail(CannotRead, rows.error());
    if (rows.count() != 1 || rows.isNull(0, 0))
        return {};  // no records
    std::optional<QList<qint64>> keys = PostgresRows::bigintArray(rows.utf8(0, 0));
    if (!keys)
        fail(CannotRead, QSqlError(QString(), QStringLiteral("the keys came in an unknown form")));
    // The subquery's order, which the server keeps but does not promise.
    if (!std::is_sorted(keys->cbegin(), keys->cend()))
        std::sort(keys->begin(), keys->end());
    return *std::move(keys);
}

qint64 PostgresTable::changeCount()
{
    QSqlQuery &count = prepared(QStringLiteral("SELECT version FROM %1 WHERE table_name = ?")
                                    .arg(QLatin1String(ChangesTable)),
                                CannotRead);
    count.addBindValue(m_table);
    run(count, CannotRead);
    const qint64 version = count.next() ? count.value(0).toLongLong() : 0;
    count.finish();
    return version;
}

void PostgresTable::markRead()
{
    m_seen = changeCount();
}

bool PostgresTable::othersWrote()
{
    // Within a write the count read under the lock stands: no other program
    // writes until it ends.
    return (m_writing ? m_countAtBegin : changeCount()) != m_seen;
}

void PostgresTable::begin()
{
    database();
    m_writing = true;
    try {
        // Readers go on; another program's write waits for this one, or this for it up to the lock timeout.
        // The transaction, its lock and the count under it in one round trip to the server (Qt's driver
        // reads only the first result of several statements; libpq reports the first that fails).
        pg_conn *connection = Server::handle(m_database);
        const PostgresRows count(connection,
                                 QStringLiteral("BEGIN; LOCK TABLE %1 IN SHARE ROW EXCLUSIVE MODE; "
                                                "SELECT version FROM %2 WHERE table_name = %3")
                                     .arg(quoted(m_table), QLatin1String(ChangesTable),
                                          PostgresRows::literal(connection, m_table)));
        if (!count.ok())
            fail(CannotStore, count.error());
        m_countAtBegin = count.count() > 0 ? count.integer(0, 0) : 0;
    } catch (...) {
        rollback();
        throw;
    }
}

void PostgresTable::commit()
{
    // The counter counts this write too: read inside it, it is what this program has seen, unless another
    // program had written before the write began.
    const qint64 count = changeCount();
    run(QStringLiteral("COMMIT"), CannotStore);
    m_writing = false;
    if (m_countAtBegin == m_seen)
        m_seen = count;
}

void PostgresTable::rollback() noexcept
{
    if (m_writing && !m_lost) {
        QSqlQuery undo(m_database);
        undo.exec(QStringLiteral("ROLLBACK"));
    }
    m_writing = false;
}

quint32 PostgresTable::takeSerial()
{
    // A sequence never gives a number twice, even to a write that is rolled back.
    QSqlQuery &next = prepared(QStringLiteral("SELECT nextval(?)"), CannotStore);
    for (;;) {
        next.addBindValue(quoted(serialName(m_table)));
        run(next, CannotStore);
        if (!next.next())
            fail(CannotStore, next.lastError());
        const auto serial = quint32(next.value(0).toLongLong());
        next.finish();
        if ((serial & RecordKeys::MakerKeyBits) != 0)
            return serial;
    }
}

std::optional<QList<QVariant>> PostgresTable::readRecord(qint64 key)
{
    QSqlQuery &fetch = prepared(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                                    .arg(m_columns.isEmpty() ? QStringLiteral("NULL") : m_columns.join(u','),
                                         quoted(m_table), quoted(Store::KeyColumn)),
                                CannotRead);
    fetch.addBindValue(key);
    run(fetch, CannotRead);
    std::optional<QList<QVariant>> values;
    if (fetch.next()) {
        values.emplace(m_columns.size());
        for (int i = 0; i < m_columns.size(); ++i)
            (*values)[i] = held(fetch.value(i));
    }
    fetch.finish();
    return values;
}

std::optional<qint64> PostgresTable::findRecord(const QList<QVariant> &values, qint64 near)
{
    QSqlQuery records = query();
    records.setForwardOnly(true);
    if (!records.exec(QStringLiteral("SELECT %1, %2 FROM %3")
                          .arg(quoted(Store::KeyColumn),
                               m_columns.isEmpty() ? QStringLiteral("NULL") : m_columns.join(u','), quoted(m_table))))
        fail(CannotRead, records.lastError());
    std::optional<qint64> found;
    const auto distance = [near](qint64 key) { return key > near ? __int128(key) - near : __int128(near) - key; };
    while (records.next()) {
        bool same = true;
        for (int i = 0; same && i < m_columns.size(); ++i)
            same = held(records.value(i + 1)) == values[i];
        const qint64 key = records.value(0).toLongLong();
        if (same && (!found || distance(key) < distance(*found)))
            found = key;
    }
    return found;
}

bool PostgresTable::hasTable(const QString &sqlName)
{
    QSqlQuery exists = query();
    exists.prepare(QStringLiteral("SELECT to_regclass(?) IS NOT NULL"));
    exists.addBindValue(quoted(sqlName));
    run(exists, CannotRead);
    return exists.next() && exists.value(0).toBool();
}

FoldedColumn PostgresTable::readFolded(const QString &column, const QList<qint64> &keys)
{
    // The whole column in one query; keys and values both come in key order,
    // as on SQLite.
    const PostgresRows values(database(), columnRead(m_table, column));
    if (!values.ok())
        fail(CannotRead, values.error());
    return foldedByKey(values, keys);
}

PostgresTable::FoldTask PostgresTable::foldTask(const QString &column, const QList<qint64> &keys)
{
    // Each part on a connection of its own: the server reads the halves in
    // two processes while this one folds them. A smaller table is read when
    // it is searched, on the table's connection, rather than make one more.
    if (keys.size() < SplitFoldFrom)
        return {};
    return [connection = m_connection, table = m_table, column, keys](const std::atomic_bool &stopped) {
        return readInHalves(keys, [&](const QList<qint64> &part) {
            if (part.isEmpty())
                return FoldedColumn();
            const Server::Reader reader = Server::connectReader(connection);
            const PostgresRows values(reader.get(), columnRead(table, column, std::pair(part.first(), part.last())));
            if (!values.ok())
                throw Server::failure(CannotRead, values.error());
            return foldedByKey(values, part, &stopped);
        });
    };
}

void PostgresTable::updateRecord(qint64 key, const QStringList &columns, const QList<QVariant> &values)
{
    QStringList assignments;
    for (const QString &column : columns)
        assignments << column + QStringLiteral(" = ?");
    QSqlQuery &update = prepared(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                                     .arg(quoted(m_table), assignments.join(QStringLiteral(", ")),
                                          quoted(Store::KeyColumn)),
                                 CannotStore);
    for (const QVariant &value : values)
        update.addBindValue(value);
    update.addBindValue(key);
    run(update, CannotStore);
}

void PostgresTable::insertRecord(qint64 key, const QList<QVariant> &values)
{
    QStringList marks{QStringLiteral("?")};
    for (qsizetype i = 0; i < m_columns.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery &insert = prepared(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                     .arg(quoted(m_table),
                                          (QStringList{quoted(Store::KeyColumn)} + m_columns).join(u','),
                                          marks.join(u',')),
                                 CannotStore);
    insert.addBindValue(key);
    for (const QVariant &value : values)
        insert.addBindValue(value);
    run(insert, CannotStore);
}

void PostgresTable::deleteRecord(qint64 key)
{
    const QString action = QStringLiteral("Записът не може да бъде изтрит");
    QSqlQuery &erase =
        prepared(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(quoted(m_table), quoted(Store::KeyColumn)), action);
    erase.addBindValue(key);
    run(erase, action);
}

void PostgresTable::moveRecords(const QList<qint64> &from, const QList<qint64> &to)
{
    // Spreading out keys may move thousands of records: one statement, not a
    // round trip each. No record holds a new key, so no two collide midway.
    const auto array = [](const QList<qint64> &keys) {
        QStringList numbers;
        numbers.reserve(keys.size());
        for (qint64 key : keys)
            numbers << QString::number(key);
        return u'{' + numbers.join(u',') + u'}';
    };
    QSqlQuery move = query();
    move.prepare(QStringLiteral("UPDATE %1 AS t SET %2 = m.new_key FROM unnest(?::bigint[], ?::bigint[]) "
                                "AS m(old_key, new_key) WHERE t.%2 = m.old_key")
                     .arg(quoted(m_table), quoted(Store::KeyColumn)));
    move.addBindValue(array(from));
    move.addBindValue(array(to));
    run(move, CannotStore);
}
