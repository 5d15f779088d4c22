// What payments make of a document, a payment as the form's entry reads it,
// and the payments a bank's statement brings.

#include "common/Failure.h"
#include "register/BankStatement.h"
#include "register/Payments.h"
#include "support/CamtStatement.h"

#include <QtTest>

Q_DECLARE_METATYPE(PaymentStatus)

class tst_PaymentRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void balance_data()
    {
        QTest::addColumn<QString>("paid");
        QTest::addColumn<QDate>("due");
        QTest::addColumn<PaymentStatus>("status");
        QTest::addColumn<QString>("owed");
        QTest::addColumn<int>("daysOverdue");  // -1: not overdue
        const QDate past(2026, 2, 8), future(2026, 3, 31);
        QTest::newRow("nothing paid, due later") << "0" << future << PaymentStatus::Unpaid << "19.85" << -1;
        QTest::newRow("nothing paid, past due") << "0" << past << PaymentStatus::Unpaid << "19.85" << 21;
        QTest::newRow("due today is not late") << "0" << QDate(2026, 3, 1) << PaymentStatus::Unpaid << "19.85" << -1;
        QTest::newRow("part paid, past due") << "10" << past << PaymentStatus::PartlyPaid << "9.85" << 21;
        QTest::newRow("paid to the cent") << "19.85" << past << PaymentStatus::Paid << "0" << -1;
        QTest::newRow("paid too much") << "25" << past << PaymentStatus::Overpaid << "-5.15" << -1;
        QTest::newRow("a payment reversed") << "-0.01" << future << PaymentStatus::Unpaid << "19.86" << -1;
    }
    void balance()
    {
        QFETCH(QString, paid);
        QFETCH(QDate, due);
        const Balance balance =
            balanceOf(Amount::parseOrThrow(u"19.85"), Amount::parseOrThrow(paid), due, QDate(2026, 3, 1));
        QTEST(balance.status, "status");
        QTEST(balance.owed.text(), "owed");
        QFETCH(int, daysOverdue);
        QCOMPARE(balance.overdue, daysOverdue >= 0);
        if (balance.overdue)
            QCOMPARE(balance.daysOverdue, daysOverdue);
    }

    void entry_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("currency");
        QTest::addColumn<QString>("amount");  // in the document's euro; empty: refused
        QTest::addColumn<QString>("paidAmount");
        QTest::newRow("decimal comma") << "120,50" << "EUR" << "120.5" << "120.5";
        QTest::newRow("decimal point") << "120.50" << "EUR" << "120.5" << "120.5";
        QTest::newRow("thousands apart") << "1 234,5" << "EUR" << "1234.5" << "1234.5";
        QTest::newRow("leva converted to the cent") << "19,26" << "лв" << "9.85" << "19.26";
        QTest::newRow("both separators") << "1.234,50" << "EUR" << "" << "";
        QTest::newRow("words") << "сто лева" << "EUR" << "" << "";
    }
    void entry()
    {
        QFETCH(QString, typed);
        QFETCH(QString, currency);
        QFETCH(QString, amount);
        Payment payment;
        QString refusal;
        try {
            payment = paymentFromEntry(7, QStringLiteral("0000000007"), Currency::Euro, typed, currency,
                                       QStringLiteral("В брой"), QDate(2026, 3, 1), {});
        } catch (const Failure &failure) {
            refusal = failure.text();
        }
        if (amount.isEmpty()) {
            QVERIFY2(refusal.contains(typed) && refusal.contains(QStringLiteral("0000000007")), qPrintable(refusal));
            return;
        }
        QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
        QCOMPARE(payment.amount.text(), amount);
        QTEST(payment.paidAmount.text(), "paidAmount");
        QCOMPARE(payment.way, PaymentWay::Cash);
    }


    // A statement's entries as read: date | amount | currency | payer |
    // reason | reference, one per booked credit.
    void bankStatement_data()
    {
        using namespace CamtStatement;
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QStringList>("credits");
        QTest::addColumn<QString>("failure");  // the start of the message, where it is refused
        const QString one = credit(QStringLiteral("120.50"), QStringLiteral("EUR"), QStringLiteral("ф-ра 123 & аванс"),
                                   QStringLiteral("R1"));
        QTest::newRow("a credit") << statement({one})
                                  << QStringList{"2026-02-25|120.5|EUR|Клиент ООД|ф-ра 123 & аванс|R1"} << QString();
        QTest::newRow("leva") << statement({credit("10", "BGN", "1", "R2")})
                              << QStringList{"2026-02-25|10|лв|Клиент ООД|1|R2"} << QString();
        QString debit = one;
        debit.replace(QStringLiteral(">CRDT<"), QStringLiteral(">DBIT<"));
        QString pending = one;
        pending.replace(QStringLiteral(">BOOK<"), QStringLiteral(">PDNG<"));
        QTest::newRow("debits, pending entries and dollars left out")
            << statement({debit, pending, credit("5", "USD", "7", "R3")}) << QStringList() << QString();
        // The later layouts: the status and the debtor's name one element down,
        // no bank reference but the entry's own, the reason in two lines.
        const QString later = QStringLiteral(
            "<Ntry><NtryRef>E9</NtryRef><Amt Ccy=\"EUR\">7.00</Amt><CdtDbtInd>CRDT</CdtDbtInd><Sts><Cd>BOOK</Cd></Sts>"
            "<BookgDt><DtTm>2026-03-01T10:00:00</DtTm></BookgDt><NtryDtls><TxDtls><Amt Ccy=\"EUR\">99</Amt>"
            "<RltdPties><Dbtr><Pty><Nm>Друг ЕООД</Nm></Pty></Dbtr><DbtrAgt><FinInstnId><Nm>Банка</Nm></FinInstnId>"
            "</DbtrAgt></RltdPties><RmtInf><Ustrd>по фактура</Ustrd><Ustrd>0000000042</Ustrd></RmtInf></TxDtls>"
            "</NtryDtls></Ntry>");
        QTest::newRow("camt.053.001.08") << statement({later}, QStringLiteral("urn:iso:std:iso:20022:tech:xsd:camt.053.001.08"))
                                         << QStringList{"2026-03-01|7|EUR|Друг ЕООД|по фактура 0000000042|E9"} << QString();
        const QString refused = QStringLiteral("Файлът не е банково извлечение във формат CAMT.053");
        QTest::newRow("a payment order, not a statement")
            << QByteArray("<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03\"><CstmrCdtTrfInitn/></Document>")
            << QStringList() << refused;
        QTest::newRow("cut off") << statement({one}).left(300) << QStringList() << refused;
        QTest::newRow("an amount that is no number")
            << statement({credit("12,50", "EUR", "1", "R4")}) << QStringList() << refused;
    }
    void bankStatement()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, failure);
        QStringList read;
        try {
            for (const BankCredit &credit : readCamt053(xml))
                read << QStringList{credit.booked.toString(Qt::ISODate), credit.amount.text(), selectorText(credit.currency),
                                    credit.payer, credit.reason, credit.reference}
                            .join(u'|');
        } catch (const Failure &refusal) {
            QVERIFY2(!failure.isEmpty() && refusal.text().startsWith(failure), qPrintable(refusal.text()));
            return;
        }
        QVERIFY2(failure.isEmpty(), "a broken statement was read");
        QTEST(read, "credits");
    }

    // Which owed document a credit pays: documents 0000000003 (19.85 EUR),
    // 0000000013 (5 EUR) and 0000000020 (10 лв) are owed.
    void matching_data()
    {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("currency");
        QTest::addColumn<QString>("document");  // empty: none
        QTest::newRow("the number as printed") << "Фактура 0000000003" << "19.85" << "EUR" << "0000000003";
        QTest::newRow("without its zeros, with a date") << "ф-ра 3/09.02.2026" << "1" << "EUR" << "0000000003";
        QTest::newRow("two numbers: the one owing the amount") << "ф-ри 3 и 13" << "5" << "EUR" << "0000000013";
        QTest::newRow("two numbers, neither exact: the first") << "ф-ри 13, 3" << "2" << "EUR" << "0000000013";
        QTest::newRow("another currency") << "ф-ра 3" << "19.85" << "лв" << "";
        QTest::newRow("a number inside a longer one") << "сметка 1300" << "5" << "EUR" << "";
        QTest::newRow("no number") << "аванс" << "5" << "EUR" << "";
        QTest::newRow("leva") << "20" << "10" << "лв" << "0000000020";
    }
    void matching()
    {
        QFETCH(QString, reason);
        QFETCH(QString, amount);
        QFETCH(QString, currency);
        QList<RegisterRow> owing;
        for (const auto &[number, owed, in] : {std::tuple{"0000000003", u"19.85", Currency::Euro},
                                               std::tuple{"0000000013", u"5", Currency::Euro},
                                               std::tuple{"0000000020", u"10", Currency::Leva}}) {
            RegisterRow row;
            row.number = QString::fromLatin1(number);
            row.currency = in;
            row.balance.owed = Amount::parseOrThrow(owed);
            owing << row;
        }
        BankCredit credit;
        credit.reason = reason;
        credit.amount = Amount::parseOrThrow(amount);
        credit.currency = *currencyFromText(currency);
        const QList<CreditMatch> matches = matchCredits({credit}, owing);
        QTEST(matches.isEmpty() ? QString() : matches.first().document.number, "document");
    }
};

QTEST_GUILESS_MAIN(tst_PaymentRules)
#include "tst_paymentrules.moc"
