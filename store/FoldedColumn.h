#pragma once

#include "store/CaseFolding.h"

#include <QByteArrayView>
#include <QStringView>
#include <memory>
#include <vector>

// The values of one column of a table as the search compares them, folded
// (see foldCase) and without the quotation marks and blanks in front (see
// searchKey), by position in the table's order.
//
// A search compares the whole column with the typed text at every
// keystroke, and reads it whole at the first. So the values lie in a few
// large blocks rather than in one string each (no allocation per value on
// reading, values next to each other in memory), and each keeps its first
// four characters as one number: comparing a value with a text is a
// comparison of two numbers unless both begin with the same four characters.
class FoldedColumn {
public:
    // A folded text prepared for comparing with the values: its search key.
    struct Probe {
        QStringView text;
        quint64 head = 0;
    };
    static Probe probe(QStringView folded)
    {
        const QStringView key = searchKey(folded);
        return {key, head(key)};
    }

    FoldedColumn() = default;
    FoldedColumn(FoldedColumn &&) noexcept = default;
    FoldedColumn &operator=(FoldedColumn &&) noexcept = default;

    qsizetype size() const { return qsizetype(m_values.size()); }
    void reserve(qsizetype count);
    QStringView value(qsizetype position) const { return m_values[size_t(position)]; }

    // The value at the position against the text: below 0, 0 or above 0 as
    // QStringView::compare() gives it.
    int compare(qsizetype position, const Probe &text) const
    {
        const quint64 own = m_heads[size_t(position)];
        if (own != text.head)
            return own < text.head ? -1 : 1;
        return value(position).compare(text.text);
    }
    bool startsWith(qsizetype position, const Probe &text) const { return value(position).startsWith(text.text); }

    // Adds a value at the end, already folded or as SQLite's UTF-8 text to be
    // folded; it is kept as its search key.
    void append(QStringView folded);
    void appendUtf8(QByteArrayView utf8);
    // Adds the values of another column (read on another thread) at the end.
    void append(FoldedColumn &&other);
    void insert(qsizetype position, QStringView folded);
    void remove(qsizetype position);
    void replace(qsizetype position, QStringView folded);

private:
    // The first four UTF-16 units, the first in the highest bits, missing
    // ones as 0: a value whose head is less than a text's is less than it.
    static quint64 head(QStringView text)
    {
        quint64 head = 0;
        for (qsizetype i = 0; i < 4; ++i)
            head = head << 16 | (i < text.size() ? text[i].unicode() : 0u);
        return head;
    }
    // Room for `count` characters, used by take().
    char16_t *room(qsizetype count);
    QStringView take(const char16_t *at, qsizetype count);
    QStringView store(QStringView folded);

    std::vector<quint64> m_heads;
    std::vector<QStringView> m_values;
    // Blocks are only added, and a value replaced or removed leaves its
    // characters behind: the column lives until the table is read again.
    struct FreeBlock {
        void operator()(char16_t *block) const;
    };
    using Block = std::unique_ptr<char16_t[], FreeBlock>;
    static Block newBlock(qsizetype characters);
    std::vector<Block> m_blocks;
    qsizetype m_used = 0;  // characters taken in the last block
    qsizetype m_blockSize = 0;
};
