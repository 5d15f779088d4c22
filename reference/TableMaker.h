#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>

// Makes the four reference tables: one SQLite file per table in the start
// folder's DB folder. The program itself only opens them. Beside the store,
// so that both the table tool and the moving in from Paradox make them; the
// settings file and the demo data are the tool's (tools/TableMaker.h).
namespace TableMaker {

struct Column {
    QString name;
    QString type;  // declared SQL type: VARCHAR(n) for text, CLOB for a memo, BLOB for a picture
};

struct TableDefinition {
    QString fileName;   // in the data directory
    QString tableName;  // the table inside the file
    QList<Column> columns;
    QStringList extraStatements;  // indexes
};

// The four tables of the schema, with their columns in order as SQL declares them.
QList<TableDefinition> referenceTables();
TableDefinition referenceTable(const QString &fileName);

// Makes the table file in the data folder holding the records (values by
// column name; a picture as its bytes), unless a file of that name exists:
// an existing table is never touched. The file appears complete or not at
// all. Returns whether it was made; a failure throws.
bool makeTable(const QString &dataFolder, const TableDefinition &table,
               const QList<QVariantMap> &records = {});
// As above, with the records made one by one as they are written (record(i)
// for i from 0 to count - 1), so that a large table never sits in memory.
// A record that holds Schema::KeyColumn keeps that key; serial is the last
// key serial the table gave (its user_version), 0 for a new table.
bool makeTable(const QString &dataFolder, const TableDefinition &table, qsizetype count,
               const std::function<QVariantMap(qsizetype)> &record, quint32 serial = 0);

} // namespace TableMaker
