#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// Makes the four reference tables: one SQLite file per table in the start
// folder's DB folder. The program itself only opens them.
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

// The demo data set, in the demo library (it draws the logos with Qt Gui).

// Makes whichever of the four tables are missing in startFolder/DB (made if
// missing as well), with the demo records when asked. Returns the file names made.
QStringList makeTables(const QString &startFolder, bool demo);

// The demo records of a table, in Bulgarian.
QList<QVariantMap> demoRecords(const QString &fileName);
// A small company logo as a 24-bit BMP file.
QByteArray demoLogo(int variant);

} // namespace TableMaker
