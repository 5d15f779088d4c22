#pragma once

#include "common/Currency.h"

#include <QString>
#include <optional>

// Moving the goods' sale prices from leva to euro at the fixed rate of
// 1.95583 leva for 1 euro, once.
namespace PriceConversion {

inline constexpr char Rate[] = "1.95583";

// A leva price in euro: divided by the rate exactly, rounded half up (away
// from zero for a negative price) on the third decimal, written with two
// decimals and "." ("100.00" -> "51.13"). The price may have a "." or a ","
// and blanks around it. Every price of up to 30 significant digits converts
// exactly, however large. An empty price stays empty; nothing for a text that
// is not a number, nor for one with more digits (then tooLarge, when given,
// is set).
std::optional<QString> toEuro(const QString &leva, bool *tooLarge = nullptr);

// A euro price in leva at the same rate: multiplied exactly, rounded half
// away from zero on the third decimal, written with two decimals. An empty
// price stays empty; nothing for a text that is not a number.
std::optional<QString> toLeva(const QString &euro);

// The currency of the sale prices in dataFolder/stock.db: euro when the table
// carries the mark of the conversion, leva otherwise (also for a table that
// cannot be read, which the browser reports when it opens it).
Currency goodsCurrency(const QString &dataFolder);

struct Outcome {
    int converted = 0;   // prices changed; empty ones are left as they are
    QString copyPath;    // the copy of the table taken before, in leva
};

// Converts the "Продажна цена" of every record of the goods table
// dataFolder/stock.db. The table file is copied aside first (stock-leva-
// <date>-<time>.db beside it), then every price is converted in one
// transaction together with a mark that the table is in euro. A table that
// carries the mark, a price that is not a number, a price whose euro text
// would not fit the column's declared width, a missing table or column, and a
// copy that cannot be made throw a Failure and change nothing.
Outcome convertGoodsToEuro(const QString &dataFolder);

} // namespace PriceConversion
