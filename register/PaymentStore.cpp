#include "register/RegisterStore.h"

#include "print/PrintRules.h"
#include "reference/Schema.h"
#include "register/IssuedRules.h"
#include "store/SqlDialect.h"

#include <QSqlQuery>

// The register's payments: written one row at a time (an INSERT is its own
// transaction, so two desks entering payments at once lose none), and read
// as sums per document, with the credit notes that correct an invoice
// counted as paid on it.

namespace {

using namespace Schema::Register;

QString q(const Schema::Column &column) { return Schema::quoted(column.name); }
QString q(const Schema::Table &table) { return Schema::quoted(table.sqlName); }

const QString CannotPay = QStringLiteral("Плащането не може да бъде записано");
const QString CannotReadPayments = QStringLiteral("Плащанията не могат да бъдат прочетени");

} // namespace

QHash<QString, Amount> RegisterStore::creditNotesByInvoice() const
{
    reconnectIfLost();
    const std::unique_ptr<RowScan> notes = SqlDialect::of(m_database).scan(
        m_database,
        QStringLiteral("SELECT %1, %2, %3 FROM %4 WHERE %5 = ? AND %6 IS NULL")
            .arg(q(Company), q(NoteInvoiceNumber), q(Total), q(documents()), q(Note), q(CancelledAt)),
        {IssuedRules::noteText(NoteKind::Credit)}, CannotReadPayments);
    if (!notes->exec())
        throw failed(CannotReadPayments, notes->lastError());
    QHash<QString, Amount> credits;
    while (notes->next()) {
        Amount &sum = credits[creditedInvoiceKey(notes->text(0), notes->text(1))];
        sum = sum + Amount::fromUnits(notes->integer(2));
    }
    return credits;
}

// What is paid on the documents issued from `from` to `to` (both open when
// null), read through the documents' date index.
QHash<qint64, Amount> RegisterStore::paidByDocument(const QDate &from, const QDate &to) const
{
    if (!from.isValid() && !to.isValid())
        return paidByDocument();
    QHash<qint64, Amount> paid;
    sumPayments(QStringLiteral("SELECT p.%1, sum(p.%2) FROM %3 d JOIN %4 p ON p.%1 = d.%5 "
                               "WHERE d.%6 >= ? AND d.%6 <= ? GROUP BY p.%1")
                    .arg(q(PaymentDocument), q(PaymentAmount), q(documents()), q(Schema::Register::payments()), q(Id),
                         q(SortDate)),
                {from.isValid() ? from.toString(Qt::ISODate) : QStringLiteral("0000-00-00"),
                 to.isValid() ? to.toString(Qt::ISODate) : QStringLiteral("9999-99-99")},
                paid);
    return paid;
}

// Payments are summed once and then only the rows added since are read:
// payments are never changed or deleted, and where keys follow the commits
// (a file) no row can appear below one read already. A server hands its keys
// out before the rows are committed, in any order, so there the payments are
// summed afresh every time.
QHash<qint64, Amount> RegisterStore::paidByDocument() const
{
    const SqlDialect &dialect = SqlDialect::of(m_database);
    if (!dialect.keysInCommitOrder()) {
        QHash<qint64, Amount> paid;
        sumPayments(QStringLiteral("SELECT %1, sum(%2) FROM %3 GROUP BY %1")
                        .arg(q(PaymentDocument), q(PaymentAmount), q(Schema::Register::payments())),
                    {}, paid);
        return paid;
    }
    sumPayments(QStringLiteral("SELECT %1, %2, %4 FROM %3 WHERE %4 > ? ORDER BY %4")
                    .arg(q(PaymentDocument), q(PaymentAmount), q(Schema::Register::payments()), dialect.rowKey()),
                {m_paidUpTo}, m_paid, &m_paidUpTo);
    return m_paid;
}

// Adds each row's amount (its second column) to its document's (the first)
// in `paid`; with `lastKey`, keeps there the third column of the last row.
void RegisterStore::sumPayments(const QString &sql, const QVariantList &bind, QHash<qint64, Amount> &paid,
                                qint64 *lastKey) const
{
    reconnectIfLost();
    const std::unique_ptr<RowScan> rows = SqlDialect::of(m_database).scan(m_database, sql, bind, CannotReadPayments);
    if (!rows->exec())
        throw failed(CannotReadPayments, rows->lastError());
    while (rows->next()) {
        Amount &sum = paid[rows->integer(0)];
        sum = sum + Amount::fromUnits(rows->integer(1));
        if (lastKey)
            *lastKey = rows->integer(2);
    }
}

void RegisterStore::fillBalances(QList<RegisterRow> &rows) const
{
    if (rows.isEmpty())
        return;
    QStringList ids;
    for (const RegisterRow &row : std::as_const(rows))
        ids << QString::number(row.id);
    QHash<qint64, Amount> paid;
    QSqlQuery select(m_database);
    select.setForwardOnly(true);
    if (!select.exec(QStringLiteral("SELECT %1, sum(%2) FROM %3 WHERE %1 IN (%4) GROUP BY %1")
                         .arg(q(PaymentDocument), q(PaymentAmount), q(Schema::Register::payments()), ids.join(u','))))
        throw failed(CannotReadPayments, select.lastError());
    while (select.next())
        paid.insert(select.value(0).toLongLong(), Amount::fromUnits(select.value(1).toLongLong()));
    const QHash<QString, Amount> credits = creditNotesByInvoice();
    const QDate today = QDate::currentDate();
    for (RegisterRow &row : rows) {
        const bool payable = row.documentKind == DocumentKind::Invoice && row.note != NoteKind::Credit
            && row.cancelledAt.isEmpty();
        if (!payable) {
            row.balance = notPayable(row.total);
            continue;
        }
        const QDate issued = IssuedRules::pageDate(row.date, QDate());
        row.balance = balanceOf(row.total, paid.value(row.id) + credits.value(creditedInvoiceKey(row.companyKey, row.number)),
                                dueDate(row.paymentDate, issued, m_paymentTermDays), today);
    }
}

void RegisterStore::recordPayment(Payment payment)
{
    const RegisterRow document = row(payment.document);
    if (const auto refusal = paymentRefusal(document.number, document.documentKind == DocumentKind::Proforma,
                                            document.note == NoteKind::Credit, !document.cancelledAt.isEmpty(),
                                            payment.amount))
        throw Failure(*refusal);
    if (!payment.date.isValid())
        throw Failure(QStringLiteral("Датата на плащането по документ № %1 не е вярна.").arg(document.number));
    if (payment.enteredBy.isEmpty())
        payment.enteredBy = PrintStamp::now().user;
    if (!payment.enteredAt.isValid())
        payment.enteredAt = QDateTime::currentDateTime();
    QSqlQuery insert(m_database);
    insert.prepare(QStringLiteral("INSERT INTO %1 (%2, %3, %4, %5, %6, %7, %8, %9, %10) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)")
                       .arg(q(Schema::Register::payments()), q(PaymentDocument), q(PaidOn), q(PaymentAmount), q(PaidIn),
                            q(AmountPaidIn), q(PaymentWayName), q(PaymentNote), q(EnteredBy))
                       .arg(q(EnteredAt)));
    insert.addBindValue(payment.document);
    insert.addBindValue(payment.date.toString(Qt::ISODate));
    insert.addBindValue(QVariant::fromValue<qlonglong>(payment.amount.units()));
    insert.addBindValue(selectorText(payment.paidIn));
    insert.addBindValue(QVariant::fromValue<qlonglong>(payment.paidAmount.units()));
    insert.addBindValue(paymentWayText(payment.way));
    insert.addBindValue(payment.note.trimmed());
    insert.addBindValue(payment.enteredBy);
    insert.addBindValue(IssuedRules::timeText(payment.enteredAt));
    run(insert, CannotPay);
}

QList<Payment> RegisterStore::payments(qint64 document) const
{
    reconnectIfLost();
    QSqlQuery select(m_database);
    select.setForwardOnly(true);
    select.prepare(QStringLiteral("SELECT %1, %2, %3, %4, %5, %6, %7, %8 FROM %9 WHERE %10 = ? ORDER BY %11")
                       .arg(q(PaidOn), q(PaymentAmount), q(PaidIn), q(AmountPaidIn), q(PaymentWayName),
                            q(PaymentNote), q(EnteredBy), q(EnteredAt), q(Schema::Register::payments()))
                       .arg(q(PaymentDocument), SqlDialect::of(m_database).rowKey()));
    select.addBindValue(document);
    run(select, CannotReadPayments);
    QList<Payment> found;
    while (select.next()) {
        Payment payment;
        payment.document = document;
        payment.date = QDate::fromString(select.value(0).toString(), Qt::ISODate);
        payment.amount = Amount::fromUnits(select.value(1).toLongLong());
        payment.paidIn = currencyFromText(select.value(2).toString()).value_or(Currency::Leva);
        payment.paidAmount = Amount::fromUnits(select.value(3).toLongLong());
        payment.way = paymentWayFromText(select.value(4).toString()).value_or(PaymentWay::Bank);
        payment.note = select.value(5).toString();
        payment.enteredBy = select.value(6).toString();
        payment.enteredAt = QDateTime::fromString(select.value(7).toString(), Qt::ISODate);
        found << payment;
    }
    return found;
}
