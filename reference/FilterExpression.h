#pragma once

#include "store/CaseFolding.h"

#include <QString>
#include <QStringView>

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
