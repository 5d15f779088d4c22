#pragma once

#include <QList>
#include <QString>
#include <QVariant>

// Reading an old Paradox table file (.DB, Paradox 3.0 to 7) with its blob
// file (.MB) beside it: the header and fields through pxlib, every record's
// values in their text forms (common/ParadoxFormat).
namespace Paradox {

// pxlib's field types (paradox.h).
enum class FieldType {
    Alpha = 0x01, Date = 0x02, Short = 0x03, Long = 0x04, Money = 0x05, Number = 0x06,
    Logical = 0x09, Memo = 0x0C, Blob = 0x0D, FormattedMemo = 0x0E, Ole = 0x0F, Graphic = 0x10,
    Time = 0x14, Timestamp = 0x15, AutoIncrement = 0x16, Bcd = 0x17, Bytes = 0x18
};

struct Field {
    QString name;
    FieldType type = FieldType::Alpha;
    int length = 0;  // bytes in the record
};

// Whether values of the type are kept as bytes rather than as text.
bool isBinary(FieldType type);

struct Table {
    QString path;
    QList<Field> fields;
    // Per record, per field: a QString (text forms, memos), a QByteArray
    // (blobs, graphics, bytes), or a null QVariant for a blank value.
    QList<QVariantList> records;
};

// Reads the whole table. Throws a Failure naming the file when it is no
// Paradox table, is protected by a password, is damaged or cut short, or
// needs its .MB file and that is missing or damaged.
Table readTable(const QString &path);

} // namespace Paradox
