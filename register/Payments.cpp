#include "register/Payments.h"

#include "ledger/SalesLedger.h"
#include "print/PrintRules.h"
#include "common/Failure.h"
#include "register/IssuedRules.h"

#include <array>
#include <utility>

namespace {

const std::array<std::pair<PaymentWay, const char16_t *>, 4> WayTexts{{
    {PaymentWay::Bank, u"Банков превод"},
    {PaymentWay::Cash, u"В брой"},
    {PaymentWay::Card, u"С карта"},
    {PaymentWay::Offset, u"Прихващане"},
}};

} // namespace

QString paymentWayText(PaymentWay way)
{
    for (const auto &[known, text] : WayTexts) {
        if (known == way)
            return QString::fromUtf16(text);
    }
    return {};
}

std::optional<PaymentWay> paymentWayFromText(const QString &text)
{
    for (const auto &[way, known] : WayTexts) {
        if (text == QString::fromUtf16(known))
            return way;
    }
    return std::nullopt;
}

QStringList paymentWayTexts()
{
    QStringList texts;
    for (const auto &[way, text] : WayTexts)
        texts << QString::fromUtf16(text);
    return texts;
}

Payment paymentOf(qint64 document, const QDate &date, Amount paid, Currency paidIn, Currency documentCurrency,
                  PaymentWay way, const QString &note)
{
    Payment payment;
    payment.document = document;
    payment.date = date;
    payment.paidIn = paidIn;
    payment.paidAmount = paid;
    payment.amount = paidIn == documentCurrency ? paid : convertedToCents(paid, paidIn, documentCurrency);
    payment.way = way;
    payment.note = note;
    return payment;
}

QString paymentStatusText(PaymentStatus status)
{
    switch (status) {
    case PaymentStatus::NotPayable: return {};
    case PaymentStatus::Unpaid: return QStringLiteral("Неплатен");
    case PaymentStatus::PartlyPaid: return QStringLiteral("Частично платен");
    case PaymentStatus::Paid: return QStringLiteral("Платен");
    case PaymentStatus::Overpaid: return QStringLiteral("Надплатен");
    }
    return {};
}

Balance notPayable(Amount total)
{
    Balance balance;
    balance.total = total;
    return balance;
}

Balance balanceOf(Amount total, Amount paid, const QDate &due, const QDate &today)
{
    Balance balance;
    balance.total = total;
    balance.paid = paid;
    balance.owed = total - paid;
    balance.due = due;
    const Amount zero;
    if (paid <= zero)
        balance.status = total > zero ? PaymentStatus::Unpaid : PaymentStatus::Paid;
    else if (paid < total)
        balance.status = PaymentStatus::PartlyPaid;
    else
        balance.status = paid == total ? PaymentStatus::Paid : PaymentStatus::Overpaid;
    if (balance.owed > zero && due.isValid() && today > due) {
        balance.overdue = true;
        balance.daysOverdue = int(due.daysTo(today));
    }
    return balance;
}

QDate dueDate(const QString &paymentDate, const QDate &issued, int defaultTermDays)
{
    const QDate typed = IssuedRules::pageDate(paymentDate, QDate());
    if (typed.isValid())
        return typed;
    return issued.isValid() ? issued.addDays(defaultTermDays) : QDate();
}

std::optional<QString> paymentRefusal(const QString &number, bool proforma, bool creditNote, bool cancelled,
                                      Amount amount)
{
    if (proforma)
        return QStringLiteral("Проформа № %1 не се плаща: плаща се фактурата, издадена по нея.").arg(number);
    if (creditNote)
        return QStringLiteral("Кредитно известие № %1 не се плаща: то намалява дължимото по фактурата, "
                              "която коригира.")
            .arg(number);
    if (cancelled)
        return QStringLiteral("Документ № %1 е анулиран и не се плаща.").arg(number);
    if (amount == Amount())
        return QStringLiteral("Сумата на плащането по документ № %1 е нула.").arg(number);
    return std::nullopt;
}

Payment paymentFromEntry(qint64 document, const QString &number, Currency documentCurrency, const QString &amount,
                         const QString &currency, const QString &way, const QDate &date, const QString &note)
{
    QString typed = amount;
    typed.remove(u' ').remove(QChar(0x00a0));
    if (typed.contains(u',') && typed.contains(u'.'))
        typed.clear();
    typed.replace(u',', u'.');
    bool tooLarge = false;
    const std::optional<Amount> paid = Amount::parse(typed, &tooLarge);
    if (!paid || tooLarge)
        throw Failure(QStringLiteral("„%1“ не е сума: въведете платеното по документ № %2 с цифри, "
                                     "например 120,50.")
                          .arg(amount, number));
    const Currency paidIn = currencyFromText(currency).value_or(documentCurrency);
    return paymentOf(document, date, *paid, paidIn, documentCurrency, paymentWayFromText(way).value_or(PaymentWay::Bank),
                     note);
}

QString creditedInvoiceKey(const QString &company, const QString &number)
{
    return company + u'\n' + PrintRules::recordedNumber(number);
}
