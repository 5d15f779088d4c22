#include "lines/LineRules.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace LineRules {

QStringList memoLines(const QString &text)
{
    if (text.isEmpty())
        return {};
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineBreak);
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

namespace {

// The characters of the longest beginning of the line that is at most 80
// characters and fits; one at least, so that wrapping always goes on.
qsizetype fittingLength(const QString &line, const std::function<bool(QStringView)> &fits)
{
    qsizetype length = std::min<qsizetype>(line.size(), MaxNameLine);
    while (fits && length > 1 && !fits(QStringView(line).left(length)))
        --length;
    return length;
}

} // namespace

QStringList wrapNameLines(QStringList lines, const std::function<bool(QStringView)> &fits)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i];
        const qsizetype length = fittingLength(line, fits);
        if (line.size() <= length)
            continue;
        const qsizetype space = line.left(length).lastIndexOf(u' ');
        // A space at the very start would leave an empty line: cut hard instead.
        const bool usableSpace = space > 0;
        lines[i] = usableSpace ? line.left(space) : line.left(length);
        const QString rest = usableSpace ? line.mid(space + 1) : line.mid(length);
        if (i == lines.size() - 1)
            lines.append(QString());
        lines[i + 1] = rest + lines[i + 1];
    }
    return lines;
}

std::optional<Amount> readTypedNumber(const QString &text, QLocale regional, bool *tooLarge)
{
    regional.setNumberOptions(QLocale::RejectGroupSeparator);
    bool regionalNumber = false;
    regional.toDouble(text.trimmed(), &regionalNumber);
    if (regionalNumber) {
        // Read the regional text through the point, keeping four decimals exactly.
        QString pointed = text.trimmed();
        pointed.replace(regional.decimalPoint(), QStringLiteral("."));
        if (auto amount = Amount::parse(pointed, tooLarge))
            return amount;
    }
    return Amount::parse(text, tooLarge);
}

QString lineValueText(Amount price, Amount quantity)
{
    const double product = price.toDouble() * quantity.toDouble();
    QString text = QString::number(product, 'g', 15);
    if (!text.contains(u'e'))
        return text;
    // Very small and very large products come in exponent form, which no
    // later step reads: write the same digits out in full instead.
    const int exponent = int(std::floor(std::log10(std::abs(product))));
    text = QString::number(product, 'f', std::max(0, 14 - exponent));
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    return text;
}

QString valueCellText(const QString &valueCaption)
{
    QString text = Amount::parseOrThrow(valueCaption).text();
    const auto point = text.indexOf(u'.');
    if (point < 0)
        return text + QStringLiteral(".00");
    if (text.size() - point - 1 == 1)
        return text + u'0';
    return text;
}

} // namespace LineRules
