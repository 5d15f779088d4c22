#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The text as compared when letter case does not count: Unicode simple case
// folding, so Cyrillic folds as well as Latin ("ИВАН" and "иван" meet).
QString foldCase(QStringView text);
// The same for a text in UTF-8, as SQLite hands it over.
QString foldCaseUtf8(QByteArrayView utf8);
// The same written to `out`, which has room for utf8.size() characters (no
// text in UTF-8 has more UTF-16 units than bytes). Returns how many it wrote,
// or -1 without a result for a text foldCaseUtf8() leaves to Qt's decoding
// and folding (malformed bytes, characters outside the common ones).
qsizetype foldCaseUtf8Into(QByteArrayView utf8, char16_t *out);

// What a search or a filter compares of a folded value or text: all of it but
// the quotation marks („ “ ” " ' « » ‘ ’ ‚) and blanks in front, so that
// „Бета Строй“ ЕООД is found under "бета", as Bulgarian firm names are written.
QStringView searchKey(QStringView folded);

// One filter condition of a reference table, in one of two forms:
//   <column> = '<text>'     values equal to the text
//   <column> >= '<text>'    values not less than the text
// Letter case does not count, nor quotation marks and blanks in front of the
// value or the text (see searchKey). A text that ends in "*" stands for every value
// that begins with the text before the asterisk. A blank expression lets
// every record through.
class FilterExpression {
public:
    enum class Operator { Equal, NotLess };

    // Reads an expression; one that does not have either form (an apostrophe
    // inside the text, no operator, no column) throws a Failure. Whether the
    // column exists is the table's question.
    static FilterExpression parse(const QString &expression);

    bool isBlank() const { return m_column.isEmpty(); }
    QString column() const { return m_column; }
    Operator op() const { return m_op; }
    // The text compared with: its search key, folded, without a trailing asterisk.
    QString foldedText() const { return m_folded; }
    bool isPrefix() const { return m_prefix; }

    // Whether a value (already folded) passes.
    bool matchesFolded(QStringView foldedValue) const;
    bool matches(QStringView value) const { return matchesFolded(foldCase(value)); }

private:
    QString m_column;
    Operator m_op = Operator::Equal;
    QString m_folded;
    bool m_prefix = false;
};
