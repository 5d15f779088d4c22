#include "lines/Totals.h"

#include "common/Amount.h"

#include <cmath>

double VatFactor = 0.2;

LineTotals addLineToTotals(const LineTotals &totals, Amount lineValue, double vatFactor)
{
    const Amount base = totals.taxBase + lineValue;
    const auto factor = std::llround(vatFactor * Amount::Scale);
    const Amount vat = Amount::parseOrThrow(fixTwoDecimals(base.timesFactor(factor).text()));
    return {base, vat, vat + base};
}
