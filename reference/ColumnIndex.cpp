#include "reference/ColumnIndex.h"

#include <algorithm>
#include <numeric>

ColumnIndex::ColumnIndex(QList<QString> foldedValues) : m_values(std::move(foldedValues))
{
    m_sorted.resize(m_values.size());
    std::iota(m_sorted.begin(), m_sorted.end(), 0);
    std::sort(m_sorted.begin(), m_sorted.end(), [this](int a, int b) { return before(a, b); });
}

bool ColumnIndex::before(int a, int b) const
{
    const int order = m_values[a].compare(m_values[b]);
    return order < 0 || (order == 0 && a < b);
}

qsizetype ColumnIndex::lowerBound(const QString &folded) const
{
    const auto it = std::partition_point(m_sorted.cbegin(), m_sorted.cend(),
                                         [&](int p) { return m_values[p].compare(folded) < 0; });
    return it - m_sorted.cbegin();
}

ColumnIndex::Range ColumnIndex::equalRange(const QString &folded) const
{
    const qsizetype begin = lowerBound(folded);
    const auto end = std::partition_point(m_sorted.cbegin() + begin, m_sorted.cend(),
                                          [&](int p) { return m_values[p] == folded; });
    return {begin, end - m_sorted.cbegin()};
}

ColumnIndex::Range ColumnIndex::prefixRange(const QString &foldedPrefix) const
{
    // Values that begin with a text follow one another in value order.
    const qsizetype begin = lowerBound(foldedPrefix);
    const auto end = std::partition_point(m_sorted.cbegin() + begin, m_sorted.cend(),
                                          [&](int p) { return m_values[p].startsWith(foldedPrefix); });
    return {begin, end - m_sorted.cbegin()};
}

ColumnIndex::Range ColumnIndex::notLessRange(const QString &folded) const
{
    return {lowerBound(folded), m_sorted.size()};
}

qsizetype ColumnIndex::sortedIndexOf(qsizetype position) const
{
    const auto it = std::partition_point(m_sorted.cbegin(), m_sorted.cend(),
                                         [&](int p) { return before(p, int(position)); });
    return it - m_sorted.cbegin();
}

void ColumnIndex::insert(qsizetype position, const QString &folded)
{
    for (int &p : m_sorted) {
        if (p >= position)
            ++p;
    }
    m_values.insert(position, folded);
    m_sorted.insert(sortedIndexOf(position), int(position));
}

void ColumnIndex::remove(qsizetype position)
{
    m_sorted.remove(sortedIndexOf(position));
    m_values.remove(position);
    for (int &p : m_sorted) {
        if (p > position)
            --p;
    }
}

void ColumnIndex::set(qsizetype position, const QString &folded)
{
    if (m_values[position] == folded)
        return;
    m_sorted.remove(sortedIndexOf(position));
    m_values[position] = folded;
    m_sorted.insert(sortedIndexOf(position), int(position));
}
