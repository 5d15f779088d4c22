#pragma once

#include "common/Amount.h"
#include "common/Currency.h"
#include "register/RegisterStore.h"

#include <QDate>
#include <QList>

// What was sold in a month (the tax base, credit notes netted, proformas and
// cancelled documents left out) and how much of it is paid and open, in one
// currency: documents in the other one are converted at 1.95583.
struct MonthSales {
    QDate month;  // its first day
    Amount sold;
    Amount paid;
    Amount open;  // sold - paid
    friend bool operator==(const MonthSales &, const MonthSales &) = default;
};

// The currency a period's sums are shown in: the euro from 2026, leva before.
Currency currencyOfPeriod(const QDate &lastMonth);

// The first and the last day of the twelve months up to and including the
// month of `lastMonth`.
std::pair<QDate, QDate> twelveMonths(const QDate &lastMonth);
// Those twelve months, oldest first, of what the store or the documents
// (RegisterStore::soldBetween() of those days) give.
QList<MonthSales> monthlySales(const RegisterStore &store, const QDate &lastMonth);
QList<MonthSales> monthlySales(const QList<RegisterStore::SoldDocument> &sold, const QDate &lastMonth);

// A document's share of its month: its tax base (negative for a credit note)
// and the part of it paid, in proportion to what is paid of its total (a
// credit note counts as paid: it is netted on its invoice).
std::pair<Amount, Amount> soldAndPaid(const RegisterStore::SoldDocument &document);
