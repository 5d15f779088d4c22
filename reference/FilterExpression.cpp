#include "reference/FilterExpression.h"

#include "common/Failure.h"

QString foldCase(QStringView text)
{
    // Latin and basic Cyrillic fold by arithmetic: searching a large table
    // folds every value of a column, and Qt's general folding is several
    // times slower. Anything else goes to Qt.
    QString folded(text.size(), Qt::Uninitialized);
    QChar *out = folded.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            out[i] = (c >= u'A' && c <= u'Z') ? QChar(c + 0x20) : QChar(c);
        } else if (c >= 0x0410 && c <= 0x044F) {  // А..Я, а..я
            out[i] = c <= 0x042F ? QChar(c + 0x20) : QChar(c);
        } else if (c >= 0x0450 && c <= 0x045F) {  // ѐ..џ
            out[i] = QChar(c);
        } else if (c >= 0x0400 && c <= 0x040F) {  // Ѐ..Џ
            out[i] = QChar(c + 0x50);
        } else if ((c >= 0x00A0 && c <= 0x00BF && c != 0x00B5) || (c >= 0x2000 && c <= 0x20CF)
                   || c == 0x2116) {
            out[i] = QChar(c);  // signs, quotes, dashes, №: no case
        } else {
            return text.toString().toCaseFolded();
        }
    }
    return folded;
}

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
    result.m_folded = foldCase(value);
    return result;
}

bool FilterExpression::matchesFolded(QStringView foldedValue) const
{
    if (isBlank())
        return true;
    if (m_op == Operator::NotLess)
        return foldedValue.compare(m_folded) >= 0;
    if (m_prefix)
        return foldedValue.startsWith(m_folded);
    return foldedValue == m_folded;
}
