#include "lines/VatRate.h"

#include "common/Amount.h"

namespace VatRate {

QString withoutPercent(const QString &answer)
{
    const auto percent = answer.indexOf(u'%');
    return percent < 0 ? answer : answer.left(percent);
}

QString fractionText(const QString &rate)
{
    const auto whole = Amount::parseOrThrow(rate).units() / Amount::Scale;
    if (whole <= 9)
        return QStringLiteral("0.0") + QString::number(whole);
    if (whole == 100)
        return QStringLiteral("1");
    return QStringLiteral("0.") + QString::number(whole);
}

bool isAboveHundred(const QString &rate)
{
    const auto value = Amount::parse(rate);
    return value && *value > Amount::fromUnits(100 * Amount::Scale);
}

double factor(const QString &fraction) { return Amount::parseOrThrow(fraction).toDouble(); }

} // namespace VatRate
