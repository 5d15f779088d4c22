#include "lines/Totals.h"

#include "common/Amount.h"

#include <cmath>

double VatFactor = 0.2;

TotalsCaptions addLineToTotals(const QString &taxBase, const QString &lineValue, double vatFactor)
{
    const Amount base = Amount::parseOrThrow(taxBase) + Amount::parseOrThrow(lineValue);
    const auto factor = std::llround(vatFactor * Amount::Scale);
    const Amount vat = base.timesFactor(factor);
    TotalsCaptions result;
    result.taxBase = base.text();
    result.vat = fixTwoDecimals(vat.text());
    result.total = (Amount::parseOrThrow(result.vat) + base).text();
    return result;
}
