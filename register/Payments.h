#pragma once

#include "common/Amount.h"
#include "common/Currency.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

// Payments against issued documents: what was paid, how, and what that makes
// of a document (unpaid, partly paid, paid, overpaid; overdue). The register
// keeps payments append-only: a wrong one is reversed by a negative one.

enum class PaymentWay { Bank, Cash, Card, Offset };
// "Банков превод", "В брой", "С карта", "Прихващане": as the register keeps
// them and the payment dialog lists them.
QString paymentWayText(PaymentWay way);
std::optional<PaymentWay> paymentWayFromText(const QString &text);
QStringList paymentWayTexts();

struct Payment {
    qint64 document = 0;
    QDate date;
    Amount amount;  // in the document's currency; negative reverses an earlier one
    Currency paidIn = Currency::Leva;
    Amount paidAmount;  // as paid, in paidIn
    PaymentWay way = PaymentWay::Bank;
    QString note;
    QString enteredBy;
    QDateTime enteredAt;
};

// A payment of `paid` in `paidIn` against a document in `documentCurrency`:
// the other currency is converted at 1.95583 to the cent, both amounts kept.
Payment paymentOf(qint64 document, const QDate &date, Amount paid, Currency paidIn, Currency documentCurrency,
                  PaymentWay way, const QString &note = {});

enum class PaymentStatus { NotPayable, Unpaid, PartlyPaid, Paid, Overpaid };
// "Неплатен", "Частично платен", "Платен", "Надплатен"; nothing for a
// document that takes no payment (a proforma, a credit note, a cancelled one).
QString paymentStatusText(PaymentStatus status);

// Where a document stands: its total, what was paid (payments and the credit
// notes that correct it), what is still owed and whether that is overdue.
struct Balance {
    Amount total;
    Amount paid;
    Amount owed;  // total - paid; negative when overpaid
    PaymentStatus status = PaymentStatus::NotPayable;
    QDate due;
    bool overdue = false;
    int daysOverdue = 0;
};

Balance balanceOf(Amount total, Amount paid, const QDate &due, const QDate &today);
Balance notPayable(Amount total);

// When a document is due: its "Дата на плащане" as typed on the page, else
// the issue date plus the default term in days.
QDate dueDate(const QString &paymentDate, const QDate &issued, int defaultTermDays);
// The term used where the page names no payment date.
inline constexpr int DefaultPaymentTermDays = 14;

// The refusal of a payment the document cannot take, or nothing when it can.
std::optional<QString> paymentRefusal(const QString &number, bool proforma, bool creditNote, bool cancelled,
                                      Amount amount);

// The payment a form's entry makes against a document in `documentCurrency`:
// the amount as typed ("120,50" or "120.50"), the currency and way by their
// texts. A text that is not an amount is refused with a message naming it.
Payment paymentFromEntry(qint64 document, const QString &number, Currency documentCurrency, const QString &amount,
                         const QString &currency, const QString &way, const QDate &date, const QString &note);

// The key of an invoice of an own company (its key, as IssuedRules::companyKey)
// by its number, as a credit note names it.
QString creditedInvoiceKey(const QString &company, const QString &number);
