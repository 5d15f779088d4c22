#include "common/Cp1251.h"
#include "ledger/LedgerFiles.h"
#include "ledger/PurchaseLedger.h"
#include "ledger/Vies.h"
#include "support/LedgerLayout.h"
#include "support/LedgerMonth.h"

#include <QtTest>

// The purchase ledger and the whole return, read back by the parser made
// from the agency's layout table (support/LedgerLayout.h) and compared with
// the layout notes' own sample month.

using namespace LedgerLayout;

namespace {

// The agency layout's own sample month (January 2026, in euro), as the
// layout notes give it: seven purchase records and the return.
inline const QStringList SamplePurchaseRecords = {
    QStringLiteral("BG175000001    202601   0              1010000012345          05/01/2026BG130000002    Доставчик А ООД                                   Материали                                0.00         100.00          20.00           0.00           0.00           0.00           0.00  "),
    QStringLiteral("BG175000001    202601   0              2010000000777          07/01/2026BG200000003    Гориво Б ЕАД                                      Гориво за лек автомобил                 60.00           0.00           0.00           0.00           0.00           0.00           0.00  "),
    QStringLiteral("BG175000001    202601   0              3030000012399          12/01/2026BG130000002    Доставчик А ООД                                   Материали                                0.00         -10.00          -2.00           0.00           0.00           0.00           0.00  "),
    QStringLiteral("BG175000001    202601   0              4090000000001          15/01/2026DE123456789    Lieferant GmbH                                    Стоки                                    0.00        1000.00         200.00           0.00           0.00           0.00           0.00  "),
    QStringLiteral("BG175000001    202601   0              50726BG001000H0000001  20/01/2026999999999999999Агенция Митници                                   Стоки                                    0.00         500.00         100.00           0.00           0.00           0.00           0.00  "),
    QStringLiteral("BG175000001    202601   0              6010000000042          22/01/2026201000004      Услуги В ЕООД                                     Услуги                                  80.00           0.00           0.00           0.00           0.00           0.00           0.00  "),
    QStringLiteral("BG175000001    202601   0              7010000004711          28/01/2026BG130000005    Доставчик Г АД                                    Консумативи                              0.00           0.00           0.00         200.00          40.00           0.00           0.00  "),
};
inline const QString SampleReturn = QStringLiteral(
    "BG175000001    Примерна Фирма ЕООД                               2026010000000000/Иван Иванов Иванов                                   4              7        4500.00         600.00        2000.00         400.00        1000.00         200.00           0.00           0.00           0.00           0.00        1500.00           0.00         300.00           0.00           0.00         140.00        1590.00         318.00         200.00          40.00           0.000.50         338.00         262.00           0.00           0.00         262.00           0.00           0.00           0.00");

QByteArray sampleLines(const QStringList &records)
{
    QByteArray bytes;
    for (const QString &record : records)
        bytes += Cp1251::encode(record) + "\r\n";
    return bytes;
}

QString artifactPath(const QString &name)
{
    const QString folder = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("artifacts/purchases"));
    QDir().mkpath(folder);
    return QDir(folder).filePath(name);
}

PurchaseDocument purchase(const char *type, const char *number, QDate date, const QString &supplier,
                          const char *vatNumber, const QString &description, const char *base, const char *vat,
                          CreditRight credit)
{
    PurchaseDocument document;
    document.type = QString::fromLatin1(type);
    document.number = QString::fromLatin1(number);
    document.date = date;
    document.supplierName = supplier;
    document.supplierVatNumber = QString::fromLatin1(vatNumber);
    document.description = description;
    document.currency = Currency::Euro;
    document.taxBase = Amount::parseOrThrow(QString::fromLatin1(base));
    document.vat = Amount::parseOrThrow(QString::fromLatin1(vat));
    document.credit = credit;
    return document;
}

// The sample month's purchases: full, no and partial credit, a credit note,
// a protocol under чл. 117 for an acquisition, a customs declaration and a
// supplier outside the register. (The sample's ЕИК 201000004 fails its check
// digit; 201000005 is the valid one.)
QList<PurchaseDocument> januaryPurchases()
{
    const auto day = [](int d) { return QDate(2026, 1, d); };
    QList<PurchaseDocument> month;
    month << purchase("01", "0000012345", day(5), QStringLiteral("Доставчик А ООД"), "BG130000002",
                      QStringLiteral("Материали"), "100.00", "20.00", CreditRight::Full);
    month << purchase("01", "0000000777", day(7), QStringLiteral("Гориво Б ЕАД"), "BG200000003",
                      QStringLiteral("Гориво за лек автомобил"), "50.00", "10.00", CreditRight::None);
    month << purchase("03", "0000012399", day(12), QStringLiteral("Доставчик А ООД"), "BG130000002",
                      QStringLiteral("Материали"), "10.00", "2.00", CreditRight::Full);
    PurchaseDocument protocol = purchase("09", "0000000001", day(15), QStringLiteral("Lieferant GmbH"), "DE123456789",
                                         QStringLiteral("Стоки"), "1000.00", "200.00", CreditRight::Full);
    protocol.protocol = ProtocolKind::Acquisition;
    month << protocol;
    month << purchase("07", "26BG001000H0000001", day(20), QStringLiteral("Агенция Митници"), "999999999999999",
                      QStringLiteral("Стоки"), "500.00", "100.00", CreditRight::Full);
    PurchaseDocument unregistered = purchase("01", "0000000042", day(22), QStringLiteral("Услуги В ЕООД"), "",
                                             QStringLiteral("Услуги"), "80.00", "0.00", CreditRight::None);
    unregistered.supplierEik = QStringLiteral("201000005");
    month << unregistered;
    month << purchase("01", "0000004711", day(28), QStringLiteral("Доставчик Г АД"), "BG130000005",
                      QStringLiteral("Консумативи"), "200.00", "40.00", CreditRight::Partial);
    return month;
}

LedgerCompany sampleCompany()
{
    LedgerCompany company = ledgerCompany();
    company.name = QStringLiteral("Примерна Фирма ЕООД");
    company.vatNumber = QStringLiteral("175000001");
    company.person = QStringLiteral("Иван Иванов Иванов");
    company.filerId = QStringLiteral("0000000000");
    return company;
}

// The sample month's sales: an invoice at 20 %, an intra-Community supply
// to France and a service under чл. 21, ал. 2 to Germany, in euro.
QList<LedgerDocument> januarySales()
{
    LedgerDocument invoice = ledgerDocument(QStringLiteral("0000000101"), QDate(2026, 1, 8), "2000.00", "400.00");
    LedgerDocument supply = ledgerDocument(QStringLiteral("0000000102"), QDate(2026, 1, 9), "1500.00", "0.00",
                                           QStringLiteral("0"));
    supply.invoice.texts.vatBasis = QStringLiteral("чл. 53, ал. 1 от ЗДДС");
    supply.invoice.client.vatNumber = QStringLiteral("FR12345678901");
    LedgerDocument service = ledgerDocument(QStringLiteral("0000000103"), QDate(2026, 1, 10), "300.00", "0.00",
                                            QStringLiteral("0"));
    service.invoice.texts.vatBasis = QStringLiteral("чл. 21, ал. 2 от ЗДДС");
    service.invoice.client.vatNumber = QStringLiteral("DE987654321");
    QList<LedgerDocument> month = {invoice, supply, service};
    for (LedgerDocument &document : month)
        document.invoice.currency = Currency::Euro;
    return month;
}

Amount amountOf(QStringView text) { return Amount::parseOrThrow(text.toString()); }

} // namespace

class tst_PurchaseLedger : public QObject {
    Q_OBJECT

    PurchaseLedger m_purchases;
    SalesLedger m_sales;

private Q_SLOTS:
    void initTestCase()
    {
        const TaxPeriod january{2026, 1};
        m_purchases = buildPurchaseLedger(januaryPurchases(), sampleCompany(), january, amountOf(QStringLiteral("0.5")));
        m_sales = withProtocols(buildSalesLedger(januarySales(), sampleCompany(), january), januaryPurchases());
        m_sales.company = sampleCompany();
        // The files stay among the build's artifacts for a look by eye.
        writeWholeFile(artifactPath(QLatin1String(PurchaseLedgerFileName)), purchaseLedgerFile(m_purchases));
        writeWholeFile(artifactPath(QLatin1String(SalesLedgerFileName)), salesLedgerFile(m_sales));
        writeWholeFile(artifactPath(QLatin1String(VatReturnFileName)), vatReturnFile(m_sales, m_purchases));
    }

    void layoutTableCoversTheRecord()
    {
        int next = 1;
        for (const Field &field : PurchaseLayout) {
            QCOMPARE(field.position, next);
            next += field.width;
        }
        QCOMPARE(next - 1, 274);
    }

    // Byte for byte the sample's records, and each field as the parser reads it.
    void purchaseRecordsAreTheSamples()
    {
        QStringList expected = SamplePurchaseRecords;
        expected[5].replace(QStringLiteral("201000004"), QStringLiteral("201000005"));
        const QByteArray written = purchaseLedgerFile(m_purchases);
        QStringList problems;
        const QList<Record> records = readRecords(written, PurchaseLayout, 274, problems);
        const QList<Record> samples = readRecords(sampleLines(expected), PurchaseLayout, 274, problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        QCOMPARE(records.size(), 7);
        for (qsizetype i = 0; i < records.size(); ++i) {
            for (const Field &field : PurchaseLayout) {
                const QString code = QLatin1String(field.code);
                QCOMPARE(QString::number(i + 1) + u' ' + code + u' ' + records[i].value(code),
                         QString::number(i + 1) + u' ' + code + u' ' + samples[i].value(code));
            }
        }
        QCOMPARE(written, sampleLines(expected));
    }

    // The protocol under чл. 117 is in the sales ledger too: type 09, its
    // base in 02-12, its tax in 02-22.
    void protocolInBothLedgers()
    {
        QStringList problems;
        const QList<Record> sales = readRecords(salesLedgerFile(m_sales), SalesLayout, 424, problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        QCOMPARE(sales.size(), 4);
        const Record &protocol = sales.last();
        QCOMPARE(protocol.value("02-03"), QStringLiteral("4"));
        QCOMPARE(protocol.value("02-04"), QStringLiteral("09"));
        QCOMPARE(protocol.value("02-05"), QStringLiteral("0000000001"));
        QCOMPARE(protocol.value("02-07"), QStringLiteral("DE123456789"));
        QCOMPARE(protocol.value("02-10"), QStringLiteral("1000.00"));
        QCOMPARE(protocol.value("02-12"), QStringLiteral("1000.00"));
        QCOMPARE(protocol.value("02-22"), QStringLiteral("200.00"));
        QCOMPARE(protocol.value("02-20"), QStringLiteral("200.00"));
    }

    // The whole return of the sample, byte for byte, and its cells the
    // ledgers' sums as the regulations count them.
    void returnIsTheSample()
    {
        const QByteArray written = vatReturnFile(m_sales, m_purchases);
        QStringList problems;
        const Record header = readRecords(written, returnLayout(), 590, problems).value(0);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        const QList<Record> purchases = readRecords(purchaseLedgerFile(m_purchases), PurchaseLayout, 274, problems);
        const auto sum = [&purchases](const char *code) {
            Amount total;
            for (const Record &record : purchases)
                total = total + amountOf(record.value(QLatin1String(code)));
            return centsText(total);
        };
        QCOMPARE(header.value("00-06"), QString::number(purchases.size()));
        QCOMPARE(header.value("01-30"), sum("03-30"));
        QCOMPARE(header.value("01-31"), sum("03-31"));
        QCOMPARE(header.value("01-41"), sum("03-41"));
        QCOMPARE(header.value("01-32"), sum("03-32"));
        QCOMPARE(header.value("01-42"), sum("03-42"));
        QCOMPARE(header.value("01-40"), QStringLiteral("338.00"));
        QCOMPARE(header.value("01-50"), QStringLiteral("262.00"));
        QCOMPARE(header.value("01-71"), QStringLiteral("262.00"));
        QCOMPARE(written, sampleLines({SampleReturn}));
    }

    // The VIES declaration of the sample month: VHR, TTR, VIR and CHR as
    // the sample gives them, its totals the ledger's cells.
    void viesIsTheSample()
    {
        QVERIFY(needsVies(m_sales));
        const ViesDeclaration declaration = viesOf(m_sales);
        QVERIFY(declaration.problems.isEmpty());
        const QByteArray written = viesFile(declaration);
        writeWholeFile(artifactPath(QLatin1String(ViesFileName)), written);
        QStringList problems;
        const QList<Record> records = readVies(written, problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        QStringList codes;
        for (const Record &record : records)
            codes << record.value("code");
        QCOMPARE(codes, QStringList({"VHR", "VDR", "VTR", "TTR", "VIR", "VIR", "CHR"}));
        const QList<QByteArray> lines = written.split('\n');
        for (const auto &[index, sample] : QList<std::pair<int, const char *>>{
                 {0, "VHR01/2026    2"},
                 {3, "TTR     1800.00     1500.00"},
                 {4, "VIR    1FR12345678901       1500.00        0.00        0.00       "},
                 {5, "VIR    2DE987654321            0.00        0.00      300.00       "},
                 {6, "CHR    0"}})
            QCOMPARE(lines.at(index), QByteArray(sample) + '\r');
        QCOMPARE(records[1].value("id"), QStringLiteral("0000000000"));
        QCOMPARE(records[1].value("name"), QStringLiteral("Иван Иванов Иванов"));
        QCOMPARE(records[1].value("capacity"), QStringLiteral("R"));
        QCOMPARE(records[2].value("vat"), QStringLiteral("BG175000001"));
        // The totals are the ledger's cells: Σk3 = 01-15, Σk3 + Σk4 + Σk5 = 01-15 + 01-17 + Σ02-25.
        const auto cell = [this](LedgerCell which) { return m_sales.sums[std::size_t(which)]; };
        QCOMPARE(amountOf(records[3].value("goods")), cell(LedgerCell::ZeroIntraCommunity));
        QCOMPARE(amountOf(records[3].value("total")), cell(LedgerCell::ZeroIntraCommunity)
                                                          + cell(LedgerCell::ServicesOtherState) + cell(LedgerCell::Triangular));
    }

    void viesNamesAClientOfNoOtherState()
    {
        LedgerDocument supply = ledgerDocument(QStringLiteral("0000000104"), QDate(2026, 1, 9), "10.00", "0.00",
                                               QStringLiteral("0"));
        supply.invoice.texts.vatBasis = QStringLiteral("чл. 138 от Директива 2006/112/ЕО");
        const ViesDeclaration declaration = viesOf(buildSalesLedger({supply}, sampleCompany(), {2026, 1}));
        QCOMPARE(declaration.problems.size(), 1);
        QVERIFY2(declaration.problems.first().contains(QStringLiteral("BG111111111")), qPrintable(declaration.problems.first()));
    }

    void summaryShowsTheResult()
    {
        const QString text = purchaseSummary(m_purchases, m_sales);
        QVERIFY2(text.contains(QStringLiteral("Данъчен кредит (01-40): 338.00; ДДС за внасяне (01-50): 262.00")),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("коефициент 0.50")));
    }

    // A purchase cancelled in its own month is not recorded; one cancelled
    // in a later month comes back there with the opposite sign, its own
    // month unchanged. So does a protocol in the sales ledger.
    void cancels()
    {
        QList<PurchaseDocument> documents = januaryPurchases();
        documents[0].cancelled = true;
        documents[0].cancelledOn = QDate(2026, 1, 30);
        documents[3].cancelled = true;
        documents[3].cancelledOn = QDate(2026, 2, 3);
        const PurchaseLedger january = buildPurchaseLedger(documents, sampleCompany(), {2026, 1}, amountOf(u"0.5"));
        QCOMPARE(january.records.size(), 6);
        QCOMPARE(january.records.first().number, QStringLiteral("0000000777"));
        QList<PurchaseDocument> standing = januaryPurchases();
        standing.removeFirst();
        QCOMPARE(purchaseLedgerFile(january),
                 purchaseLedgerFile(buildPurchaseLedger(standing, sampleCompany(), {2026, 1}, amountOf(u"0.5"))));

        const PurchaseLedger february = buildPurchaseLedger(documents, sampleCompany(), {2026, 2});
        QCOMPARE(february.records.size(), 1);
        QCOMPARE(february.records.first().type, QStringLiteral("09"));
        QCOMPARE(centsText(february.sums[std::size_t(PurchaseCell::FullVat)]), QStringLiteral("-200.00"));
        const SalesLedger sales = withProtocols(buildSalesLedger({}, sampleCompany(), {2026, 2}), documents);
        QCOMPARE(sales.records.size(), 1);
        QCOMPARE(centsText(sales.sums[std::size_t(LedgerCell::BaseAcquisitions)]), QStringLiteral("-1000.00"));
    }

    // Cash accounting (11-13), 94 and call-off stock (05) are in the ledger
    // but not in the return's sums.
    void typesLeftOutOfTheSums_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("counted");
        for (const char *type : {"01", "02", "07", "09", "91", "92", "93"})
            QTest::newRow(type) << QString::fromLatin1(type) << "20.00";
        QTest::newRow("23, a credit note under чл. 126б") << "23" << "-20.00";
        for (const char *type : {"05", "11", "12", "13", "94"})
            QTest::newRow(type) << QString::fromLatin1(type) << "0.00";
    }

    void typesLeftOutOfTheSums()
    {
        QFETCH(QString, type);
        QFETCH(QString, counted);
        PurchaseDocument document = januaryPurchases().first();
        document.type = type;
        const PurchaseLedger ledger = buildPurchaseLedger({document}, sampleCompany(), {2026, 1});
        QCOMPARE(ledger.records.size(), 1);
        QCOMPARE(centsText(ledger.sums[std::size_t(PurchaseCell::FullVat)]), counted);
        QVERIFY(checkPurchases(ledger).isEmpty());
    }

    void checks_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("message");
        QTest::newRow("no supplier number") << "no id" << "Покупка № 0000012345 от 05.01.2026 е без ИН по ЗДДС и без ЕИК на доставчика.";
        QTest::newRow("foreign number without prefix")
            << "bad id" << "Покупка № 0000012345 от 05.01.2026: ИН по ЗДДС „123456789012“ не е валиден: чуждестранният "
                           "номер се пише с кода на държавата, българският – с 9 или 10 цифри.";
        QTest::newRow("a sales type") << "type" << "Покупка № 0000012345 от 05.01.2026 е с вид на документа „81“, който "
                                                   "дневникът за покупки не приема.";
        QTest::newRow("two signs") << "signs" << "Покупка № 0000012345 от 05.01.2026 е с данъчна основа и ДДС с различен "
                                                 "знак: въведете го като два документа.";
        QTest::newRow("partial credit, no coefficient")
            << "partial" << "Има покупки с частичен данъчен кредит: въведете коефициента по чл. 73, ал. 5 (01-33).";
    }

    void checks()
    {
        QFETCH(QString, change);
        QFETCH(QString, message);
        PurchaseDocument document = januaryPurchases().first();
        if (change == QStringLiteral("no id"))
            document.supplierVatNumber.clear();
        if (change == QStringLiteral("bad id"))
            document.supplierVatNumber = QStringLiteral("123456789012");
        if (change == QStringLiteral("type"))
            document.type = QStringLiteral("81");
        if (change == QStringLiteral("signs"))
            document.vat = amountOf(u"-20");
        if (change == QStringLiteral("partial"))
            document.credit = CreditRight::Partial;
        const PurchaseLedger ledger = buildPurchaseLedger({document}, sampleCompany(), {2026, 1});
        QCOMPARE(checkPurchases(ledger), QStringList{message});
    }
};

QTEST_GUILESS_MAIN(tst_PurchaseLedger)
#include "tst_purchaseledger.moc"
