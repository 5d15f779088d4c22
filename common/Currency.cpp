#include "common/Currency.h"

QString selectorText(Currency currency)
{
    return currency == Currency::Euro ? QStringLiteral("EUR") : QStringLiteral("лв");
}

std::optional<Currency> currencyFromText(const QString &text)
{
    for (Currency currency : {Currency::Leva, Currency::Euro}) {
        if (text == selectorText(currency))
            return currency;
    }
    return std::nullopt;
}

QString totalsSign(Currency currency)
{
    return currency == Currency::Euro ? QStringLiteral("€") : QStringLiteral("лв");
}
