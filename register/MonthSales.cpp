#include "register/MonthSales.h"

#include "ledger/SalesLedger.h"
#include "register/IssuedRules.h"

Currency currencyOfPeriod(const QDate &lastMonth)
{
    return lastMonth >= QDate(2026, 1, 1) ? Currency::Euro : Currency::Leva;
}

std::pair<Amount, Amount> soldAndPaid(const RegisterRow &row)
{
    if (row.note == NoteKind::Credit)
        return {Amount() - row.taxBase, Amount() - row.taxBase};
    const Amount paid = std::clamp(row.balance.paid, Amount(), row.total);
    if (row.total <= Amount())
        return {row.taxBase, row.taxBase};
    // base * paid / total, in 128 bits: both are at most 64-bit amounts.
    const __int128 share = __int128(row.taxBase.units()) * paid.units() / row.total.units();
    return {row.taxBase, Amount::fromUnits(std::int64_t(share))};
}

QList<MonthSales> monthlySales(const RegisterStore &store, const QDate &lastMonth)
{
    const QDate last(lastMonth.year(), lastMonth.month(), 1);
    const QDate first = last.addMonths(-11);
    const Currency currency = currencyOfPeriod(last);
    QList<MonthSales> months;
    for (int i = 0; i < 12; ++i)
        months << MonthSales{first.addMonths(i), {}, {}, {}};
    const QList<qint64> ids = store.find({QString(), first, last.addMonths(1).addDays(-1), PaymentFilter::All, QDate()});
    for (const RegisterRow &row : store.rows(ids)) {
        if (row.documentKind == DocumentKind::Proforma || !row.cancelledAt.isEmpty())
            continue;
        const QDate issued = IssuedRules::pageDate(row.date, QDate());
        const int index = int((issued.year() - first.year()) * 12 + issued.month() - first.month());
        if (index < 0 || index >= 12)
            continue;
        auto [sold, paid] = soldAndPaid(row);
        if (row.currency != currency) {
            sold = convertedToCents(sold, row.currency, currency);
            paid = convertedToCents(paid, row.currency, currency);
        }
        MonthSales &month = months[index];
        month.sold = month.sold + sold;
        month.paid = month.paid + paid;
        month.open = month.sold - month.paid;
    }
    return months;
}
