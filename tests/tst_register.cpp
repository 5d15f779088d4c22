// The register of issued documents: what a print records is the document
// as it was handed over, read back whole; one number is held once; the store
// itself keeps the register append-only; the search and the sums.

#include "common/Failure.h"
#include "register/IssuedRules.h"
#include "register/RegisterStore.h"
#include "support/SampleInvoice.h"
#include "support/SqlFile.h"

#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(DocumentKind)
Q_DECLARE_METATYPE(NoteKind)
Q_DECLARE_METATYPE(Currency)

namespace {

const PrintStamp Stamp{QDateTime(QDate(2026, 2, 8), QTime(10, 15)), QStringLiteral("каса-1"), QStringLiteral("ivan")};
const ArchiveFiles Files{QStringLiteral("/inst/DB/InvFirm1_0000000042_.bmp"),
                         QStringLiteral("/inst/DB/InvFirm1_0000000042_.pdf")};

} // namespace

class tst_Register : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_searched;  // the documents searchAndSums finds
    std::unique_ptr<QTemporaryDir> m_kept;      // the register storeKeepsTheRegister changes
    QString data() const { return m_dir->filePath(QStringLiteral("DB")); }
    QString firmFile() const { return QDir(data()).filePath(QStringLiteral("Firm.db")); }
    QString registerFile() const { return RegisterStore::filePath(data()); }

    QStringList firmNumbers() const
    {
        return sqlOnFile(firmFile(), {QStringLiteral("SELECT \"Фактура №\" || '/' || \"Проформа №\" FROM Firm")});
    }

    // The documents every row of searchAndSums searches, recorded once.
    static void recordSearched(const QString &folder)
    {
        RegisterStore store(folder);
        struct Made {
            const char16_t *client, *eik, *date;
            Currency currency;
            NoteKind note;
            DocumentKind kind;
        };
        // 1: leva invoice in February; 2: euro invoice to "Кирил" in March;
        // 3: euro proforma in March (not summed); 4: euro credit note to
        // "Кирил" in April, which counts against the euro invoice.
        const QList<Made> made{
            {u"Клиент ООД", u"987654321", u"8.2.2026 г.", Currency::Leva, NoteKind::None, DocumentKind::Invoice},
            {u"кирил ЕТ", u"111222333", u"3.3.2026 г.", Currency::Euro, NoteKind::None, DocumentKind::Invoice},
            {u"Клиент ООД", u"987654321", u"4.3.2026 г.", Currency::Euro, NoteKind::None, DocumentKind::Proforma},
            {u"Кирил ЕТ", u"111222333", u"1.4.2026 г.", Currency::Euro, NoteKind::Credit, DocumentKind::Invoice},
        };
        for (qsizetype i = 0; i < made.size(); ++i) {
            Invoice invoice = sampleInvoice(made[i].kind, made[i].note, made[i].currency, QString::number(i + 1),
                                            QString::fromUtf16(made[i].client));
            invoice.client.eik = QString::fromUtf16(made[i].eik);
            invoice.issueDate = QString::fromUtf16(made[i].date);
            store.recordPrint(invoice, Files, PrintMode::Original, Stamp);
        }
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(data()));
        QVERIFY(makeOwnCompany(data()));
    }

    void printIsRecordedWhole_data()
    {
        QTest::addColumn<DocumentKind>("kind");
        QTest::addColumn<NoteKind>("note");
        QTest::addColumn<Currency>("currency");
        QTest::addColumn<QString>("shownKind");
        QTest::addColumn<QString>("firmAfter");  // "Фактура №/Проформа №"
        QTest::newRow("invoice, leva") << DocumentKind::Invoice << NoteKind::None << Currency::Leva << "Фактура"
                                       << "0000000042/0000000000";
        QTest::newRow("invoice, euro") << DocumentKind::Invoice << NoteKind::None << Currency::Euro << "Фактура"
                                       << "0000000042/0000000000";
        QTest::newRow("proforma, leva") << DocumentKind::Proforma << NoteKind::None << Currency::Leva << "Проформа"
                                        << "0000000000/0000000042";
        QTest::newRow("proforma, euro") << DocumentKind::Proforma << NoteKind::None << Currency::Euro << "Проформа"
                                        << "0000000000/0000000042";
        QTest::newRow("credit note, euro") << DocumentKind::Invoice << NoteKind::Credit << Currency::Euro
                                           << "Кредитно известие" << "0000000042/0000000000";
        QTest::newRow("debit note, leva") << DocumentKind::Invoice << NoteKind::Debit << Currency::Leva
                                          << "Дебитно известие" << "0000000042/0000000000";
    }
    void printIsRecordedWhole()
    {
        QFETCH(DocumentKind, kind);
        QFETCH(NoteKind, note);
        QFETCH(Currency, currency);
        QFETCH(QString, shownKind);
        QFETCH(QString, firmAfter);
        // A number typed on the page without its zeros is recorded as printed back.
        const Invoice printed = sampleInvoice(kind, note, currency, QStringLiteral("42"));
        RegisterStore store(data());
        QCOMPARE(int(store.recordPrint(printed, Files, PrintMode::Original, Stamp)), int(Recorded::NewDocument));

        const QList<qint64> ids = store.find({});
        QCOMPARE(ids.size(), 1);
        Invoice expected = printed;
        expected.number = QStringLiteral("0000000042");
        QCOMPARE(store.invoice(ids[0]), expected);
        const RegisterRow row = store.row(ids[0]);
        QCOMPARE(row.kind, shownKind);
        QCOMPARE(row.currency, currency);
        QCOMPARE(row.total.units(), 198500);
        QCOMPARE(row.archiveImage, Files.image);
        QCOMPARE(row.pdfCopy, Files.pdf);
        QCOMPARE(row.printedAt, IssuedRules::timeText(Stamp.time));
        QCOMPARE(row.copies, 0);
        QCOMPARE(firmNumbers(), QStringList{firmAfter});
        // Amounts are kept as whole ten-thousandths, never as floating point.
        QCOMPARE(sqlOnFile(registerFile(), {QStringLiteral("SELECT group_concat(typeof(\"Количество (0.0001)\") || "
                                                           "\"Количество (0.0001)\") FROM \"Редове\"")}),
                 QStringList{QStringLiteral("integer30000,integer1250")});
        QCOMPARE(sqlOnFile(registerFile(), {QStringLiteral("SELECT \"Компютър\" || '/' || \"Потребител\" FROM \"Документи\"")}),
                 QStringList{QStringLiteral("каса-1/ivan")});
    }

    // The document under a number held already: the same content counts a
    // copy; any other is refused, naming the document that has the number;
    // a cancelled one is never printed as an original again.
    void heldNumber_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("refusal");
        const int original = int(PrintMode::Original);
        const int copy = int(PrintMode::Copy);
        const QString taken = IssuedRules::numberTakenMessage(QStringLiteral("0000000042"), QStringLiteral("Фактура"),
                                                              QStringLiteral("8.2.2026 г."), QStringLiteral("Клиент ООД"));
        QTest::newRow("same, original") << "" << false << original << "";
        QTest::newRow("same, copy") << "" << false << copy << "";
        QTest::newRow("other client") << "client" << false << original << taken;
        QTest::newRow("other line") << "line" << false << original << taken;
        QTest::newRow("other date") << "date" << false << copy << taken;
        QTest::newRow("same, cancelled, original")
            << "" << true << original
            << IssuedRules::cancelledOriginalMessage(QStringLiteral("0000000042"), QStringLiteral("8.2.2026 г."));
        QTest::newRow("same, cancelled, copy") << "" << true << copy << "";
    }
    void heldNumber()
    {
        QFETCH(QString, change);
        QFETCH(bool, cancelled);
        QFETCH(int, mode);
        QFETCH(QString, refusal);
        RegisterStore store(data());
        const Invoice first = sampleInvoice(DocumentKind::Invoice, NoteKind::None, Currency::Euro,
                                            QStringLiteral("0000000042"));
        store.recordPrint(first, Files, PrintMode::Original, Stamp);
        const qint64 id = store.find({}).value(0);
        if (cancelled)
            store.cancel(id, QStringLiteral("грешен клиент"), Stamp.time);

        Invoice again = first;
        if (change == u"client")
            again.client.name = QStringLiteral("Друг клиент");
        if (change == u"line")
            again.lines[1].quantity = Amount::parseOrThrow(u"0.126");
        if (change == u"date")
            again.issueDate = QStringLiteral("9.2.2026 г.");
        const QDateTime later = Stamp.time.addDays(1);
        try {
            QCOMPARE(int(store.recordPrint(again, Files, PrintMode(mode), {later, {}, {}})), int(Recorded::CopyCounted));
            QVERIFY2(refusal.isEmpty(), "not refused");
        } catch (const Failure &failure) {
            QCOMPARE(failure.text(), refusal);
        }
        const RegisterRow row = store.row(id);
        QCOMPARE(row.copies, refusal.isEmpty() ? 1 : 0);
        QCOMPARE(row.lastCopyAt, refusal.isEmpty() ? IssuedRules::timeText(later) : QString());
        QCOMPARE(store.find({}).size(), 1);
        QCOMPARE(store.invoice(id), first);
    }

    // The invoices a note may refer to: the own company's invoices to the
    // client, newest first; no proforma, note or cancelled invoice.
    void invoicesForANote_data()
    {
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("eik");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("numbers");
        QTest::newRow("client by ЕИК") << "123456789" << "987654321" << "" << QStringList{"0000000002", "0000000001"};
        QTest::newRow("ЕИК typed with blanks, name not counting")
            << "123456789" << " 987 654 321" << "Друг" << QStringList{"0000000002", "0000000001"};
        QTest::newRow("client without ЕИК, by name") << "123456789" << "" << "Без ЕИК ЕТ" << QStringList{"0000000006"};
        QTest::newRow("another own company") << "999999999" << "987654321" << "" << QStringList();
        QTest::newRow("client with no invoice") << "123456789" << "111222333" << "" << QStringList();
        QTest::newRow("no client on the page") << "123456789" << "" << "" << QStringList();
    }
    void invoicesForANote()
    {
        QFETCH(QString, company);
        QFETCH(QString, eik);
        QFETCH(QString, name);
        QFETCH(QStringList, numbers);
        RegisterStore store(data());
        struct Made {
            DocumentKind kind;
            NoteKind note;
            const char *number, *date;
            const char16_t *client, *eik;
        };
        const QList<Made> made{
            {DocumentKind::Invoice, NoteKind::None, "1", "8.2.2026", u"Клиент ООД", u"987654321"},
            {DocumentKind::Invoice, NoteKind::None, "2", "3.3.2026", u"Клиент ООД", u"987654321"},
            {DocumentKind::Proforma, NoteKind::None, "3", "4.3.2026", u"Клиент ООД", u"987654321"},
            {DocumentKind::Invoice, NoteKind::Credit, "4", "5.3.2026", u"Клиент ООД", u"987654321"},
            {DocumentKind::Invoice, NoteKind::None, "5", "6.3.2026", u"Клиент ООД", u"987654321"},  // cancelled
            {DocumentKind::Invoice, NoteKind::None, "6", "7.3.2026", u"Без ЕИК ЕТ", u""},
        };
        for (const Made &document : made) {
            Invoice invoice = sampleInvoice(document.kind, document.note, Currency::Euro,
                                            QString::fromLatin1(document.number), QString::fromUtf16(document.client));
            invoice.client.eik = QString::fromUtf16(document.eik);
            invoice.issueDate = QString::fromLatin1(document.date);
            store.recordPrint(invoice, Files, PrintMode::Original, Stamp);
        }
        store.cancel(store.find({QStringLiteral("0000000005"), {}, {}}).value(0), QStringLiteral("грешка"));

        QStringList found;
        for (const RegisterRow &row : store.rows(store.invoicesFor(company, eik, name)))
            found << row.number;
        QCOMPARE(found, numbers);
    }

    void cancelMarksOnce()
    {
        RegisterStore store(data());
        store.recordPrint(sampleInvoice(DocumentKind::Invoice, NoteKind::None, Currency::Leva, QStringLiteral("5")),
                          Files, PrintMode::Original, Stamp);
        const qint64 id = store.find({}).value(0);
        QVERIFY_THROWS_EXCEPTION(Failure, store.cancel(id, QStringLiteral("  ")));
        QVERIFY(store.row(id).cancelledAt.isEmpty());
        store.cancel(id, QStringLiteral(" грешна сума "), Stamp.time);
        QCOMPARE(store.row(id).cancelReason, QStringLiteral("грешна сума"));
        QCOMPARE(store.row(id).cancelledAt, IssuedRules::timeText(Stamp.time));
        try {
            store.cancel(id, QStringLiteral("пак"));
            QFAIL("cancelled twice");
        } catch (const Failure &failure) {
            QCOMPARE(failure.text(), IssuedRules::alreadyCancelledMessage(QStringLiteral("0000000005"),
                                                                          IssuedRules::timeText(Stamp.time)));
        }
        // It stays listed and its number stays used.
        QCOMPARE(store.find({}), QList<qint64>{id});
    }

    // What another program (here: plain SQL) may not do to the register.
    void storeKeepsTheRegister_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("delete a document") << "DELETE FROM \"Документи\"" << false;
        QTest::newRow("change a client") << "UPDATE \"Документи\" SET \"Клиент\" = 'Х'" << false;
        QTest::newRow("change an amount") << "UPDATE \"Документи\" SET \"Сума за плащане (0.0001)\" = 1" << false;
        QTest::newRow("change a line") << "UPDATE \"Редове\" SET \"Стойност (0.0001)\" = 1" << false;
        QTest::newRow("delete a line") << "DELETE FROM \"Редове\"" << false;
        QTest::newRow("lower the copies") << "UPDATE \"Документи\" SET \"Копия\" = -1" << false;
        QTest::newRow("cancel a cancelled one again")
            << "UPDATE \"Документи\" SET \"Анулиран\" = 'x' WHERE \"Номер\" = '0000000002'" << false;
        QTest::newRow("the number a second time")
            << "INSERT INTO \"Документи\" (\"Фирма\", \"Поредица\", \"Номер\", \"Данъчна основа (0.0001)\", "
               "\"ДДС (0.0001)\", \"Сума за плащане (0.0001)\", \"Запис на фирмата\") "
               "VALUES ('123456789', 'Фактура', '0000000001', 0, 0, 0, 1)"
            << false;
        QTest::newRow("the number in the proforma series")
            << "INSERT INTO \"Документи\" (\"Фирма\", \"Поредица\", \"Номер\", \"Данъчна основа (0.0001)\", "
               "\"ДДС (0.0001)\", \"Сума за плащане (0.0001)\", \"Запис на фирмата\") "
               "VALUES ('123456789', 'Проформа', '0000000001', 0, 0, 0, 1)"
            << true;
        QTest::newRow("count a copy") << "UPDATE \"Документи\" SET \"Копия\" = 3" << true;
        QTest::newRow("cancel") << "UPDATE \"Документи\" SET \"Анулиран\" = 'x' WHERE \"Номер\" = '0000000001'" << true;
    }
    void storeKeepsTheRegister()
    {
        QFETCH(QString, statement);
        QFETCH(bool, allowed);
        // Two documents, the first cancelled: recorded once, copied for each row.
        if (!m_kept) {
            m_kept = std::move(m_dir);
            init();
            RegisterStore store(m_kept->filePath(QStringLiteral("DB")));
            for (const char16_t *number : {u"1", u"2"})
                store.recordPrint(sampleInvoice(DocumentKind::Invoice, NoteKind::None, Currency::Leva,
                                                QString::fromUtf16(number)),
                                  Files, PrintMode::Original, Stamp);
            store.cancel(store.find({}).value(0), QStringLiteral("грешка"));
        }
        QVERIFY(QFile::copy(RegisterStore::filePath(m_kept->filePath(QStringLiteral("DB"))), registerFile()));
        const QStringList result = sqlOnFile(registerFile(), {statement});
        QCOMPARE(result.isEmpty(), allowed);
    }

    void searchAndSums_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("numbers");  // newest first
        QTest::addColumn<QString>("sums");         // currency:count:total per currency
        QTest::newRow("all") << "" << "" << "" << QStringList{"0000000004", "0000000003", "0000000002", "0000000001"}
                             << "лв:1:19.85 EUR:2:0";
        QTest::newRow("client, other case") << "КИРИЛ" << "" << "" << QStringList{"0000000004", "0000000002"}
                                            << "EUR:2:0";
        QTest::newRow("ЕИК") << "111" << "" << "" << QStringList{"0000000004", "0000000002"} << "EUR:2:0";
        QTest::newRow("number") << "03" << "" << "" << QStringList{"0000000003"} << "";
        QTest::newRow("period") << "" << "1.3.2026" << "31.3.2026" << QStringList{"0000000003", "0000000002"}
                                << "EUR:1:19.85";
    }
    void searchAndSums()
    {
        QFETCH(QString, text);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QStringList, numbers);
        QFETCH(QString, sums);
        if (!m_searched) {
            m_searched = std::move(m_dir);
            init();
            recordSearched(m_searched->filePath(QStringLiteral("DB")));
        }
        RegisterStore store(m_searched->filePath(QStringLiteral("DB")));
        const RegisterQuery query{text, IssuedRules::pageDate(from, QDate()), IssuedRules::pageDate(to, QDate())};
        QStringList found;
        for (const RegisterRow &row : store.rows(store.find(query)))
            found << row.number;
        QCOMPARE(found, numbers);
        QStringList shown;
        for (const CurrencySum &sum : store.sums(query))
            shown << QStringLiteral("%1:%2:%3").arg(selectorText(sum.currency)).arg(sum.count).arg(sum.total.text());
        QCOMPARE(shown.join(u' '), sums);
    }

    // A start folder whose DB folder cannot take a new file gets a message,
    // and no register.
    void registerIsMadeOnFirstUse()
    {
        QVERIFY(!QFileInfo::exists(registerFile()));
        { RegisterStore store(data()); }
        QVERIFY(QFileInfo::exists(registerFile()));
        { RegisterStore again(data()); }
        QVERIFY_THROWS_EXCEPTION(Failure, RegisterStore(m_dir->filePath(QStringLiteral("nowhere"))));
        QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("nowhere"))));
    }
};

QTEST_GUILESS_MAIN(tst_Register)
#include "tst_register.moc"
