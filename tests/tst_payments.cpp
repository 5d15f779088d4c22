// Payments against issued documents, on a register file and on the test
// server: what a document's payments make of it (paid, partly, overpaid,
// overdue), the "Неплатени" and "Просрочени" lists with what they owe, the
// credit note that pays the invoice it corrects, payments kept append-only,
// a register made before payments were kept, and two programs entering
// payments at once. The register window lists "Неплатени" and sums the
// chart's months in memory (RegisterSearch): it must find what the store
// finds.

#include "common/Failure.h"
#include "register/IssuedRules.h"
#include "register/MonthSales.h"
#include "register/RegisterSearch.h"
#include "register/RegisterStore.h"
#include "support/EngineFolder.h"
#include "support/OwnCompanies.h"

#include <QProcess>
#include <QtTest>
#include <memory>

namespace {

Amount money(const char16_t *text) { return Amount::parseOrThrow(text); }

QString helperPath(const char *name)
{
    return QCoreApplication::applicationDirPath() + u'/' + QLatin1String(name);
}

QString failureOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Failure &failure) {
        return failure.text();
    }
    return {};
}

} // namespace

class tst_Payments : public QObject {
    Q_OBJECT

    std::unique_ptr<EngineFolder> m_folder;

    // An invoice of 19.85 EUR, due on the day given (or by the term).
    qint64 record(RegisterStore &store, const QString &number, const QString &due,
                  DocumentKind kind = DocumentKind::Invoice, NoteKind note = NoteKind::None)
    {
        Invoice invoice = sampleInvoice(kind, note, Currency::Euro, number.rightJustified(10, u'0'));
        invoice.texts.paymentDate = due;
        store.recordPrint(invoice, {}, PrintMode::Original);
        return *store.documentId(IssuedRules::companyKey(invoice.supplier), numberSeries(kind), invoice.number);
    }

    static Payment pay(qint64 document, const char16_t *amount, Currency in = Currency::Euro)
    {
        return paymentOf(document, QDate(2026, 2, 20), money(amount), in, Currency::Euro, PaymentWay::Bank);
    }

    QStringList numbers(const RegisterStore &store, const QList<qint64> &ids)
    {
        QStringList found;
        for (const RegisterRow &row : store.rows(ids))
            found << row.number.right(1);
        return found;
    }

private Q_SLOTS:
    void initTestCase_data() { addEngineRows(); }

    void init()
    {
        QFETCH_GLOBAL(QString, engine);
        REQUIRE_ENGINE(engine);
        if (m_folder && m_folder->engine() == engine)
            QVERIFY(m_folder->clear());
        else
            m_folder = std::make_unique<EngineFolder>(engine);
        QVERIFY(m_folder->makeOwnCompany());
    }

    // A month of invoices of 19.85 EUR: 1 paid in full, 2 in two parts (the
    // second in leva), 3 overpaid, 4 part paid after a wrong payment was
    // reversed, 5 unpaid and late, 6 unpaid and not yet due, 7 paid by a
    // credit note (8) against it, and a proforma that takes no payment.
    void aMonthOfPayments()
    {
        RegisterStore store(m_folder->data());
        const QString late = QStringLiteral("8.2.2026 г."), later = QStringLiteral("31.3.2026 г.");
        QList<qint64> invoice{0};
        for (int i = 1; i <= 7; ++i)
            invoice << record(store, QString::number(i), i == 6 ? later : late);
        record(store, QStringLiteral("8"), late, DocumentKind::Invoice, NoteKind::Credit);
        const qint64 proforma = record(store, QStringLiteral("9"), late, DocumentKind::Proforma);
        for (const Payment &payment :
             {pay(invoice[1], u"19.85"), pay(invoice[2], u"10"), pay(invoice[2], u"19.26", Currency::Leva),
              pay(invoice[3], u"25"), pay(invoice[4], u"50"), pay(invoice[4], u"-50"), pay(invoice[4], u"5")})
            store.recordPayment(payment);

        const QDate today(2026, 3, 1);
        const QStringList statuses{QStringLiteral("Платен"), QStringLiteral("Платен"), QStringLiteral("Надплатен"),
                                   QStringLiteral("Частично платен"), QStringLiteral("Неплатен"),
                                   QStringLiteral("Неплатен"), QStringLiteral("Платен")};
        const QList<RegisterRow> rows = store.rows(invoice.mid(1));
        QStringList shown, owed;
        for (const RegisterRow &row : rows) {
            shown << paymentStatusText(row.balance.status);
            owed << row.balance.owed.text();
        }
        QCOMPARE(shown, statuses);
        QCOMPARE(owed, QStringList({"0", "0", "-5.15", "14.85", "19.85", "19.85", "0"}));
        QCOMPARE(store.rows({proforma}).value(0).balance.status, PaymentStatus::NotPayable);
        const QList<Payment> second = store.payments(invoice[2]);
        QCOMPARE(second.size(), 2);
        QCOMPARE(second[1].paidIn, Currency::Leva);
        QCOMPARE(second[1].paidAmount.text(), QStringLiteral("19.26"));
        QCOMPARE(second[1].amount.text(), QStringLiteral("9.85"));

        const RegisterQuery unpaidQuery{{}, {}, {}, PaymentFilter::Unpaid, today};
        const RegisterStore::Listing unpaid = store.list(unpaidQuery);
        QCOMPARE(numbers(store, unpaid.ids), QStringList({"6", "5", "4"}));
        QCOMPARE(unpaid.sums.value(0).owed.text(), QStringLiteral("54.55"));
        RegisterSearch inMemory;
        const auto sameInMemory = [&] {
            inMemory.update(store);
            const RegisterStore::Listing listed = inMemory.list(unpaidQuery, store.owing());
            const RegisterStore::Listing stored = store.list(unpaidQuery);
            return listed.ids == stored.ids && listed.sums == stored.sums;
        };
        QVERIFY(sameInMemory());
        const RegisterStore::Listing overdue = store.list({{}, {}, {}, PaymentFilter::Overdue, today});
        QCOMPARE(numbers(store, overdue.ids), QStringList({"5", "4"}));
        QCOMPARE(overdue.sums.value(0).owed.text(), QStringLiteral("34.7"));
        const RegisterStore::Listing all = store.list({{}, {}, {}, PaymentFilter::All, today});
        QCOMPARE(all.ids.size(), 9);

        // A payment another program enters counts at the next listing.
        RegisterStore(m_folder->data()).recordPayment(pay(invoice[5], u"19.85"));
        QCOMPARE(numbers(store, store.find({{}, {}, {}, PaymentFilter::Unpaid, today})), QStringList({"6", "4"}));
        QVERIFY(sameInMemory());
        store.recordPayment(pay(invoice[5], u"-19.85"));

        // Cancelling the credit note leaves its invoice owed again.
        store.cancel(*store.documentId(QStringLiteral("123456789"), NumberSeries::Invoice, QStringLiteral("0000000008")),
                     QStringLiteral("грешка"));
        QCOMPARE(numbers(store, store.find({{}, {}, {}, PaymentFilter::Unpaid, today})),
                 QStringList({"7", "6", "5", "4"}));
        QVERIFY(sameInMemory());
    }

    // Two own companies number their invoices apart: a credit note pays the
    // invoice of its own company only, however its number was typed; the
    // window's list in memory agrees with the store's.
    void creditNoteCountsForItsOwnCompany_data()
    {
        QTest::addColumn<bool>("bySecond");
        QTest::addColumn<QString>("typed");
        QTest::newRow("first company, as recorded") << false << "0000000007";
        QTest::newRow("second company, as recorded") << true << "0000000007";
        QTest::newRow("second company, typed short") << true << " 7 ";
    }
    void creditNoteCountsForItsOwnCompany()
    {
        QFETCH(bool, bySecond);
        QFETCH(QString, typed);
        // The first is init()'s.
        QVERIFY(addOwnCompany(*m_folder, 2 * Schema::MakerKeyStep, QStringLiteral("Втора фирма ООД"),
                              QStringLiteral("222333444")));
        RegisterStore store(m_folder->data());
        const QString number = QStringLiteral("0000000007");
        for (const Invoice &invoice : {firstCompanyInvoice(number, 1), secondCompanyInvoice(number, 2)})
            store.recordPrint(invoice, {}, PrintMode::Original);
        Invoice credit = bySecond ? secondCompanyInvoice(QStringLiteral("0000000008"), 2)
                                  : firstCompanyInvoice(QStringLiteral("0000000008"), 1);
        credit.note = sampleInvoice(DocumentKind::Invoice, NoteKind::Credit, Currency::Euro, number).note;
        credit.note.invoiceNumber = typed;
        store.recordPrint(credit, {}, PrintMode::Original);

        const RegisterQuery unpaid{{}, {}, {}, PaymentFilter::Unpaid, QDate(2026, 3, 1)};
        const RegisterStore::Listing stored = store.list(unpaid);
        QCOMPARE(stored.ids.size(), 1);
        const RegisterRow owing = store.row(stored.ids.first());
        QCOMPARE(owing.number, number);
        QCOMPARE(owing.companyKey, IssuedRules::companyKey((bySecond ? firstCompanyInvoice(number, 1)
                                                                     : secondCompanyInvoice(number, 2)).supplier));
        RegisterSearch inMemory;
        inMemory.update(store);
        const RegisterStore::Listing listed = inMemory.list(unpaid, store.owing());
        QCOMPARE(listed.ids, stored.ids);
        QCOMPARE(listed.sums, stored.sums);
    }

    // A year of documents by month, as the register window's chart shows
    // them, against the same sums read from the register's tables by SQL.
    void aYearByMonth()
    {
        RegisterStore store(m_folder->data());
        int number = 0;
        const auto issue = [&](int month, NoteKind note = NoteKind::None, DocumentKind kind = DocumentKind::Invoice) {
            Invoice invoice = sampleInvoice(kind, note, Currency::Euro, QString::number(++number).rightJustified(10, u'0'));
            invoice.issueDate = QStringLiteral("%1.%2.2026 г.").arg(month).arg(month);
            store.recordPrint(invoice, {}, PrintMode::Original);
            return *store.documentId(QStringLiteral("123456789"), numberSeries(kind), invoice.number);
        };
        for (int month = 1; month <= 12; month += 2) {
            const qint64 paid = issue(month);
            store.recordPayment(pay(paid, month == 5 ? u"7.33" : u"19.85"));
            issue(month);
        }
        issue(3, NoteKind::Credit);
        issue(4, NoteKind::None, DocumentKind::Proforma);
        store.cancel(issue(6), QStringLiteral("грешка"));
        const QList<MonthSales> months = monthlySales(store, QDate(2026, 12, 9));
        QCOMPARE(months.size(), 12);
        RegisterSearch inMemory;
        inMemory.update(store);
        const auto [first, last] = twelveMonths(QDate(2026, 12, 9));
        QCOMPARE(monthlySales(inMemory.sold(first, last, store.owing(first, last)), QDate(2026, 12, 9)), months);
        QCOMPARE(months.first().month, QDate(2026, 1, 1));

        const QString document = QStringLiteral(
            "FROM \"Документи\" d LEFT JOIN (SELECT \"Документ\" k, CAST(sum(\"Сума (0.0001)\") AS bigint) p FROM \"Плащания\" "
            "GROUP BY \"Документ\") p ON p.k = d.\"Ид\" WHERE d.\"Вид\" <> 'Проформа' AND d.\"Анулиран\" IS NULL "
            "AND substr(d.\"Дата (ГГГГ-ММ-ДД)\", 1, 7) = '2026-%1'");
        for (const MonthSales &month : months) {
            const QString where = document.arg(month.month.month(), 2, 10, QChar(u'0'));
            const QStringList sums = m_folder->sqlOnRegister(
                {QStringLiteral("SELECT coalesce(sum(CASE WHEN d.\"Известие\" = 'Кредитно известие' THEN -1 ELSE 1 END "
                                "* d.\"Данъчна основа (0.0001)\"), 0) ") + where,
                 QStringLiteral("SELECT coalesce(sum(CASE WHEN d.\"Известие\" = 'Кредитно известие' THEN "
                                "-d.\"Данъчна основа (0.0001)\" ELSE d.\"Данъчна основа (0.0001)\" * "
                                "coalesce(p.p, 0) / d.\"Сума за плащане (0.0001)\" END), 0) ") + where});
            QCOMPARE(QString::number(month.sold.units()), sums.value(0));
            QCOMPARE(QString::number(month.paid.units()), sums.value(1));
            QCOMPARE(month.open, month.sold - month.paid);
        }
        QCOMPARE(months[4].paid.text(), QStringLiteral("6.1077"));  // 7.33 of 19.85 paid: that share of 16.54
    }

    void refused_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("message");
        QTest::newRow("proforma") << "proforma" << "1"
                                  << "Проформа № 0000000002 не се плаща: плаща се фактурата, издадена по нея.";
        QTest::newRow("credit note") << "credit" << "1"
                                     << "Кредитно известие № 0000000003 не се плаща: то намалява дължимото по "
                                        "фактурата, която коригира.";
        QTest::newRow("cancelled") << "cancelled" << "1" << "Документ № 0000000001 е анулиран и не се плаща.";
        QTest::newRow("nothing") << "invoice" << "0" << "Сумата на плащането по документ № 0000000004 е нула.";
    }
    void refused()
    {
        QFETCH(QString, document);
        QFETCH(QString, amount);
        RegisterStore store(m_folder->data());
        const QHash<QString, qint64> ids{
            {QStringLiteral("cancelled"), record(store, QStringLiteral("1"), {})},
            {QStringLiteral("proforma"), record(store, QStringLiteral("2"), {}, DocumentKind::Proforma)},
            {QStringLiteral("credit"), record(store, QStringLiteral("3"), {}, DocumentKind::Invoice, NoteKind::Credit)},
            {QStringLiteral("invoice"), record(store, QStringLiteral("4"), {})}};
        store.cancel(ids[QStringLiteral("cancelled")], QStringLiteral("грешка"));
        const QString refusal = failureOf([&] {
            store.recordPayment(paymentOf(ids[document], QDate(2026, 3, 1), Amount::parseOrThrow(amount),
                                          Currency::Euro, Currency::Euro, PaymentWay::Card));
        });
        QTEST(refusal, "message");
        QCOMPARE(store.payments(ids[document]).size(), 0);
    }

    // The store, not only the program, keeps payments as they were entered.
    void paymentsAreNeverChangedOrDeleted_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::newRow("change") << "UPDATE \"Плащания\" SET \"Сума (0.0001)\" = 1";
        QTest::newRow("delete") << "DELETE FROM \"Плащания\"";
    }
    void paymentsAreNeverChangedOrDeleted()
    {
        QFETCH(QString, statement);
        RegisterStore store(m_folder->data());
        const qint64 id = record(store, QStringLiteral("1"), {});
        store.recordPayment(pay(id, u"5"));
        QCOMPARE(m_folder->sqlOnRegister({statement}), QStringList{QStringLiteral("failed: ") + statement});
        if (m_folder->onServer()) {
            const QString truncate = QStringLiteral("TRUNCATE \"Плащания\"");
            QCOMPARE(m_folder->sqlOnRegister({truncate}), QStringList{QStringLiteral("failed: ") + truncate});
        }
        QCOMPARE(store.payments(id).value(0).amount.text(), QStringLiteral("5"));
    }

    // A register made before payments were kept gets the table and the
    // index that finds the credit notes, its documents as they were.
    void olderRegisterTakesPayments()
    {
        qint64 id = 0;
        {
            RegisterStore store(m_folder->data());
            id = record(store, QStringLiteral("1"), {});
        }
        QCOMPARE(m_folder->sqlOnRegister({QStringLiteral("DROP TABLE \"Плащания\""),
                                          QStringLiteral("DROP INDEX \"Известия\"")}),
                 QStringList());
        RegisterStore store(m_folder->data());
        store.recordPayment(pay(id, u"19.85"));
        QCOMPARE(store.row(id).balance.status, PaymentStatus::Paid);
        QCOMPARE(m_folder->sqlOnRegister({QStringLiteral("DROP INDEX \"Известия\"")}), QStringList());
        QCOMPARE(m_folder->sqlOnRegister({QStringLiteral("DELETE FROM \"Плащания\"")}).value(0).left(7),
                 QStringLiteral("failed:"));
    }

    // Two processes enter 40 payments each against one invoice at once:
    // every one is kept, and a program that listed what is owed before sees
    // them all after.
    void twoProgramsLoseNoPayment()
    {
        RegisterStore watching(m_folder->data());
        record(watching, QStringLiteral("1"), {});
        const RegisterQuery unpaid{{}, {}, {}, PaymentFilter::Unpaid, QDate(2026, 3, 1)};
        QCOMPARE(watching.list(unpaid).sums.value(0).owed.text(), QStringLiteral("19.85"));
        const int count = 40;
        QProcess programs[2];
        for (QProcess &program : programs) {
            program.start(helperPath("other_program_helper"), {QStringLiteral("pay"), m_folder->data(), QString::number(count)});
            QVERIFY(program.waitForStarted());
        }
        for (QProcess &program : programs) {
            QVERIFY(program.waitForFinished(60000));
            QVERIFY2(program.exitCode() == 0, program.readAllStandardError().constData());
        }
        RegisterStore store(m_folder->data());
        const qint64 id = store.find({}).value(0);
        QCOMPARE(store.payments(id).size(), 2 * count);
        QCOMPARE(store.row(id).balance.paid.text(), QStringLiteral("0.8"));
        QCOMPARE(watching.list(unpaid).sums.value(0).owed.text(), QStringLiteral("19.05"));
    }
};

QTEST_GUILESS_MAIN(tst_Payments)
#include "tst_payments.moc"
