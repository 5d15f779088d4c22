#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// The bytes of the old Paradox tables, read without touching a file: the
// table header's facts, the blob pointers in a record, the blocks of a .MB
// file, and the text forms of the values. The file reading itself (through
// pxlib) is in paradox/ParadoxTable; these bytes sit in common/ because the
// table store, below paradox/, uses them too to name a Paradox file it cannot open.
namespace Paradox {

// What a table file's header says, where the reader needs it before pxlib
// opens the file.
struct Header {
    int recordSize = 0;
    int headerSize = 0;
    int blockSize = 0;  // bytes
    qint64 records = 0;
    int fileBlocks = 0;
    int fields = 0;
    int version = 0;  // the file version byte: 3 for Paradox 3.0 up to 12 for Paradox 7
    bool encrypted = false;
    // The bytes a whole file of this header holds at least.
    qint64 expectedSize() const { return headerSize + qint64(fileBlocks) * blockSize; }
};

// How many first bytes header() needs.
constexpr int HeaderBytes = 0x60;

// The header of a Paradox table file (.DB) from its first bytes, or nothing
// when the bytes are not one.
std::optional<Header> header(QByteArrayView firstBytes);
// Whether a file beginning with these bytes is a Paradox table.
inline bool looksLikeTable(QByteArrayView firstBytes) { return header(firstBytes).has_value(); }

// The last ten bytes of a memo, blob or graphic field point into the .MB
// file; the bytes before them (the leader) repeat the blob's beginning.
struct BlobPointer {
    quint32 offset = 0;  // of the block in the .MB file
    int index = 0;       // of the blob in a block of small blobs; 0xff for a block of its own
    quint32 size = 0;
    int modification = 0;
    QByteArrayView leader;
    bool isNull() const { return size == 0; }
};
BlobPointer blobPointer(QByteArrayView field);

// The blob a pointer names, read out of the whole .MB file. A graphic field's
// block carries eight more bytes before the picture. A blob no longer than
// the leader is the leader's beginning. Throws a Failure whose text says,
// in Bulgarian, what is wrong with the .MB bytes.
QByteArray blob(QByteArrayView mbFile, const BlobPointer &pointer, bool graphic);

// Text forms, as the program's tables hold them: numbers with a point, no
// exponent, no trailing zeros; dates as dd.MM.yyyy; times as HH:mm:ss (with
// milliseconds where there are any); logical values as True and False.
QString numberText(double value);
QString decimalText(QString digits);  // a BCD value as pxlib spells it
QString dateText(qint64 days);        // days since 31 December of year 0
QString timeText(qint64 milliseconds);
QString timestampText(double milliseconds);
QString logicalText(bool value);
// An alpha field or a memo: Windows-1251, up to the first zero byte.
QString text(QByteArrayView bytes);

} // namespace Paradox
