#include "store/SqlDialect.h"

#include "store/PostgresDialect.h"
#include "store/SqliteDialect.h"

#include <QSqlQuery>

const SqlDialect &SqlDialect::of(const QSqlDatabase &database)
{
    static const SqliteDialect file;
    static const PostgresDialect server;
    if (database.driverName() == QLatin1String("QPSQL"))
        return server;
    return file;
}

QSqlQuery SqlDialect::run(const QSqlDatabase &database, const QString &sql, const QVariantList &values,
                     const QString &action) const
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    // A server prepares only queries and changes of rows: the rest runs as it is.
    bool done = false;
    if (values.isEmpty()) {
        done = query.exec(sql);
    } else {
        query.prepare(sql);
        for (const QVariant &value : values)
            query.addBindValue(value);
        done = query.exec();
    }
    if (!done)
        throw failure(action, query.lastError());
    return query;
}
