#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

// Writes Paradox tables for the tests, as the old program's folders hold
// them: with pxlib's own writer for the table and its memos, and, for what
// pxlib does not write (binary blobs and graphics in the .MB file, a table
// protected by a password), by writing those bytes here.
namespace ParadoxWriter {

struct Field {
    QString name;  // stored in Windows-1251
    int type;      // pxlib's pxf* type
    int length = 0;
    int decimals = 0;  // of a BCD field
};

// Values by field, per record: QVariant() is blank; alpha, memo and BCD
// fields take a QString (the BCD value's digits), numbers, money and
// timestamps a double, short and long integers, dates and times an integer,
// logical fields a bool, blobs, graphics and bytes a QByteArray. The .MB
// file is written beside the table, with the extension ".MB".
void writeTable(const QString &path, const QList<Field> &fields, qsizetype count,
                const std::function<QVariantList(qsizetype)> &record);
void writeTable(const QString &path, const QList<Field> &fields, const QList<QVariantList> &records);

QString blobFilePath(const QString &tablePath);

// Marks the table as protected by a password, as Paradox does in its header.
void protectWithPassword(const QString &path);

// pxlib's day number of a date.
qint64 dayNumber(int year, int month, int day);

} // namespace ParadoxWriter

// The old program's four tables as a firm brings them (Firm.db, Details.db,
// stock.db, customer.db with their .MB files), in dataFolder: Cyrillic
// texts, the logo in a graphic field, descriptions in memos of several
// lines, a further column or two, the last invoice 0000000041 as text and
// the last proforma 7 as a long integer.
namespace ParadoxWriter::OldFolder {
QList<Field> fields(const QString &fileName);
QList<QVariantList> records(const QString &fileName);
void write(const QString &dataFolder);
} // namespace ParadoxWriter::OldFolder
