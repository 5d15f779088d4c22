#pragma once

#include <QList>
#include <QtGlobal>
#include <functional>
#include <limits>
#include <optional>

// The arithmetic of record keys: a record's integer key is its place in the
// table's order (see TableStore). Nothing here reads or writes a table.
namespace RecordKeys {

// Every key the store gives ends in a serial number of its own (the low 32
// bits), counted on in the file, so that no key is ever given twice: a
// program still showing a record that another program deleted can never
// reach a record added after it. The bits above place the record.
constexpr int SerialBits = 32;
constexpr __int128 SerialPeriod = __int128(1) << SerialBits;
// Keys of the table maker's records end in 24 zero bits: no serial does.
constexpr quint32 MakerKeyBits = (quint32(1) << 24) - 1;
// Gap the store leaves between the keys of records appended at the end; a
// record inserted between two others takes a key near the middle of their
// gap. (The table maker spaces its records by Schema::MakerKeyStep.)
constexpr qint64 AppendGap = qint64(1) << 40;
// Records whose gap is used up are spread out again to at least this gap,
// which holds a key for any serial.
constexpr qint64 MinimumGap = qint64(1) << (SerialBits + 2);

// The step between the keys of a table made whole (by the table maker, the
// move from Paradox): the append gap, so that the first record inserted
// between any two takes a key in their gap and moves no other. Only a table of
// more than 2,097,152 records is made closer, its keys and as many appended
// after them staying in the lower half of the range that a spread uses. A
// step is a whole multiple of 2^24, so the maker's keys end in no serial.
constexpr qint64 makerStep(qint64 records)
{
    constexpr qint64 room = std::numeric_limits<qint64>::max() / 4;
    const qint64 fitting = room / (records > 0 ? records : 1);
    const qint64 step = fitting < AppendGap ? fitting : AppendGap;
    return step > qint64(MakerKeyBits) ? step & ~qint64(MakerKeyBits) : qint64(MakerKeyBits) + 1;
}

// The key strictly between low and high, nearest their middle, that ends in
// the serial; nothing when the gap holds none.
std::optional<qint64> keyWithSerial(__int128 low, __int128 high, quint32 serial);

// The serial after this one, passing over those a table maker's key ends in.
quint32 nextSerial(quint32 serial);

// Keys start above 0; a table made elsewhere may hold lower ones.
qint64 lowestKey(const QList<qint64> &keys);

// The keys (sorted) between which a record placed before the record at the
// position, or at the end, takes its key.
struct Gap {
    qint64 low;
    qint64 high;
};
Gap gapBefore(const QList<qint64> &keys, int position);

// When the gap at the position is used up: the smallest stretch of records
// [from, to) around it whose key range leaves room for all of them and one
// more, and the gap their keys are spread out to, evenly from low.
struct Respacing {
    int from;
    int to;
    __int128 low;
    __int128 gap;
};
Respacing respacing(const QList<qint64> &keys, int position);
// The range in which the record at index (from <= index < to) takes its new
// key: one slot is left free before the record at the position.
Gap respacedRange(const Respacing &plan, int index, int position);

// A key for a new record placed before the record at the position (or at the
// end), each try taking the next serial from `takeSerial`: near the middle of
// the gap between its neighbours' keys, passing over keys the table holds.
// When the gap is used up, the records around are spread out first: `keys`
// then holds their new keys, and `moves` says which records moved, in order.
// Nothing when even a spread leaves no room.
struct Allocation {
    struct Move {
        QList<qint64> from, to;
    };
    qint64 key = 0;
    QList<Move> moves;
};
std::optional<Allocation> allocate(QList<qint64> &keys, int position, const std::function<quint32()> &takeSerial);

} // namespace RecordKeys
