#pragma once

#include <QString>
#include <optional>

// The currency an invoice is issued in. Leva stay for documents dated before
// the euro (1 January 2026); the euro is the currency from then on.
enum class Currency { Leva, Euro };

// The items of the line table's currency selector, as remembered in the
// settings file: "лв" and "EUR".
QString selectorText(Currency currency);
// The currency a remembered text names; nothing for any other text.
std::optional<Currency> currencyFromText(const QString &text);

// The sign after the totals of the page: "лв" or "€".
QString totalsSign(Currency currency);
