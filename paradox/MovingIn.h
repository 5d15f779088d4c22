#pragma once

#include "common/Progress.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// Moving in from the old program: the four Paradox tables of a start
// folder's DB folder become the SQLite tables this program uses, with every
// column and record, and the Paradox files kept, unchanged, in a folder of
// their own beside them.
namespace MovingIn {

// The reference tables in the data folder that are Paradox tables, judged by
// their first bytes: the schema's file names, as found in the folder.
QStringList paradoxTables(const QString &dataFolder);

struct TableSummary {
    QString fileName;
    bool fromParadox = false;  // else made empty: the folder had no such table
    qsizetype records = 0;
    qsizetype columns = 0;
    qsizetype pictures = 0;
    QStringList changes;  // what had to be changed, one line each
};

struct Outcome {
    QString keptIn;  // the folder the Paradox files were moved into
    QList<TableSummary> tables;
};

// Converts the Paradox tables of startFolder/DB. Refuses (a Failure) where
// any of the four tables is already one of this program's, or where none is
// a Paradox table. Every table is read before anything is moved; a failure
// afterwards puts the Paradox files back and removes what was made. The
// tables read and the records written are reported to `progress`; stopping
// there is such a failure too (Cancelled).
Outcome convert(const QString &startFolder, const QDateTime &now = QDateTime::currentDateTime(),
                Progress &progress = Progress::none());

// The steps' texts (the tables read, then the records written), and what is
// said when the user stops them.
inline const QString ReadingParadoxText = QStringLiteral("Четене на таблиците на Paradox…");
inline const QString ConvertingText = QStringLiteral("Прехвърляне от Paradox…");
inline const QString ConversionStoppedText =
    QStringLiteral("Прехвърлянето от Paradox е прекъснато. Таблиците на Paradox са оставени, както бяха.");

// The summary shown after the conversion, one paragraph per table.
QString summaryText(const Outcome &outcome);

} // namespace MovingIn
