#include "reference/TableMaker.h"

#include "common/Failure.h"
#include "platform/PrivateFiles.h"
#include "reference/Schema.h"
#include "store/RecordKeys.h"
#include "store/SqlDialect.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace TableMaker {

namespace {

using Schema::KeyColumn;
using Schema::quoted;

void exec(QSqlQuery &query, const QString &statement)
{
    if (!query.exec(statement))
        throw Failure(QStringLiteral("Таблицата не може да бъде създадена: %1").arg(query.lastError().text()));
}

void fillFile(const QString &path, const TableDefinition &table, qsizetype count,
              const std::function<QVariantMap(qsizetype)> &makeRecord, quint32 serial)
{
    const QString connection = QStringLiteral("bilvaro.maker.") + QUuid::createUuid().toString();
    // The connection is closed on a failure too: Windows cannot delete the
    // half-made file while it is open.
    struct Closer {
        const QString &name;
        ~Closer() { QSqlDatabase::removeDatabase(name); }
    } closer{connection};
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(path);
        if (!database.open())
            throw Failure(QStringLiteral("Файлът „%1“ не може да бъде създаден: %2")
                              .arg(QDir::toNativeSeparators(path), database.lastError().text()));
        // Before the first write, so that SQLite's journal takes the mode too.
        PrivateFiles::restrict(path);
        QSqlQuery query(database);
        exec(query, QStringLiteral("BEGIN"));
        QStringList columns{quoted(KeyColumn) + QStringLiteral(" INTEGER PRIMARY KEY")};
        for (const Column &column : table.columns)
            columns << quoted(column.name) + u' ' + column.type;
        exec(query, QStringLiteral("CREATE TABLE %1 (%2)").arg(quoted(table.tableName), columns.join(QStringLiteral(", "))));
        for (const QString &statement : table.extraStatements)
            exec(query, statement);

        QStringList names{quoted(KeyColumn)};
        QStringList marks{QStringLiteral("?")};
        for (const Column &column : table.columns) {
            names << quoted(column.name);
            marks << QStringLiteral("?");
        }
        QSqlQuery insert(database);
        insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(quoted(table.tableName), names.join(u','), marks.join(u',')));
        const qint64 step = RecordKeys::makerStep(count);
        qint64 key = 0;
        for (qsizetype index = 0; index < count; ++index) {
            const QVariantMap record = makeRecord(index);
            // A record carries its key when it is a copy of a stored one.
            insert.addBindValue(record.contains(KeyColumn) ? record.value(KeyColumn).toLongLong() : (key += step));
            for (const Column &column : table.columns) {
                const QVariant value = record.value(column.name);
                const bool blank = !value.isValid() || (value.typeId() == QMetaType::QString && value.toString().isEmpty());
                insert.addBindValue(blank ? QVariant() : value);
            }
            if (!insert.exec())
                throw Failure(QStringLiteral("Записът не може да бъде добавен: %1").arg(insert.lastError().text()));
        }
        insert.finish();
        if (serial > 0)
            SqlDialect::of(database).setSerial(database, table.tableName, serial,
                                               QStringLiteral("Таблицата не може да бъде създадена"));
        exec(query, QStringLiteral("COMMIT"));
        query.finish();
        database.close();
    }
}

} // namespace

QList<TableDefinition> referenceTables()
{
    QList<TableDefinition> tables;
    for (const Schema::Table &table : Schema::tables()) {
        TableDefinition definition{table.fileName, table.sqlName, {}, table.extraStatements};
        for (const Schema::Column &column : table.columns)
            definition.columns.append({column.name, Schema::declaredType(column)});
        tables.append(definition);
    }
    return tables;
}

TableDefinition referenceTable(const QString &fileName)
{
    for (const TableDefinition &table : referenceTables()) {
        if (table.fileName == fileName)
            return table;
    }
    throw Failure(QStringLiteral("Няма таблица „%1“.").arg(fileName));
}

bool makeTable(const QString &dataFolder, const TableDefinition &table, const QList<QVariantMap> &records)
{
    return makeTable(dataFolder, table, records.size(), [&](qsizetype index) { return records[index]; });
}

bool makeTable(const QString &dataFolder, const TableDefinition &table, qsizetype count,
               const std::function<QVariantMap(qsizetype)> &record, quint32 serial)
{
    const QString target = QDir(dataFolder).filePath(table.fileName);
    if (QFileInfo::exists(target))
        return false;
    // Made under a passing name and renamed into place: the rename never
    // replaces a file that appeared meanwhile.
    const QString partial = target + QStringLiteral(".part-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    try {
        fillFile(partial, table, count, record, serial);
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
    if (!QFile::rename(partial, target)) {
        QFile::remove(partial);
        if (QFileInfo::exists(target))
            return false;
        throw Failure(QStringLiteral("Файлът „%1“ не може да бъде създаден.").arg(QDir::toNativeSeparators(target)));
    }
    return true;
}

} // namespace TableMaker
