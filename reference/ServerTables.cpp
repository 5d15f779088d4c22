#include "reference/ServerTables.h"

#include "common/Failure.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace ServerTables {

namespace {

using Schema::quoted;

void run(QSqlDatabase &database, const QString &sql)
{
    QSqlQuery query(database);
    if (!query.exec(sql))
        throw Failure(QStringLiteral("Таблиците не могат да бъдат създадени на сървъра: %1")
                          .arg(query.lastError().databaseText()));
}

// The counters and the trigger function that raises them: made once per database.
void createCounters(QSqlDatabase &database)
{
    run(database, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (table_name text PRIMARY KEY, "
                                 "version bigint NOT NULL DEFAULT 0)")
                      .arg(QLatin1String(ChangesTable)));
    run(database, QStringLiteral("CREATE OR REPLACE FUNCTION bilvaro_count_change() RETURNS trigger "
                                 "LANGUAGE plpgsql AS $$ BEGIN "
                                 "UPDATE %1 SET version = version + 1 WHERE table_name = TG_TABLE_NAME; "
                                 "RETURN NULL; END $$")
                      .arg(QLatin1String(ChangesTable)));
}

} // namespace

bool exists(QSqlDatabase &database, const QString &table)
{
    QSqlQuery query(database);
    query.prepare(QStringLiteral("SELECT to_regclass(?) IS NOT NULL"));
    query.addBindValue(quoted(table));
    return query.exec() && query.next() && query.value(0).toBool();
}

void createTable(QSqlDatabase &database, const QString &table, const QList<Schema::Column> &columns)
{
    createCounters(database);
    QStringList declared{quoted(Schema::KeyColumn) + QStringLiteral(" bigint PRIMARY KEY")};
    for (const Schema::Column &column : columns)
        declared << quoted(column.name) + u' ' + serverType(column);
    run(database, QStringLiteral("CREATE TABLE %1 (%2)").arg(quoted(table), declared.join(QStringLiteral(", "))));
    run(database, QStringLiteral("CREATE SEQUENCE %1").arg(quoted(serialName(table))));
    QSqlQuery counter(database);
    counter.prepare(QStringLiteral("INSERT INTO %1 VALUES (?, 0)").arg(QLatin1String(ChangesTable)));
    counter.addBindValue(table);
    if (!counter.exec())
        throw Failure(QStringLiteral("Таблиците не могат да бъдат създадени на сървъра: %1")
                          .arg(counter.lastError().databaseText()));
    run(database, QStringLiteral("CREATE TRIGGER bilvaro_count_change AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE "
                                 "ON %1 FOR EACH STATEMENT EXECUTE FUNCTION bilvaro_count_change()")
                      .arg(quoted(table)));
}

void create(QSqlDatabase &database)
{
    for (const Schema::Table &table : Schema::tables()) {
        if (exists(database, table.sqlName))
            throw Failure(QStringLiteral("Базата на сървъра вече има таблица „%1“; таблиците не са създадени.")
                              .arg(table.sqlName));
    }
    for (const Schema::Table &table : Schema::tables())
        createTable(database, table.sqlName, table.columns);
}

} // namespace ServerTables
