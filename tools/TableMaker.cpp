#include "tools/TableMaker.h"

#include "common/Failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace TableMaker {

namespace {

// The record's key and place in the table's order; the program does not show it.
const QString KeyColumn = QStringLiteral("__order");
constexpr qint64 KeyStep = qint64(1) << 24;

QString quoted(const QString &identifier)
{
    QString text = identifier;
    text.replace(u'"', QStringLiteral("\"\""));
    return u'"' + text + u'"';
}

void exec(QSqlQuery &query, const QString &statement)
{
    if (!query.exec(statement))
        throw Failure(QStringLiteral("Таблицата не може да бъде създадена: %1").arg(query.lastError().text()));
}

void fillFile(const QString &path, const TableDefinition &table, qsizetype count,
              const std::function<QVariantMap(qsizetype)> &makeRecord)
{
    const QString connection = QStringLiteral("bilvaro.maker.") + QUuid::createUuid().toString();
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(path);
        if (!database.open())
            throw Failure(QStringLiteral("Файлът „%1“ не може да бъде създаден: %2")
                              .arg(QDir::toNativeSeparators(path), database.lastError().text()));
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
        qint64 key = 0;
        for (qsizetype index = 0; index < count; ++index) {
            const QVariantMap record = makeRecord(index);
            insert.addBindValue(key += KeyStep);
            for (const Column &column : table.columns) {
                const QVariant value = record.value(column.name);
                const bool blank = !value.isValid() || (value.typeId() == QMetaType::QString && value.toString().isEmpty());
                insert.addBindValue(blank ? QVariant() : value);
            }
            if (!insert.exec())
                throw Failure(QStringLiteral("Записът не може да бъде добавен: %1").arg(insert.lastError().text()));
        }
        insert.finish();
        exec(query, QStringLiteral("COMMIT"));
        query.finish();
        database.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

Column text(const QString &name, int width) { return {name, QStringLiteral("VARCHAR(%1)").arg(width)}; }

} // namespace

QList<TableDefinition> referenceTables()
{
    QList<TableDefinition> tables;
    tables.append({QStringLiteral("Firm.db"), QStringLiteral("Firm"),
                   {text(QStringLiteral("ДОСТАВЧИК"), 60), text(QStringLiteral("ДОСТАВЧИК (втори ред)"), 60),
                    text(QStringLiteral("Адрес"), 60), text(QStringLiteral("Адрес (втори ред)"), 60),
                    text(QStringLiteral("МОЛ"), 40), text(QStringLiteral("ИН по ЗДДС BG"), 20),
                    text(QStringLiteral("ИН"), 20), text(QStringLiteral("Местоиздаване"), 40),
                    {QStringLiteral("Лого"), QStringLiteral("BLOB")},
                    text(QStringLiteral("Фактура №"), 10), text(QStringLiteral("Проформа №"), 10)},
                   {}});
    tables.append({QStringLiteral("Details.db"), QStringLiteral("Details"),
                   {text(QStringLiteral("Bank"), 60), text(QStringLiteral("IBAN"), 34), text(QStringLiteral("SWIFT"), 11)},
                   {}});
    tables.append({QStringLiteral("stock.db"), QStringLiteral("stock"),
                   {text(QStringLiteral("Пор. №"), 6), {QStringLiteral("Описание на стока/услуга"), QStringLiteral("CLOB")},
                    text(QStringLiteral("Мярка"), 10), text(QStringLiteral("Продажна цена"), 20),
                    text(QStringLiteral("К-во"), 20)},
                   {}});
    tables.append({QStringLiteral("customer.db"), QStringLiteral("customer"),
                   {text(QStringLiteral("Фирма"), 60), text(QStringLiteral("Идент №"), 40),
                    text(QStringLiteral("ИН по ЗДДС BG"), 20), text(QStringLiteral("Адрес"), 40),
                    text(QStringLiteral("МОЛ"), 40), text(QStringLiteral("Телефон"), 15), text(QStringLiteral("Факс"), 15)},
                   {QStringLiteral("CREATE INDEX \"ByNo\" ON \"customer\" (\"Идент №\" COLLATE NOCASE)")}});
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
               const std::function<QVariantMap(qsizetype)> &record)
{
    const QString target = QDir(dataFolder).filePath(table.fileName);
    if (QFileInfo::exists(target))
        return false;
    // Made under a passing name and renamed into place: the rename never
    // replaces a file that appeared meanwhile.
    const QString partial = target + QStringLiteral(".part-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    try {
        fillFile(partial, table, count, record);
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

QStringList makeTables(const QString &startFolder, bool demo)
{
    const QString dataFolder = QDir(startFolder).filePath(QStringLiteral("DB"));
    if (!QDir().mkpath(dataFolder))
        throw Failure(QStringLiteral("Папката „%1“ не може да бъде създадена.").arg(QDir::toNativeSeparators(dataFolder)));
    QStringList made;
    for (const TableDefinition &table : referenceTables()) {
        if (makeTable(dataFolder, table, demo ? demoRecords(table.fileName) : QList<QVariantMap>()))
            made << table.fileName;
    }
    return made;
}

} // namespace TableMaker
