#include "store/RecordKeys.h"

#include <algorithm>
#include <limits>

namespace RecordKeys {

std::optional<qint64> keyWithSerial(__int128 low, __int128 high, quint32 serial)
{
    const __int128 middle = low + (high - low) / 2;
    __int128 below = (middle - serial) % SerialPeriod;
    if (below < 0)
        below += SerialPeriod;
    __int128 key = middle - below;
    if (key <= low)
        key += SerialPeriod;
    if (key <= low || key >= high)
        return std::nullopt;
    return qint64(key);
}

quint32 nextSerial(quint32 serial)
{
    do
        ++serial;
    while ((serial & MakerKeyBits) == 0);
    return serial;
}

qint64 lowestKey(const QList<qint64> &keys)
{
    return keys.isEmpty() ? 0 : std::min<qint64>(0, keys.first() - 1);
}

Gap gapBefore(const QList<qint64> &keys, int position)
{
    const qint64 low = position > 0 ? keys[position - 1] : lowestKey(keys);
    const qint64 high = position < keys.size()
                            ? keys[position]
                            : qint64(std::min<__int128>(__int128(low) + 2 * AppendGap, std::numeric_limits<qint64>::max()));
    return {low, high};
}

Respacing respacing(const QList<qint64> &keys, int position)
{
    const int count = int(keys.size());
    int from = position;
    int to = position;  // records [from, to) move
    for (int reach = 1;; reach *= 2) {
        from = std::max(0, position - reach);
        to = std::min(count, position + reach);
        const __int128 low = from > 0 ? keys[from - 1] : lowestKey(keys);
        const __int128 high = to < count ? keys[to] : std::numeric_limits<qint64>::max() / 2;
        const __int128 slots = (to - from) + 2;
        if (high - low >= slots * MinimumGap || (from == 0 && to == count))
            break;
    }
    const __int128 low = from > 0 ? keys[from - 1] : lowestKey(keys);
    const __int128 high = to < count ? keys[to] : std::numeric_limits<qint64>::max() / 2;
    return {from, to, low, (high - low) / ((to - from) + 2)};
}

Gap respacedRange(const Respacing &plan, int index, int position)
{
    const int slot = (index - plan.from) + 1 + (index >= position ? 1 : 0);
    const __int128 middle = plan.low + plan.gap * slot;
    return {qint64(middle - plan.gap / 2), qint64(middle + plan.gap / 2)};
}

namespace {

std::optional<qint64> keyBetween(const QList<qint64> &keys, qint64 low, qint64 high,
                                 const std::function<quint32()> &takeSerial)
{
    for (;;) {
        const std::optional<qint64> key = keyWithSerial(low, high, takeSerial());
        // A key that a table made elsewhere already holds takes the next serial.
        if (!key || !std::binary_search(keys.cbegin(), keys.cend(), *key))
            return key;
    }
}

} // namespace

std::optional<Allocation> allocate(QList<qint64> &keys, int position, const std::function<quint32()> &takeSerial)
{
    Allocation allocation;
    for (;;) {
        const Gap gap = gapBefore(keys, position);
        if (const std::optional<qint64> key = keyBetween(keys, gap.low, gap.high, takeSerial)) {
            allocation.key = *key;
            return allocation;
        }
        // The neighbours' gap is used up: the records around the place are
        // spread out over a stretch that leaves room for one more, on new
        // keys never given before.
        const Respacing plan = respacing(keys, position);
        QList<qint64> spread;
        for (int i = plan.from; i < plan.to; ++i) {
            const Gap range = respacedRange(plan, i, position);
            const std::optional<qint64> key = keyBetween(keys, range.low, range.high, takeSerial);
            if (!key)
                return std::nullopt;
            spread << *key;
        }
        allocation.moves.append({keys.mid(plan.from, plan.to - plan.from), spread});
        for (int i = plan.from; i < plan.to; ++i)
            keys[i] = spread[i - plan.from];
    }
}

} // namespace RecordKeys
