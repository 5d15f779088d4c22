#include "common/ParadoxFormat.h"

#include "common/Cp1251.h"
#include "common/Failure.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <QtEndian>
#include <cmath>

namespace Paradox {

namespace {

quint16 word(QByteArrayView bytes, qsizetype at) { return qFromLittleEndian<quint16>(bytes.data() + at); }
quint32 longWord(QByteArrayView bytes, qsizetype at) { return qFromLittleEndian<quint32>(bytes.data() + at); }

// The block sizes a table may have, in kilobytes.
bool knownBlockSize(int kilobytes)
{
    return kilobytes == 1 || kilobytes == 2 || kilobytes == 3 || kilobytes == 4 || kilobytes == 8
           || kilobytes == 16 || kilobytes == 32;
}

// Days from 1 January 4713 BC (Julian) to the day before 1 January of year 1.
constexpr qint64 JulianDayOfDayZero = 1721425;

// A .MB file is made of 4 kB chunks; a block is one or more of them.
constexpr qsizetype Chunk = 4096;
constexpr char SingleBlob = 2, SmallBlobs = 3;
// A block of its own: type, chunks, size, modification number; a graphic's
// block has eight bytes more.
constexpr qsizetype SingleHead = 9, GraphicExtra = 8;
// A block of small blobs: a 12-byte head, then 64 entries of 5 bytes each.
constexpr qsizetype SmallHead = 12, SmallEntry = 5, SmallEntries = 64;

} // namespace

std::optional<Header> header(QByteArrayView bytes)
{
    if (bytes.size() < HeaderBytes)
        return std::nullopt;
    Header head;
    head.recordSize = word(bytes, 0x00);
    head.headerSize = word(bytes, 0x02);
    const int fileType = quint8(bytes[0x04]);
    const int blockKilobytes = quint8(bytes[0x05]);
    head.blockSize = blockKilobytes * 1024;
    head.records = longWord(bytes, 0x06);
    head.fileBlocks = word(bytes, 0x0C);
    head.fields = word(bytes, 0x21);
    head.version = quint8(bytes[0x39]);
    // A table file (indexed or not), a known block size and version, a
    // header of whole 2 kB pieces; the records fit their block.
    if ((fileType != 0 && fileType != 2) || !knownBlockSize(blockKilobytes) || head.version < 3
        || head.version > 12 || head.headerSize < 0x58 || head.headerSize % 0x800 != 0
        || head.recordSize == 0 || head.recordSize > head.blockSize - 6 || head.fields == 0)
        return std::nullopt;
    // The password's checksum; 0xff00ff00 sends it to the second header of
    // Paradox 4 and later.
    quint32 password = longWord(bytes, 0x25);
    if (password == 0xff00ff00u)
        password = head.version >= 5 ? longWord(bytes, 0x5C) : 0;
    head.encrypted = password != 0;
    return head;
}

BlobPointer blobPointer(QByteArrayView field)
{
    BlobPointer pointer;
    if (field.size() < 10)
        return pointer;
    const qsizetype leader = field.size() - 10;
    const quint32 place = longWord(field, leader);
    pointer.offset = place & 0xffffff00u;
    pointer.index = int(place & 0xffu);
    pointer.size = longWord(field, leader + 4);
    pointer.modification = word(field, leader + 8);
    pointer.leader = field.first(leader);
    return pointer;
}

QByteArray blob(QByteArrayView mb, const BlobPointer &pointer, bool graphic)
{
    if (pointer.isNull())
        return {};
    const qsizetype extra = graphic ? GraphicExtra : 0;
    if (pointer.size < quint32(extra))
        throw Failure(QStringLiteral("размерът на картина е по-малък от заглавието ѝ"));
    const qsizetype size = qsizetype(pointer.size) - extra;
    if (size <= pointer.leader.size())
        return pointer.leader.first(size).toByteArray();
    const qsizetype at = qsizetype(pointer.offset);
    if (at == 0 || at % Chunk != 0 || at + SmallHead > mb.size())
        throw Failure(QStringLiteral("бележка сочи извън файла"));
    const char type = mb[at];
    // The last block may end with the file before its last chunk is full
    // (pxlib writes it so): only the blob's own bytes must be there.
    const qsizetype chunks = word(mb, at + 1);
    const qsizetype blockEnd = std::min(at + chunks * Chunk, mb.size());
    if (chunks == 0)
        throw Failure(QStringLiteral("блок с бележки е без размер"));
    if (type == SingleBlob) {
        if (pointer.index != 0xff)
            throw Failure(QStringLiteral("бележка в самостоятелен блок сочи към малка бележка"));
        if (longWord(mb, at + 3) != pointer.size)
            throw Failure(QStringLiteral("размерът на бележка в блока се различава от записа"));
        const qsizetype start = at + SingleHead + extra;
        if (start + size > blockEnd)
            throw Failure(QStringLiteral("бележка е отрязана или по-дълга от блока си"));
        return mb.sliced(start, size).toByteArray();
    }
    if (type == SmallBlobs) {
        if (pointer.index >= SmallEntries)
            throw Failure(QStringLiteral("бележка сочи извън таблицата на блока си"));
        const qsizetype entry = at + SmallHead + pointer.index * SmallEntry;
        if (entry + SmallEntry > blockEnd)
            throw Failure(QStringLiteral("блок с бележки е отрязан"));
        const qsizetype start = at + quint8(mb[entry]) * 16;
        const qsizetype sixteens = quint8(mb[entry + 1]);
        const qsizetype stored = (sixteens - 1) * 16 + quint8(mb[entry + 4]);
        if (sixteens == 0 || stored != qsizetype(pointer.size))
            throw Failure(QStringLiteral("размерът на бележка в блока се различава от записа"));
        if (start < entry + SmallEntry || start + stored > std::min(at + Chunk, blockEnd))
            throw Failure(QStringLiteral("бележка е извън блока си"));
        return mb.sliced(start + extra, size).toByteArray();
    }
    throw Failure(QStringLiteral("бележка сочи към блок, който не е блок с бележки"));
}

QString numberText(double value)
{
    if (!std::isfinite(value))
        return QString();
    if (value == 0)
        return QStringLiteral("0");  // also for -0
    return QLocale::c().toString(value, 'f', QLocale::FloatingPointShortest);
}

QString decimalText(QString digits)
{
    // pxlib writes the C locale's separator, which a program may have changed.
    digits.replace(u',', u'.');
    if (digits.contains(u'.')) {
        while (digits.endsWith(u'0'))
            digits.chop(1);
        if (digits.endsWith(u'.'))
            digits.chop(1);
    }
    if (digits == QLatin1String("-0") || digits.isEmpty())
        return QStringLiteral("0");
    return digits;
}

QString dateText(qint64 days)
{
    return QDate::fromJulianDay(days + JulianDayOfDayZero).toString(QStringLiteral("dd.MM.yyyy"));
}

QString timeText(qint64 milliseconds)
{
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(milliseconds % (24 * 3600 * 1000)));
    return time.toString(time.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
}

QString timestampText(double milliseconds)
{
    const qint64 whole = qint64(std::llround(milliseconds));
    const qint64 day = qint64(24) * 3600 * 1000;
    return dateText(whole / day) + u' ' + timeText(whole % day);
}

QString logicalText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

QString text(QByteArrayView bytes)
{
    const qsizetype end = bytes.indexOf('\0');
    return Cp1251::decode(end < 0 ? bytes : bytes.first(end));
}

} // namespace Paradox
