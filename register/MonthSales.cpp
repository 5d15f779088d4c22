#include "register/MonthSales.h"

#include "ledger/SalesLedger.h"
#include <algorithm>

Currency currencyOfPeriod(const QDate &lastMonth)
{
    return lastMonth >= QDate(2026, 1, 1) ? Currency::Euro : Currency::Leva;
}

std::pair<Amount, Amount> soldAndPaid(const RegisterStore::SoldDocument &document)
{
    if (document.credit)
        return {Amount() - document.taxBase, Amount() - document.taxBase};
    if (document.total <= Amount())
        return {document.taxBase, document.taxBase};
    const Amount paid = std::clamp(document.paid, Amount(), document.total);
    // base * paid / total, in 128 bits: both are 64-bit amounts.
    const __int128 share = __int128(document.taxBase.units()) * paid.units() / document.total.units();
    return {document.taxBase, Amount::fromUnits(std::int64_t(share))};
}

std::pair<QDate, QDate> twelveMonths(const QDate &lastMonth)
{
    const QDate last(lastMonth.year(), lastMonth.month(), 1);
    return {last.addMonths(-11), last.addMonths(1).addDays(-1)};
}

QList<MonthSales> monthlySales(const RegisterStore &store, const QDate &lastMonth)
{
    const auto [first, last] = twelveMonths(lastMonth);
    return monthlySales(store.soldBetween(first, last), lastMonth);
}

QList<MonthSales> monthlySales(const QList<RegisterStore::SoldDocument> &sold, const QDate &lastMonth)
{
    const QDate first = twelveMonths(lastMonth).first;
    const Currency currency = currencyOfPeriod(lastMonth);
    QList<MonthSales> months;
    for (int i = 0; i < 12; ++i)
        months << MonthSales{first.addMonths(i), {}, {}, {}};
    for (const RegisterStore::SoldDocument &document : sold) {
        const int index = int((document.date.year() - first.year()) * 12 + document.date.month() - first.month());
        if (index < 0 || index >= 12)
            continue;
        auto [sold, paid] = soldAndPaid(document);
        if (document.currency != currency) {
            sold = convertedToCents(sold, document.currency, currency);
            paid = convertedToCents(paid, document.currency, currency);
        }
        MonthSales &month = months[index];
        month.sold = month.sold + sold;
        month.paid = month.paid + paid;
        month.open = month.sold - month.paid;
    }
    return months;
}
