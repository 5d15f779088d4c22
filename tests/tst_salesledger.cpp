#include "ledger/AccountantExport.h"
#include "ledger/LedgerFiles.h"
#include "ledger/SalesLedger.h"
#include "support/LedgerLayout.h"
#include "support/LedgerMonth.h"

#include <QJsonArray>
#include <QStandardPaths>
#include <QtTest>

// The files are read back by a parser made from the agency's layout table
// (support/LedgerLayout.h), not from the writer's code.

using namespace LedgerLayout;

namespace {

QString artifactPath(const QString &name)
{
    const QString folder = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("artifacts/ledger"));
    QDir().mkpath(folder);
    return QDir(folder).filePath(name);
}

Amount amountOf(const QString &text) { return Amount::parseOrThrow(text); }

const QString LongName = QStringLiteral("Търговско дружество „Дълго име“ ООД, клон Варна-Запад, склад № 2");

} // namespace

class tst_SalesLedger : public QObject {
    Q_OBJECT

    SalesLedger m_ledger;
    QList<Record> m_sales;
    QList<Record> m_return;

private Q_SLOTS:
    void initTestCase()
    {
        m_ledger = buildSalesLedger(december2025(), ledgerCompany(), {2025, 12});
        // The files stay among the build's artifacts for a look by eye.
        writeWholeFile(artifactPath(QLatin1String(SalesLedgerFileName)), salesLedgerFile(m_ledger));
        writeWholeFile(artifactPath(QLatin1String(VatReturnFileName)), vatReturnFile(m_ledger));
        QFile sales(artifactPath(QLatin1String(SalesLedgerFileName)));
        QFile vatReturn(artifactPath(QLatin1String(VatReturnFileName)));
        QVERIFY(sales.open(QIODevice::ReadOnly) && vatReturn.open(QIODevice::ReadOnly));
        QStringList problems;
        m_sales = readRecords(sales.readAll(), SalesLayout, 424, problems);
        m_return = readRecords(vatReturn.readAll(), returnLayout(), 590, problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

    void layoutTablesCoverTheRecord_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<int>("width");
        QTest::newRow("PRODAGBI.TXT") << SalesLayout << 424;
        QTest::newRow("DEKLAR.TXT") << returnLayout() << 590;
    }

    void layoutTablesCoverTheRecord()
    {
        QFETCH(Layout, layout);
        QFETCH(int, width);
        int next = 1;
        for (const Field &field : layout) {
            QCOMPARE(field.position, next);
            next += field.width;
        }
        QCOMPARE(next - 1, width);
    }

    void recordsInOrderNumberedWithoutGaps()
    {
        // No proforma, no other company's document, nothing from November;
        // by date, then number.
        QStringList numbers;
        for (qsizetype i = 0; i < m_sales.size(); ++i) {
            QCOMPARE(m_sales[i].value("02-03"), QString::number(i + 1));
            numbers << m_sales[i].value("02-05");
        }
        QCOMPARE(numbers, QStringList({"0000000018", "0000000011", "0000000012", "0000000013", "0000000014",
                                       "0000000015", "0000000016", "0000000017"}));
        QCOMPARE(m_return.size(), 1);
    }

    void ledgerFields_data()
    {
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("value");
        const auto row = [](int record, const char *code, const QString &value) {
            QTest::addRow("%d %s", record, code) << record << QString::fromLatin1(code) << value;
        };
        row(1, "02-00", "BG123456789");
        row(1, "02-01", "202512");
        row(1, "02-02", "0");
        row(1, "02-04", "01");
        row(1, "02-06", "02/12/2025");
        row(1, "02-07", "BG111111111");
        row(1, "02-08", "Алфа ООД");
        row(1, "02-09", "Химикалка синя");
        row(1, "02-10", "8.33");
        row(1, "02-20", "1.67");
        row(1, "02-11", "8.33");
        row(1, "02-21", "1.67");
        row(1, "02-14", "0.00");
        row(1, "02-27", "");
        // The credit note: negative amounts.
        row(3, "02-04", "03");
        row(3, "02-10", "-10.00");
        row(3, "02-20", "-2.00");
        row(3, "02-11", "-10.00");
        row(3, "02-21", "-2.00");
        // The cancelled invoice: its number with zero amounts.
        row(4, "02-05", "0000000013");
        row(4, "02-04", "01");
        row(4, "02-10", "0.00");
        row(4, "02-11", "0.00");
        row(4, "02-21", "0.00");
        row(5, "02-04", "02");
        row(5, "02-11", "5.00");
        // In euro, reported in leva: 100.00 × 1.95583 and 20.00 × 1.95583.
        row(6, "02-10", "195.58");
        row(6, "02-11", "195.58");
        row(6, "02-21", "39.12");
        row(6, "02-20", "39.12");
        // A service to another member state: 02-17, outside the total tax base.
        row(7, "02-17", "300.00");
        row(7, "02-10", "0.00");
        row(7, "02-07", "DE123456789");
        row(7, "02-08", "M?ller GmbH");
        row(8, "02-08", LongName.left(50));
        row(8, "02-11", "1234.56");
    }

    void ledgerFields()
    {
        QFETCH(int, record);
        QFETCH(QString, code);
        QFETCH(QString, value);
        QCOMPARE(m_sales.at(record - 1).value(code), value);
    }

    void returnCellsAreTheLedgerSums()
    {
        const Record &header = m_return.first();
        QCOMPARE(header.value("00-01"), QStringLiteral("BG123456789"));
        QCOMPARE(header.value("00-02"), QStringLiteral("Билваро ЕООД"));
        QCOMPARE(header.value("00-03"), QStringLiteral("202512"));
        QCOMPARE(header.value("00-04"), QStringLiteral("Иван Петров"));
        QCOMPARE(header.value("00-05"), QStringLiteral("8"));
        QCOMPARE(header.value("00-06"), QStringLiteral("0"));
        for (const Field &field : returnLayout()) {
            const QString code = QLatin1String(field.code);
            if (field.kind != Kind::Amount || code >= QStringLiteral("01-30"))
                continue;
            const QString ledgerCode = code == QStringLiteral("01-01") ? QStringLiteral("02-10")
                                                                       : QStringLiteral("02-") + code.mid(3);
            Amount sum;
            for (const Record &record : std::as_const(m_sales))
                sum = sum + amountOf(record.value(ledgerCode));
            QCOMPARE(amountOf(header.value(code)), sum);
        }
        QCOMPARE(header.value("01-11"), QStringLiteral("1533.47"));
        QCOMPARE(header.value("01-20"), QStringLiteral("306.70"));
        QCOMPARE(header.value("01-17"), QStringLiteral("300.00"));
        QCOMPARE(header.value("01-50"), QStringLiteral("306.70"));
        QCOMPARE(header.value("01-60"), QStringLiteral("0.00"));
        QCOMPARE(header.value("01-30"), QStringLiteral("0.00"));
    }

    void summary()
    {
        const QString text = ledgerSummary(m_ledger);
        QVERIFY2(text.contains(QStringLiteral("Документи: 8 (фактури 6, дебитни известия 1, кредитни известия 1; анулирани 1)")),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Ставка 20 %: данъчна основа 1533.47, ДДС 306.70")));
        QVERIFY(text.contains(QStringLiteral("01-01: 1533.47; 01-20: 306.70")));
        QVERIFY(text.contains(QStringLiteral("Превалутирани по курс 1.95583: 1")));
        QVERIFY(text.contains(QStringLiteral("извън Windows-1251: 1 (№ 0000000016)")));
        QVERIFY(text.contains(QStringLiteral("Без място в дневника (изберете клетката): няма")));
    }

    void conversion_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<Currency>("from");
        QTest::addColumn<Currency>("to");
        QTest::addColumn<QString>("converted");
        QTest::newRow("leva to euro") << "100" << Currency::Leva << Currency::Euro << "51.13";
        QTest::newRow("leva to euro, small") << "0.01" << Currency::Leva << Currency::Euro << "0.01";
        QTest::newRow("euro to leva") << "1" << Currency::Euro << Currency::Leva << "1.96";
        QTest::newRow("exactly half a stotinka up") << "500" << Currency::Euro << Currency::Leva << "977.92";
        QTest::newRow("negative half away from zero") << "-500" << Currency::Euro << Currency::Leva << "-977.92";
        QTest::newRow("same currency, to the cent") << "12.345" << Currency::Euro << Currency::Euro << "12.35";
        QTest::newRow("same currency, below half") << "-12.3449" << Currency::Leva << Currency::Leva << "-12.34";
    }

    void conversion()
    {
        QFETCH(QString, amount);
        QFETCH(Currency, from);
        QFETCH(Currency, to);
        QFETCH(QString, converted);
        QCOMPARE(centsText(convertedToCents(amountOf(amount), from, to)), converted);
    }

    void euroPeriodConvertsLevaDocuments()
    {
        LedgerDocument leva = ledgerDocument(QStringLiteral("0000000021"), QDate(2026, 1, 5), "195.58", "39.12");
        LedgerDocument euro = ledgerDocument(QStringLiteral("0000000022"), QDate(2026, 1, 6), "10.00", "2.00");
        euro.invoice.currency = Currency::Euro;
        const SalesLedger ledger = buildSalesLedger({leva, euro}, ledgerCompany(), {2026, 1});
        QCOMPARE(ledger.period.currency(), Currency::Euro);
        QCOMPARE(TaxPeriod({2025, 12}).currency(), Currency::Leva);
        QCOMPARE(ledger.convertedCount, 1);
        // 195.58 / 1.95583 = 99.998…, 39.12 / 1.95583 = 20.0017…: per cell.
        QCOMPARE(centsText(ledger.records[0].cells[std::size_t(LedgerCell::Base20)]), QStringLiteral("100.00"));
        QCOMPARE(centsText(ledger.records[0].cells[std::size_t(LedgerCell::Vat20)]), QStringLiteral("20.00"));
        QCOMPARE(centsText(ledger.sums[std::size_t(LedgerCell::TaxBase)]), QStringLiteral("110.00"));
        QVERIFY(ledgerSummary(ledger).contains(QStringLiteral("в евро")));
    }

    void vatBasisCells_data()
    {
        QTest::addColumn<QString>("basis");
        QTest::addColumn<int>("cell");  // -1: no cell
        QTest::newRow("triangular") << "чл. 28с(Е)(3) 77/388/ЕЕС" << int(LedgerCell::Triangular);
        QTest::newRow("not registered") << "чл. 113, ал. 9" << -1;
        QTest::newRow("22(2)") << "чл. 22, ал. 2" << int(LedgerCell::ServicesOtherState);
        QTest::newRow("23(5)") << "чл. 23, ал. 5" << int(LedgerCell::ServicesOtherState);
        QTest::newRow("24(3)") << "чл. 24, ал. 3" << int(LedgerCell::ServicesOtherState);
        QTest::newRow("21(2)") << "чл. 21, ал. 2 ЗДДС" << int(LedgerCell::ServicesOtherState);
        QTest::newRow("tour operators") << "чл. 86, ал. 1" << -1;
        QTest::newRow("tour operators, regulation") << "чл. 86, ал. 1 ППЗДДС" << -1;
        QTest::newRow("exempt 44") << "чл. 44, т. 3" << int(LedgerCell::Exempt);
        QTest::newRow("exempt 50") << "чл. 50, т. 1" << int(LedgerCell::Exempt);
        QTest::newRow("export") << "чл. 28, ал. 1" << int(LedgerCell::ZeroChapter3);
        QTest::newRow("intra-Community") << "Чл. 53, ал. 1 от ЗДДС" << int(LedgerCell::ZeroIntraCommunity);
        QTest::newRow("art. 140") << "чл.140" << int(LedgerCell::ZeroArt140);
        QTest::newRow("distance sales") << "чл. 69, ал. 2" << int(LedgerCell::DistanceSales);
        QTest::newRow("placeholder") << QString(76, u'.') << -1;
        QTest::newRow("free text") << "по договор" << -1;
    }

    void vatBasisCells()
    {
        QFETCH(QString, basis);
        QFETCH(int, cell);
        const auto found = cellForVatBasis(basis);
        QCOMPARE(found ? int(*found) : -1, cell);
    }

    void rateTexts_data()
    {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("vat");
        QTest::addColumn<int>("cell");  // -1: a rate without cells
        QTest::newRow("20") << "20" << "2.00" << int(LedgerCell::Vat20);
        QTest::newRow("20%") << "20%" << "2.00" << int(LedgerCell::Vat20);
        QTest::newRow("as a fraction") << "0.20" << "2.00" << int(LedgerCell::Vat20);
        QTest::newRow("9") << "9" << "0.90" << int(LedgerCell::Vat9);
        QTest::newRow("9 as a fraction") << "0.09" << "0.90" << int(LedgerCell::Vat9);
        QTest::newRow("7") << "7" << "0.70" << -1;
        QTest::newRow("zero with VAT") << "0" << "2.00" << -1;
        QTest::newRow("no number") << "ДДС" << "2.00" << -1;
    }

    void rateTexts()
    {
        QFETCH(QString, rate);
        QFETCH(QString, vat);
        QFETCH(int, cell);
        const LedgerDocument document = ledgerDocument(QStringLiteral("0000000061"), QDate(2025, 12, 1), "10.00",
                                                       vat.toLatin1().constData(), rate);
        const SalesLedger ledger = buildSalesLedger({document}, ledgerCompany(), {2025, 12});
        QCOMPARE(ledger.unknownRate.size(), cell < 0 ? 1 : 0);
        if (cell >= 0)
            QCOMPARE(ledger.sums[std::size_t(cell)], Amount::parseOrThrow(vat));
    }

    void unplaceableDocumentWaitsForTheUser()
    {
        LedgerDocument document = ledgerDocument(QStringLiteral("0000000031"), QDate(2025, 12, 1), "40.00", "0.00",
                                                 QStringLiteral("0"));
        document.invoice.texts.vatBasis = QStringLiteral("чл. 113, ал. 9");
        SalesLedger ledger = buildSalesLedger({document}, ledgerCompany(), {2025, 12});
        QCOMPARE(ledger.unplaceable.size(), 1);
        QCOMPARE(ledger.sums, LedgerCells{});
        QVERIFY(checkLedger(ledger, QDate(2026, 1, 10)).blocking.join(u'\n').contains(QStringLiteral("0000000031")));

        ledger = buildSalesLedger({document}, ledgerCompany(), {2025, 12}, {{document.invoice.number, LedgerCell::Exempt}});
        QVERIFY(ledger.unplaceable.isEmpty());
        QCOMPARE(centsText(ledger.sums[std::size_t(LedgerCell::Exempt)]), QStringLiteral("40.00"));
        QVERIFY(checkLedger(ledger, QDate(2026, 1, 10)).blocking.isEmpty());
    }

    void checks_data()
    {
        QTest::addColumn<QList<LedgerDocument>>("documents");
        QTest::addColumn<QString>("vatNumber");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QStringList>("blocking");
        QTest::addColumn<QStringList>("warnings");
        const LedgerDocument plain = ledgerDocument(QStringLiteral("0000000041"), QDate(2025, 12, 1), "1.00", "0.20");
        LedgerDocument anonymous = plain;
        anonymous.invoice.client.vatNumber.clear();
        anonymous.invoice.client.eik = QStringLiteral("  ");
        LedgerDocument byEik = anonymous;
        byEik.invoice.client.eik = QStringLiteral("175074752");
        LedgerDocument oddRate = plain;
        oddRate.invoice.totals.rate = QStringLiteral("7");
        const QDate closed(2026, 1, 10);
        const QString open = QStringLiteral("Месец 12.2025 още не е приключил: документите, издадени до края му, също влизат в дневника.");
        QTest::newRow("all well") << QList{plain} << "BG123456789" << closed << QStringList() << QStringList();
        QTest::newRow("ЕИК instead of VAT number") << QList{byEik} << "123456789" << closed << QStringList() << QStringList();
        QTest::newRow("no client number")
            << QList{anonymous} << "123456789" << closed
            << QStringList{"Документ № 0000000041 от 01.12.2025 е без ИН по ЗДДС и без ЕИК на получателя."} << QStringList();
        QTest::newRow("no own VAT number")
            << QList{plain} << " " << closed
            << QStringList{"Фирмата „Билваро ЕООД“ няма ИН по ЗДДС: попълнете го в данните на фирмата."} << QStringList();
        QTest::newRow("rate without cells")
            << QList{oddRate} << "123456789" << closed
            << QStringList{"Документ № 0000000041 от 01.12.2025 е със ставка на ДДС „7“, за която дневникът няма клетка."}
            << QStringList();
        QTest::newRow("no documents")
            << QList<LedgerDocument>() << "123456789" << closed << QStringList()
            << QStringList{"За 12.2025 няма издадени фактури и известия: дневникът е празен, справка-декларацията се подава с нули."};
        QTest::newRow("month still open") << QList{plain} << "123456789" << QDate(2025, 12, 31) << QStringList()
                                          << QStringList{open};
        QTest::newRow("a month ahead") << QList{plain} << "123456789" << QDate(2025, 11, 30) << QStringList()
                                       << QStringList{open};
    }

    void checks()
    {
        QFETCH(QList<LedgerDocument>, documents);
        QFETCH(QString, vatNumber);
        QFETCH(QDate, today);
        QFETCH(QStringList, blocking);
        QFETCH(QStringList, warnings);
        LedgerCompany company = ledgerCompany();
        company.vatNumber = vatNumber;
        const LedgerChecks checks = checkLedger(buildSalesLedger(documents, company, {2025, 12}), today);
        QCOMPARE(checks.blocking, blocking);
        QCOMPARE(checks.warnings, warnings);
    }

    void emptyMonthWritesAReturnWithZeros()
    {
        const SalesLedger ledger = buildSalesLedger({}, ledgerCompany(), {2026, 2});
        QVERIFY(salesLedgerFile(ledger).isEmpty());
        QStringList problems;
        const QList<Record> records = readRecords(vatReturnFile(ledger), returnLayout(), 590, problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        QCOMPARE(records.first().value("00-05"), QStringLiteral("0"));
        QCOMPARE(records.first().value("01-01"), QStringLiteral("0.00"));
        QCOMPARE(records.first().value("01-50"), QStringLiteral("0.00"));
    }

    void ownVatNumber_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("written");
        QTest::newRow("digits") << "123456789" << "BG123456789";
        QTest::newRow("with BG") << "BG123456789" << "BG123456789";
        QTest::newRow("blanks, small letters") << " bg 123 456 789 " << "BG123456789";
        QTest::newRow("none") << "" << "";
    }

    void ownVatNumber()
    {
        QFETCH(QString, stored);
        QFETCH(QString, written);
        QCOMPARE(vatNumberWithPrefix(stored), written);
    }

    void textCutOnACharacterBoundary_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("listed");
        const QString letters = QString(49, u'Щ');
        QTest::newRow("sign outside the code page, last") << letters + QStringLiteral("😀ЖЖ") << letters + u'?' << true;
        QTest::newRow("sign outside the code page, cut off") << letters + QStringLiteral("Ж😀") << letters + u'Ж' << false;
        QTest::newRow("line break, tab") << QStringLiteral("Бета\r\nООД\tАД") << QStringLiteral("Бета  ООД АД") << false;
        QTest::newRow("long name") << LongName << LongName.left(50) << false;
    }

    void textCutOnACharacterBoundary()
    {
        QFETCH(QString, name);
        QFETCH(QString, field);
        QFETCH(bool, listed);
        LedgerDocument document = ledgerDocument(QStringLiteral("0000000051"), QDate(2025, 12, 1), "1.00", "0.20");
        document.invoice.client.name = name;
        const SalesLedger ledger = buildSalesLedger({document}, ledgerCompany(), {2025, 12});
        QStringList problems;
        const QList<Record> records = readRecords(salesLedgerFile(ledger), SalesLayout, 424, problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        QCOMPARE(records.first().value("02-08"), field);
        QCOMPARE(ledger.replacedNumbers.contains(QStringLiteral("0000000051")), listed);
    }

    // Texts that a spreadsheet would run as formulas read back as texts with
    // a leading apostrophe; a credit note's negative amounts stay numbers.
    void csvKeepsFormulasText_data()
    {
        QTest::addColumn<QString>("client");
        QTest::addColumn<QString>("read");
        QTest::newRow("equals") << "=1+1" << "'=1+1";
        QTest::newRow("hyperlink") << "=HYPERLINK(\"http://x\";\"a\")" << "'=HYPERLINK(\"http://x\";\"a\")";
        QTest::newRow("plus") << "+359 88 123 4567" << "'+359 88 123 4567";
        QTest::newRow("at") << "@SUM(A1)" << "'@SUM(A1)";
        QTest::newRow("minus") << "-2+3" << "'-2+3";
        QTest::newRow("tab") << "\t=1" << "'=1";
        QTest::newRow("carriage return") << "\rX" << "'X";
        QTest::newRow("a plain name") << "Алфа ООД" << "Алфа ООД";
        QTest::newRow("a sign inside") << "Алфа = Бета" << "Алфа = Бета";
    }
    void csvKeepsFormulasText()
    {
        QFETCH(QString, client);
        QFETCH(QString, read);
        if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
            QSKIP("python3 is not installed here");
        LedgerDocument credit = ledgerDocument(QStringLiteral("0000000012"), QDate(2025, 12, 5), "10.00", "2.00");
        credit.invoice.note.kind = NoteKind::Credit;
        credit.invoice.client.name = client;
        credit.invoice.lines[0].description = client;
        const QString path = artifactPath(QStringLiteral("formulas.csv"));
        writeWholeFile(path, accountantCsv({credit}, true));
        const QJsonArray rows = csvRowsWithPython({path}).at(0).toArray();
        const auto cells = [&rows](int row) {
            QStringList cells;
            for (const auto &cell : rows.at(row).toArray())
                cells << cell.toString();
            return cells;
        };
        QCOMPARE(cells(1).at(4), read);
        QCOMPARE(cells(1).mid(8, 4), QStringList({"-10,00", "20", "-2,00", "-12,00"}));
        QCOMPARE(cells(2).at(16), read);
        QCOMPARE(cells(2).at(20), QStringLiteral("-10,00"));
    }

    void quotedNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("plain") << "Билваро ЕООД" << "„Билваро ЕООД“";
        QTest::newRow("ends in its own quote") << "ЕТ „Иван Петров – 91“" << "„ЕТ „Иван Петров – 91“";
        QTest::newRow("quote inside") << "„Алфа“ ООД" << "„„Алфа“ ООД“";
        QTest::newRow("blanks around") << "  ЕТ „Бета“ " << "„ЕТ „Бета“";
    }
    void quotedNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, quoted);
        QCOMPARE(quotedName(name), quoted);
        LedgerCompany company = ledgerCompany();
        company.name = name;
        const QString summary = ledgerSummary(buildSalesLedger({}, company, {2025, 12}));
        QVERIFY2(summary.startsWith(QStringLiteral("Дневник за продажби на ") + quoted + QStringLiteral(" (BG")),
                 qPrintable(summary));
    }

    void csvReadsBackWithPython()
    {
        const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
        if (python.isEmpty())
            QSKIP("python3 is not installed here");
        QList<LedgerDocument> documents = december2025();
        documents[0].invoice.client.name = QStringLiteral("„Гама; Делта“ \"АД\"");
        QStringList paths;
        for (bool withLines : {false, true}) {
            const QByteArray csv = accountantCsv(documents, withLines);
            QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
            paths << artifactPath(withLines ? QStringLiteral("register-lines.csv") : QStringLiteral("register.csv"));
            writeWholeFile(paths.last(), csv);
        }
        const QJsonArray files = csvRowsWithPython(paths);
        QCOMPARE(files.size(), 2);
        for (int withLines = 0; withLines < 2; ++withLines) {
            const QJsonArray rows = files.at(withLines).toArray();
            QCOMPARE(rows.size(), 1 + documents.size() * (withLines ? 2 : 1));
            const auto row = [&rows](int i) {
                QStringList cells;
                for (const auto &cell : rows.at(i).toArray())
                    cells << cell.toString();
                return cells;
            };
            QCOMPARE(row(0).mid(0, 4), QStringList({"Документ", "Номер", "Дата", "Анулиран"}));
            QCOMPARE(row(0).size(), withLines ? 21 : 15);
            QCOMPARE(row(0).mid(13, 2), QStringList({"Фирма", "ЕИК на фирмата"}));
            const QStringList first = row(1);
            QCOMPARE(first.mid(0, 5), QStringList({"Фактура", "0000000011", "03.12.2025", "не", "„Гама; Делта“ \"АД\""}));
            QCOMPARE(first.mid(7, 5), QStringList({"лв", "100,00", "20", "20,00", "120,00"}));
            const int step = withLines ? 2 : 1;
            QCOMPARE(row(1 + 9 * step).mid(13, 2), QStringList({"Билваро ЕООД", "987654321"}));
            QCOMPARE(row(1 + step).mid(0, 2), QStringList({"Проформа фактура", "0000000003"}));
            const QStringList credit = row(1 + 3 * step);
            QCOMPARE(credit.mid(0, 4), QStringList({"Кредитно известие", "0000000012", "05.12.2025", "не"}));
            QCOMPARE(credit.mid(8, 4), QStringList({"-10,00", "20", "-2,00", "-12,00"}));
            QCOMPARE(row(1 + 2 * step).at(3), QStringLiteral("да"));
            QCOMPARE(row(1 + 6 * step).at(4), QStringLiteral("Müller GmbH"));
            if (withLines)
                QCOMPARE(row(2).mid(13), QStringList({"Билваро ЕООД", "123456789", "1", "Химикалка синя", "бр.", "2",
                                                      "50", "100,00"}));
        }
    }
};

QTEST_GUILESS_MAIN(tst_SalesLedger)
#include "tst_salesledger.moc"
