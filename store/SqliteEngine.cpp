#include "store/SqliteEngine.h"

#include "store/SqliteFile.h"
#include "store/SqliteStatement.h"
#include "store/SqliteTable.h"
#include "store/StoreFailure.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>

SqliteEngine::SqliteEngine(const QString &connection, const QString &path, const QString &fileName,
                           const QString &openAction)
    : m_connection(connection), m_path(path), m_fileName(fileName)
{
    m_database = SqliteTable::connect(m_connection, path);
    if (!m_database.open()) {
        const Failure failed = storeFailure(openAction, m_database.lastError());
        SqliteTable::disconnect(m_database, m_connection);
        throw failed;
    }
}

SqliteEngine::~SqliteEngine()
{
    m_write.reset();
    m_fetch.reset();
    SqliteTable::disconnect(m_database, m_connection);
}

sqlite3 *SqliteEngine::handle() const
{
    return SqliteTable::handle(m_database);
}

QString SqliteEngine::place() const
{
    return QStringLiteral("„%1“").arg(QDir::toNativeSeparators(m_path));
}

TableLayout SqliteEngine::readTable(const QString &openAction)
{
    TableLayout table = SqliteTable::readTable(m_database, m_fileName, openAction);
    m_table = table.name;
    return table;
}

void SqliteEngine::useColumns(const QStringList &columns)
{
    m_columns = columns;
    m_fetch.reset();
}

QList<qint64> SqliteEngine::readKeys()
{
    return SqliteTable::readKeys(handle(), m_table);
}

void SqliteEngine::markRead()
{
    m_dataVersion = SqliteTable::dataVersion(handle());
}

bool SqliteEngine::othersWrote()
{
    // data_version counts the writes of other connections only.
    return SqliteTable::dataVersion(handle()) != m_dataVersion;
}

void SqliteEngine::begin()
{
    m_write.emplace(m_database);
}

void SqliteEngine::commit()
{
    m_write->commit();
    m_write.reset();
}

void SqliteEngine::rollback() noexcept
{
    m_write.reset();
}

quint32 SqliteEngine::takeSerial()
{
    return SqliteTable::takeSerial(m_database);
}

std::optional<QList<QVariant>> SqliteEngine::readRecord(qint64 key)
{
    if (!m_fetch)
        m_fetch = SqliteTable::recordReader(handle(), m_table, m_columns);
    return SqliteTable::readRecord(*m_fetch, key, int(m_columns.size()));
}

std::optional<qint64> SqliteEngine::findRecord(const QList<QVariant> &values, qint64 near)
{
    return SqliteTable::findRecord(handle(), m_table, m_columns, values, near);
}

bool SqliteEngine::hasTable(const QString &sqlName)
{
    SqliteStatement table(handle(), QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1"));
    const QByteArray name = sqlName.toUtf8();
    table.bindText(1, name);
    return table.step();
}

FoldedColumn SqliteEngine::readFolded(const QString &column, const QList<qint64> &keys)
{
    return SqliteTable::readFolded(handle(), m_table, column, keys);
}

SqliteEngine::FoldTask SqliteEngine::foldTask(const QString &column, const QList<qint64> &keys)
{
    // SQLite's own connections: Qt's are bound to the thread that made them.
    return [path = m_path, table = m_table, column, keys](const std::atomic_bool &stopped) {
        return readInHalves(keys, [&](const QList<qint64> &part) {
            const SqliteFile file(path, SqliteFile::Mode::ReadOnly);
            return SqliteTable::readFolded(file.handle(), table, column, part, &stopped);
        });
    };
}

void SqliteEngine::updateRecord(qint64 key, const QStringList &columns, const QList<QVariant> &values)
{
    SqliteTable::updateRecord(m_database, m_table, key, columns, values);
}

void SqliteEngine::insertRecord(qint64 key, const QList<QVariant> &values)
{
    SqliteTable::insertRecord(m_database, m_table, key, m_columns, values);
}

void SqliteEngine::deleteRecord(qint64 key)
{
    SqliteTable::deleteRecord(m_database, m_table, key);
}

void SqliteEngine::moveRecords(const QList<qint64> &from, const QList<qint64> &to)
{
    SqliteTable::moveRecords(m_database, m_table, from, to);
}
