#include "reference/NumberRecord.h"

#include "common/Failure.h"
#include "reference/Transaction.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace {

QString quoted(const QString &identifier)
{
    QString result = identifier;
    result.replace(u'"', QStringLiteral("\"\""));
    return u'"' + result + u'"';
}

// One private connection to the table file for the length of one write.
class Connection {
public:
    explicit Connection(const QString &path)
        : m_name(QStringLiteral("bilvaro.number.%1").arg(++s_counter))
    {
        m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        m_database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
        // Read and write, but never create a table file that is not there.
        m_database.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)
                                   + QStringLiteral("?mode=rw"));
    }
    ~Connection()
    {
        m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase &database() { return m_database; }

private:
    static inline int s_counter = 0;
    QString m_name;
    QSqlDatabase m_database;
};

Failure failure(const QString &path, const QString &why)
{
    return Failure(QStringLiteral("Номерът на документа не може да бъде записан в „%1“: %2")
                       .arg(QDir::toNativeSeparators(path), why));
}

void exec(QSqlQuery &query, const QString &path, const QString &statement)
{
    if (!query.exec(statement))
        throw failure(path, query.lastError().text());
}

// The table named like its file, else the first one (as the browser opens it).
QString tableName(QSqlDatabase &database, const QString &path)
{
    QSqlQuery tables(database);
    exec(tables, path, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                      "AND name NOT LIKE 'sqlite~_%' ESCAPE '~' ORDER BY rowid"));
    QString found;
    const QString baseName = QFileInfo(path).completeBaseName();
    while (tables.next()) {
        const QString name = tables.value(0).toString();
        if (found.isEmpty() || name.compare(baseName, Qt::CaseInsensitive) == 0)
            found = name;
    }
    if (found.isEmpty())
        throw failure(path, QStringLiteral("файлът не съдържа таблица"));
    return found;
}

// The column's name as the table spells it, found ignoring letter case.
QString columnName(QSqlDatabase &database, const QString &path, const QString &table, const QString &column)
{
    QSqlQuery columns(database);
    exec(columns, path, QStringLiteral("PRAGMA table_info(%1)").arg(quoted(table)));
    while (columns.next()) {
        const QString name = columns.value(1).toString();
        if (name.compare(column, Qt::CaseInsensitive) == 0)
            return name;
    }
    throw failure(path, QStringLiteral("таблицата няма колона „%1“").arg(column));
}

} // namespace

bool recordDocumentNumber(const QString &tableFile, qlonglong key, const QString &column,
                          const QString &number)
{
    bool numberOk = false;
    const qlonglong newNumber = number.toLongLong(&numberOk);
    if (!numberOk)
        throw failure(tableFile, QStringLiteral("„%1“ не е цяло число").arg(number));
    if (!QFileInfo(tableFile).isFile())
        throw failure(tableFile, QStringLiteral("файлът не съществува"));

    Connection connection(tableFile);
    QSqlDatabase &database = connection.database();
    if (!database.open())
        throw failure(tableFile, database.lastError().text());
    Transaction transaction(database);
    const QString name = tableName(database, tableFile);
    const QString table = quoted(name);
    const QString field = quoted(columnName(database, tableFile, name, column));

    QSqlQuery record(database);
    record.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(field, table));
    record.addBindValue(key);
    if (!record.exec() || !record.next())
        throw failure(tableFile, QStringLiteral("таблицата няма запис с ключ %1").arg(key));
    bool storedOk = false;
    const qlonglong stored = record.value(0).toString().trimmed().toLongLong(&storedOk);
    record.finish();
    // A stored text that is no number is no sequence to keep: it is replaced.
    if (storedOk && stored >= newNumber)
        return false;

    QSqlQuery update(database);
    update.prepare(QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?").arg(table, field));
    update.addBindValue(number);
    update.addBindValue(key);
    if (!update.exec())
        throw failure(tableFile, update.lastError().text());
    update.finish();
    transaction.commit();
    return true;
}
