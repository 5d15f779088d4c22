#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

// Runs SQL on a table file through a connection of its own, as another
// program would, and returns the first column of the rows the statements
// select. A file that does not open or a statement that fails gives a row
// "failed: …", so that comparing the result with the expected rows fails.
inline QStringList sqlOnFile(const QString &file, const QStringList &statements)
{
    QStringList rows;
    const QString name = QStringLiteral("sql.on.file");
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(file);
        if (!database.open())
            rows << QStringLiteral("failed: cannot open ") + file;
        QSqlQuery query(database);
        for (const QString &statement : statements) {
            if (!database.isOpen())
                break;
            if (!query.exec(statement))
                rows << QStringLiteral("failed: ") + statement;
            while (query.isSelect() && query.next())
                rows << query.value(0).toString();
        }
        query.finish();
        database.close();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}
