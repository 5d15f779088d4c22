#include "reference/FilterExpression.h"

#include "common/Failure.h"

namespace {

QString unreadable(const QString &expression)
{
    return QStringLiteral("Изразът на филтъра „%1“ не може да бъде разчетен.").arg(expression);
}

} // namespace

FilterExpression FilterExpression::parse(const QString &expression)
{
    FilterExpression result;
    if (expression.trimmed().isEmpty())
        return result;

    // The text runs from the first apostrophe to the closing one at the end,
    // and holds none of its own.
    const qsizetype open = expression.indexOf(u'\'');
    const QString trimmed = expression.trimmed();
    if (open < 0 || !trimmed.endsWith(u'\''))
        throw Failure(unreadable(expression));
    const qsizetype close = expression.lastIndexOf(u'\'');
    if (close == open)
        throw Failure(unreadable(expression));
    const QString text = expression.mid(open + 1, close - open - 1);
    if (text.contains(u'\''))
        throw Failure(unreadable(expression));

    QString head = expression.left(open).trimmed();
    if (head.endsWith(QLatin1String(">="))) {
        result.m_op = Operator::NotLess;
        head.chop(2);
    } else if (head.endsWith(u'=')) {
        result.m_op = Operator::Equal;
        head.chop(1);
    } else {
        throw Failure(unreadable(expression));
    }
    head = head.trimmed();
    if (head.size() >= 2 && head.startsWith(u'[') && head.endsWith(u']'))
        head = head.mid(1, head.size() - 2).trimmed();
    if (head.isEmpty())
        throw Failure(unreadable(expression));

    result.m_column = head;
    QString value = text;
    if (value.endsWith(u'*')) {
        result.m_prefix = true;
        value.chop(1);
    }
    result.m_folded = searchKey(foldCase(value)).toString();
    return result;
}

bool FilterExpression::matchesFolded(QStringView foldedValue) const
{
    if (isBlank())
        return true;
    foldedValue = searchKey(foldedValue);
    if (m_op == Operator::NotLess)
        return foldedValue.compare(m_folded) >= 0;
    if (m_prefix)
        return foldedValue.startsWith(m_folded);
    return foldedValue == m_folded;
}
