#include "document/FieldRules.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

QString padNumber(const QString &number)
{
    return number.rightJustified(10, u'0');
}

const QString NoteDatePrefix = QStringLiteral("от дата: ");
const QString NoteNumberSeparator = QStringLiteral(", към фактура №: ");

QString padDate(const QString &date)
{
    // Zeros in front of the whole text made "007.1.2007" of a date: only the
    // day and the month take them.
    static const QRegularExpression dayMonthYear(QStringLiteral("^(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4}\\b.*)$"));
    const QRegularExpressionMatch parts = dayMonthYear.match(date);
    if (!parts.hasMatch())
        return date;
    return parts.captured(1).rightJustified(2, u'0') + u'.' + parts.captured(2).rightJustified(2, u'0') + u'.'
        + parts.captured(3);
}

QString noteReferenceCaption(const QString &date, const QString &number)
{
    return NoteDatePrefix + padDate(date) + NoteNumberSeparator + (number.isEmpty() ? number : padNumber(number));
}

std::pair<QString, QString> splitPair(const QString &caption, const QString &prefix, const QString &separator)
{
    const QString values = caption.startsWith(prefix) ? caption.mid(prefix.size()) : caption;
    qsizetype at = values.indexOf(separator);
    qsizetype length = separator.size();
    if (at < 0) {
        // An empty second value may have lost the blank after the separator.
        QString bare = separator;
        while (bare.endsWith(u' '))
            bare.chop(1);
        at = values.indexOf(bare);
        length = bare.size();
    }
    if (at < 0)
        return {values, QString()};
    return {values.left(at), values.mid(at + length).trimmed()};
}

QString breakAtMiddle(const QString &caption)
{
    const qsizetype half = caption.size() / 2;
    return caption.left(half) + u'\n' + caption.mid(half);
}

int centredLeft(int headingLeft, int headingWidth, int width)
{
    return headingLeft + (headingWidth - width) / 2;
}

QString withCurrency(const QString &total, const QString &currency)
{
    if (total.contains(currency))
        return total;
    return total + u' ' + currency;
}

QString withCurrency(const QString &total, Currency currency)
{
    return withCurrency(withoutCurrency(total), totalsSign(currency));
}

QString totalCaption(Amount amount) { return fixTwoDecimals(fixTwoDecimals(amount.text())); }

Amount shownTotal(Amount amount) { return Amount::parseOrThrow(fixTwoDecimals(amount.text())); }

QString lineAmountText(Amount amount)
{
    QString text = amount.text();
    const auto point = text.indexOf(u'.');
    if (point < 0)
        return text + QStringLiteral(".00");
    return text.size() - point - 1 == 1 ? text + u'0' : text;
}

QString vatRateHeading(const QString &rate)
{
    return QStringLiteral("Данъчна ставка ") + rate + QStringLiteral("%\nразмер на данъка:");
}

QString withoutCurrency(const QString &total)
{
    for (Currency currency : {Currency::Leva, Currency::Euro}) {
        const QString suffix = u' ' + totalsSign(currency);
        if (total.endsWith(suffix))
            return total.chopped(suffix.size());
    }
    return total;
}

BrokenCaption breakUntilFits(const QString &caption, int limit,
                             const std::function<int(const QString &)> &width)
{
    QStringList lines = caption.split(u'\n');
    int breaks = 0;
    for (qsizetype i = 0; i < lines.size();) {
        if (lines[i].size() < 2 || width(lines[i]) <= limit) {
            ++i;
            continue;
        }
        const QStringList halves = breakAtMiddle(lines[i]).split(u'\n');
        lines[i] = halves[0];
        lines.insert(i + 1, halves[1]);
        ++breaks;
    }
    return {lines.join(u'\n'), breaks};
}

SectionTops stackSections(const SectionHeights &h)
{
    SectionTops tops{};
    tops.panel2 = h.panel3Bottom + 2;
    tops.grid2 = std::max(tops.panel2 + h.panel2Height, h.panel4Bottom) + 5;
    tops.bevel1 = tops.grid2 + h.grid2Height + 15;
    tops.memo4 = tops.bevel1 + h.bevel1Height + 6;
    tops.bevel3 = tops.memo4 + h.memo4Height + 7;
    tops.panel5 = tops.bevel3 + h.bevel3Height + 9;
    return tops;
}
