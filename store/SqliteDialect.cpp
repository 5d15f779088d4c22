#include "store/SqliteDialect.h"

#include "store/SqliteStatement.h"
#include "store/SqliteTable.h"
#include "store/StoreFailure.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <QUrl>
#include <sqlite3.h>

using Store::quoted;

namespace {

// The rows of a statement straight from SQLite on Qt's connection.
class SqliteScan final : public RowScan {
public:
    SqliteScan(sqlite3 *database, const QString &sql, const QVariantList &texts, const QString &action)
        : m_database(database), m_sql(sql), m_action(action)
    {
        for (const QVariant &text : texts)
            m_texts << text.toString().toUtf8();
    }

    // A statement SQLite refuses throws at once: a file's connection is never lost.
    bool exec() override
    {
        m_statement = std::make_unique<SqliteStatement>(m_database, m_sql, m_action);
        for (int i = 0; i < m_texts.size(); ++i)
            m_statement->bindText(i + 1, m_texts[i]);
        return true;
    }
    QSqlError lastError() const override { return {}; }
    bool next() override { return m_statement->step(); }
    qint64 integer(int column) const override { return m_statement->key(column); }
    QString text(int column) const override { return QString::fromUtf8(m_statement->text(column)); }
    QByteArrayView utf8(int column) const override { return m_statement->text(column); }
    bool textIs(int column, QByteArrayView utf8) const override { return m_statement->text(column) == utf8; }

private:
    sqlite3 *m_database;
    QString m_sql;
    QString m_action;
    QList<QByteArray> m_texts;
    std::unique_ptr<SqliteStatement> m_statement;
};

} // namespace

Failure SqliteDialect::failure(const QString &action, const QSqlError &error) const
{
    return storeFailure(action, error);
}

bool SqliteDialect::connectionLost(const QSqlError &) const { return false; }

bool SqliteDialect::busy(const QSqlError &error) const
{
    const int code = error.nativeErrorCode().toInt();
    return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED;
}

QString SqliteDialect::columnType(const Store::Column &column) const { return Store::sqliteType(column); }

// INTEGER PRIMARY KEY takes max + 1: never reused, as nothing is ever deleted.
QString SqliteDialect::idKey() const { return QStringLiteral(" PRIMARY KEY"); }

QString SqliteDialect::rowKey() const { return QStringLiteral("rowid"); }

QString SqliteDialect::hiddenKeyColumn() const { return QString(); }

QString SqliteDialect::fieldName(const QString &column) const { return column; }

// Takes the write lock of the file and of every attached one at once.
QString SqliteDialect::begin() const { return QStringLiteral("BEGIN IMMEDIATE"); }

QStringList SqliteDialect::lockTable(const QString &) const { return {}; }

QString SqliteDialect::lastId() const { return QStringLiteral("SELECT last_insert_rowid()"); }

QString SqliteDialect::contains() const { return QStringLiteral("instr(%1, ?) > 0"); }

std::pair<QString, QVariantList> SqliteDialect::tableExists(const QString &table) const
{
    return {QStringLiteral("SELECT count(*) > 0 FROM sqlite_master WHERE type = 'table' AND name = ?"),
            {table}};
}

std::pair<QString, QVariantList> SqliteDialect::indexExists(const QString &index) const
{
    return {QStringLiteral("SELECT count(*) > 0 FROM sqlite_master WHERE type = 'index' AND name = ?"), {index}};
}

std::pair<QString, QVariantList> SqliteDialect::columnExists(const QString &table,
                                                             const QString &column) const
{
    return {QStringLiteral("SELECT count(*) > 0 FROM pragma_table_info(?) WHERE name = ?"), {table, column}};
}

// BEGIN IMMEDIATE has locked the file already.
QStringList SqliteDialect::beforeMaking(const QString &) const { return {}; }

QStringList SqliteDialect::afterMaking() const { return {QStringLiteral("PRAGMA user_version = 1")}; }

QStringList SqliteDialect::refusal(const QString &name, const QString &event, const QString &table,
                                   const QString &condition) const
{
    return {QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3%4 BEGIN SELECT RAISE(ABORT, "
                           "'the register is append-only'); END")
                .arg(quoted(name), event, table,
                     condition.isEmpty() ? QString() : QStringLiteral(" WHEN ") + condition)};
}

QStringList SqliteDialect::refusalFunction() const { return {}; }

// SQLite has no TRUNCATE: a DELETE without WHERE meets the DELETE trigger.
QStringList SqliteDialect::refuseTruncate(const QString &, const QString &) const { return {}; }

// One transaction over two files is sound here: both keep SQLite's rollback
// journal (the program never switches a table to WAL), so a transaction that
// writes both commits through a super-journal: after a crash or a kill,
// SQLite rolls both files back or keeps both, never one of them.
// The file is named by URI, to open it without making it: the connection
// must be opened with QSQLITE_OPEN_URI (SQLite for Windows takes a URI
// only then).
bool SqliteDialect::attach(QSqlDatabase &database, const QString &schema, const QString &path,
                           const QString &action) const
{
    if (!QFileInfo(path).isFile())
        throw Failure(QStringLiteral("Таблицата „%1“ не съществува.").arg(QDir::toNativeSeparators(path)));
    run(database, QStringLiteral("ATTACH DATABASE ? AS ") + schema,
        {QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw")}, action);
    return true;
}

void SqliteDialect::detach(QSqlDatabase &database, const QString &schema) const
{
    QSqlQuery(database).exec(QStringLiteral("DETACH DATABASE ") + schema);
}

QString SqliteDialect::attachedTable(const QSqlDatabase &database, const QString &schema,
                                     const QString &fileName, const QString &, const QString &action) const
{
    QSqlQuery tables(database);
    if (!tables.exec(QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type = 'table' "
                                    "AND name NOT LIKE 'sqlite~_%' ESCAPE '~' ORDER BY rowid")
                         .arg(schema)))
        throw failure(action, tables.lastError());
    const QString baseName = QFileInfo(fileName).completeBaseName();
    QString found;
    while (tables.next()) {
        const QString name = tables.value(0).toString();
        if (found.isEmpty() || name.compare(baseName, Qt::CaseInsensitive) == 0)
            found = name;
    }
    if (found.isEmpty())
        throw Failure(action + QStringLiteral(": файлът „%1“ не съдържа таблица.").arg(fileName));
    return schema + u'.' + quoted(found);
}

QStringList SqliteDialect::tables(const QSqlDatabase &database, const QString &action) const
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                   "AND name NOT LIKE 'sqlite~_%' ESCAPE '~' AND name NOT LIKE '~_~_%' "
                                   "ESCAPE '~' ORDER BY rowid")))
        throw failure(action, query.lastError());
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

QList<SqlDialect::ColumnInfo> SqliteDialect::columns(const QSqlDatabase &database, const QString &table,
                                                     const QString &action) const
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(quoted(table))))
        throw failure(action, query.lastError());
    QList<ColumnInfo> found;
    while (query.next())
        found << ColumnInfo{query.value(1).toString(), query.value(2).toString(), QString()};
    return found;
}

// A file declares the type itself.
QStringList SqliteDialect::remark(const QString &, const QString &, const QString &) const { return {}; }

quint32 SqliteDialect::serial(const QSqlDatabase &database, const QString &, const QString &action) const
{
    QSqlQuery version(database);
    if (!version.exec(QStringLiteral("PRAGMA user_version")))
        throw failure(action, version.lastError());
    return version.next() ? quint32(version.value(0).toInt()) : 0;
}

void SqliteDialect::setSerial(QSqlDatabase &database, const QString &, quint32 serial,
                              const QString &action) const
{
    run(database, QStringLiteral("PRAGMA user_version = %1").arg(qint32(serial)), {}, action);
}

// The rowid and INTEGER PRIMARY KEY go on from the largest key by themselves.
void SqliteDialect::continueKeys(QSqlDatabase &, const QString &, const QString &, const QString &) const { }

std::unique_ptr<RowScan> SqliteDialect::scan(const QSqlDatabase &database, const QString &sql,
                                             const QVariantList &texts, const QString &action) const
{
    return std::make_unique<SqliteScan>(SqliteTable::handle(database), sql, texts, action);
}

bool SqliteDialect::keysInCommitOrder() const { return true; }

QString SqliteDialect::dataVersion() const { return QStringLiteral("PRAGMA data_version"); }
