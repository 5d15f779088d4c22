#pragma once

#include "common/Currency.h"

#include <QString>

class TableStore;
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

// The mark of the conversion: a table of this name beside the goods, made by
// markTableStatement() on either engine, that the program never shows. The
// move to a server and back carries it with the goods.
inline constexpr char MarkTableName[] = "__currency";
QString markTableStatement();

// The currency of the sale prices of the open goods table, on a file or on a
// server: euro when its database carries the mark, leva otherwise.
Currency goodsCurrency(const TableStore &goods);

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
// copy that cannot be made throw a Failure and change nothing; so does a data
// folder whose tables are on a server (server.conf), even with a goods file
// left in it.
Outcome convertGoodsToEuro(const QString &dataFolder);

} // namespace PriceConversion
