#pragma once

#include <QList>
#include <QString>

// The values of one column of an open table, folded, in table order, beside
// the positions sorted by value. Finding equal values, values with a prefix
// or values not less than a text is a binary search; the table keeps the
// index current record by record as it changes.
class ColumnIndex {
public:
    // A range [begin, end) of sortedPosition() indexes.
    struct Range {
        qsizetype begin = 0;
        qsizetype end = 0;
        qsizetype size() const { return end - begin; }
    };

    ColumnIndex() = default;
    explicit ColumnIndex(QList<QString> foldedValues);

    qsizetype size() const { return m_values.size(); }
    const QString &value(qsizetype position) const { return m_values[position]; }
    // The position of the record that comes at this place in value order.
    int sortedPosition(qsizetype index) const { return m_sorted[index]; }

    Range equalRange(const QString &folded) const;
    Range prefixRange(const QString &foldedPrefix) const;
    // From the first value not less than the text to the end.
    Range notLessRange(const QString &folded) const;

    // A record inserted before the one at this position (or appended).
    void insert(qsizetype position, const QString &folded);
    void remove(qsizetype position);
    void set(qsizetype position, const QString &folded);

private:
    bool before(int a, int b) const;
    qsizetype sortedIndexOf(qsizetype position) const;
    qsizetype lowerBound(const QString &folded) const;

    QList<QString> m_values;
    QList<int> m_sorted;
};
