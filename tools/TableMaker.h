#pragma once

#include "common/Currency.h"
#include "reference/TableMaker.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QRandomGenerator;

// What the table tool makes beside the tables themselves: the settings file
// and the demo data set.
namespace TableMaker {

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
