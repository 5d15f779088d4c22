// What payments make of a document, and a payment as the form's entry reads
// it.

#include "common/Failure.h"
#include "register/Payments.h"

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

};

QTEST_GUILESS_MAIN(tst_PaymentRules)
#include "tst_paymentrules.moc"
