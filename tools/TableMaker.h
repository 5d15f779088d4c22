#pragma once

#include "common/Currency.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>

class QRandomGenerator;

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
// As above, with the records made one by one as they are written (record(i)
// for i from 0 to count - 1), so that a large table never sits in memory.
// A record that holds Schema::KeyColumn keeps that key; serial is the last
// key serial the table gave (its user_version), 0 for a new table.
bool makeTable(const QString &dataFolder, const TableDefinition &table, qsizetype count,
               const std::function<QVariantMap(qsizetype)> &record, quint32 serial = 0);

// Writes the settings file mem.txt of a start folder that has none: the
// default settings, starting in the given currency. Returns whether it was
// written; an existing file is never touched, a failure throws.
bool makeSettings(const QString &startFolder, Currency currency);

// The demo data set, in the demo library (it draws the logos with Qt Gui).

// Makes whichever of the four tables are missing in startFolder/DB (made if
// missing as well), with the demo records when asked. Returns the file names made.
QStringList makeTables(const QString &startFolder, bool demo);

// The demo records of a table, in Bulgarian.
QList<QVariantMap> demoRecords(const QString &fileName);
// A made-up goods record of an office-supplies catalogue with the given
// running number: a Cyrillic description of one to three lines, a unit, a
// price and a stock (now and then 0), drawn from the generator.
QVariantMap catalogueGoods(int number, QRandomGenerator &random);
// Makes the goods table stock.db in the data folder with that many
// catalogue records, the same ones on every run; an existing table is left
// as it is. Returns whether it was made.
bool makeCatalogue(const QString &dataFolder, int count);

// A small company logo as a 24-bit BMP file.
QByteArray demoLogo(int variant);

} // namespace TableMaker
