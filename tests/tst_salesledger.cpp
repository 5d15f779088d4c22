#include "ledger/AccountantExport.h"
#include "ledger/Identifiers.h"
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
        // A service under чл. 24 abroad: 02-18 (чл. 69, ал. 2), outside the total tax base.
        row(7, "02-18", "300.00");
        row(7, "02-17", "0.00");
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
        QCOMPARE(header.value("00-04"), QStringLiteral("7501010010/Иван Петров"));
        QCOMPARE(header.value("00-05"), QStringLiteral("8"));
        QCOMPARE(header.value("00-06"), QStringLiteral("0"));
        for (const Field &field : returnLayout()) {
            const QString code = QLatin1String(field.code);
            if (field.kind != Kind::Amount || code >= QStringLiteral("01-30"))
                continue;
            // The regulations' rule: the ledger's cell with the same last two
            // digits, but 01-01 = Σ02-10, 01-12 = Σ02-12 + Σ02-26, 01-18 = Σ02-18 + Σ02-25.
            QStringList ledgerCodes = {code == QStringLiteral("01-01") ? QStringLiteral("02-10")
                                                                       : QStringLiteral("02-") + code.mid(3)};
            if (code == QStringLiteral("01-12"))
                ledgerCodes << QStringLiteral("02-26");
            if (code == QStringLiteral("01-18"))
                ledgerCodes << QStringLiteral("02-25");
            Amount sum;
            for (const Record &record : std::as_const(m_sales))
                for (const QString &ledgerCode : std::as_const(ledgerCodes))
                    sum = sum + amountOf(record.value(ledgerCode));
            QCOMPARE(amountOf(header.value(code)), sum);
        }
        QCOMPARE(header.value("01-11"), QStringLiteral("1533.47"));
        QCOMPARE(header.value("01-20"), QStringLiteral("306.70"));
        QCOMPARE(header.value("01-18"), QStringLiteral("300.00"));
        QCOMPARE(header.value("01-17"), QStringLiteral("0.00"));
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

    // One row per family of articles, each in the wording an invoice cites
    // it with, the law's and the Directive's side by side; the expected cell
    // is the one whose text in the return names that supply.
    void vatBasisFamilies_data()
    {
        QTest::addColumn<QString>("basis");
        QTest::addColumn<QString>("clientCountry");
        QTest::addColumn<QString>("cell");  // empty: no cell, the user chooses
        const auto row = [](const char *name, const char *basis, const char *country, const char *cell) {
            QTest::newRow(name) << QString::fromUtf8(basis) << QString::fromLatin1(country) << QString::fromLatin1(cell);
        };
        // 02-17 "услуги по чл. 21, ал. 2 с място на изпълнение на територията на друга държава членка"
        row("ЗДДС чл. 21(2), получател в друга държава членка", "чл. 21, ал. 2 от ЗДДС", "DE", "02-17");
        row("Директива чл. 44 и 196 (обратно начисляване)", "чл. 44 и чл. 196 от Директива 2006/112/ЕО", "FR", "02-17");
        row("Директива чл. 44, без номер на получателя", "чл. 44 от Директива 2006/112/ЕО", "", "02-17");
        row("ЗДДС и Директива заедно", "чл. 21, ал. 2 от ЗДДС и чл. 44 от Директива 2006/112/ЕО", "IT", "02-17");
        // 02-18 "доставки по чл. 69, ал. 2": the place of supply outside the country, not in another member state
        row("ЗДДС чл. 21(2), получател извън ЕС", "чл. 21, ал. 2 ЗДДС", "CH", "02-18");
        row("ЗДДС чл. 21(2), български получател", "чл. 21, ал. 2 ЗДДС", "BG", "02-18");
        row("ЗДДС чл. 22-24, особени услуги", "чл. 24, ал. 2", "DE", "02-18");
        row("Директива чл. 47-59, особени места на изпълнение", "чл. 59, буква в) от Директива 2006/112/ЕО", "US", "02-18");
        row("ЗДДС чл. 69(2)", "чл. 69, ал. 2 ЗДДС", "", "02-18");
        row("ЗДДС чл. 20, дистанционни продажби", "чл. 20, ал. 1 от ЗДДС", "", "02-18");
        row("Директива чл. 33, дистанционни продажби", "чл. 33 от Директива 2006/112/ЕО", "", "02-18");
        // 02-14 "0 % по глава трета от ЗДДС"
        row("ЗДДС чл. 28, износ", "чл. 28, т. 1 от ЗДДС", "US", "02-14");
        row("Директива чл. 146, износ", "чл. 146, параграф 1, буква а) от Директива 2006/112/ЕО", "US", "02-14");
        row("Директива чл. 146 преди ЗДДС чл. 28", "чл. 146 от Директива 2006/112/ЕО и чл. 28 от ЗДДС", "US", "02-14");
        row("Директива чл. 148, международен транспорт", "чл. 148 от Директива 2006/112/ЕО", "", "02-14");
        // 02-15 "вътреобщностни доставки"
        row("ЗДДС чл. 53", "Чл. 53, ал. 1 от ЗДДС", "AT", "02-15");
        row("Директива чл. 138", "чл. 138 от Директива 2006/112/ЕО", "AT", "02-15");
        // 02-16 "доставки по чл. 140, 146, ал. 1 и чл. 173"
        row("ЗДДС чл. 140", "чл.140", "", "02-16");
        row("ЗДДС чл. 146(1)", "чл. 146, ал. 1 ЗДДС", "", "02-16");
        row("ЗДДС чл. 146(2) не е в 02-16", "чл. 146, ал. 2 ЗДДС", "", "");
        row("ЗДДС чл. 173", "чл. 173, ал. 1 ЗДДС", "", "02-16");
        // 02-19 "освободени доставки"
        row("ЗДДС глава четвърта", "чл. 45, ал. 1 от ЗДДС", "", "02-19");
        row("Директива чл. 135", "чл. 135, параграф 1, буква б) от Директива 2006/112/ЕО", "", "02-19");
        // 02-25 "посредник в тристранна операция"
        row("Директива чл. 141", "чл. 141 от Директива 2006/112/ЕО", "DE", "02-25");
        row("Директива чл. 197", "чл. 197 от Директива 2006/112/ЕО", "DE", "02-25");
        row("стара Директива 77/388, чл. 28с(Е)(3)", "чл. 28с(Е)(3) 77/388/ЕЕС", "DE", "02-25");
        row("в думи", "тристранна операция", "DE", "02-25");
        // No cell: the user chooses.
        row("стара Директива 77/388, друг член", "чл. 28c(A)(a) от Директива 77/388/ЕИО", "DE", "");
        row("ЗДДС чл. 163а: клетката избира потребителят", "чл. 163а, ал. 2 от ЗДДС", "", "");
        row("ЗДДС чл. 113(9)", "чл. 113, ал. 9", "", "");
        row("ППЗДДС", "чл. 86, ал. 1 ППЗДДС", "", "");
        row("ЗДДС чл. 86", "чл. 86, ал. 1", "", "");
        row("многоточие", "...........", "", "");
        row("свободен текст", "по договор", "", "");
    }

    void vatBasisFamilies()
    {
        QFETCH(QString, basis);
        QFETCH(QString, clientCountry);
        QFETCH(QString, cell);
        const auto found = cellForVatBasis(basis, clientCountry);
        QCOMPARE(found ? cellCode(*found) : QString(), cell);
    }

    // 02-27 carries "01" for goods of Annex 2, part I, and "02" for part II.
    void art163aCodes_data()
    {
        QTest::addColumn<QString>("basis");
        QTest::addColumn<QString>("code");  // "-": no such supply
        QTest::newRow("ал. 2, т. 1") << "чл. 163а, ал. 2, т. 1 от ЗДДС" << "01";
        QTest::newRow("ал. 2, т. 2") << "чл. 163а, ал. 2, т. 2 от ЗДДС" << "02";
        QTest::newRow("част II") << "чл. 163а от ЗДДС, приложение № 2, част II" << "02";
        QTest::newRow("част І in Cyrillic") << "чл. 163а ЗДДС, приложение № 2, част І" << "01";
        QTest::newRow("part not named") << "чл. 163а от ЗДДС" << "";
        QTest::newRow("чл. 163 is another article") << "чл. 163, ал. 1" << "-";
        QTest::newRow("another basis") << "чл. 21, ал. 2 от ЗДДС" << "-";
    }

    void art163aCodes()
    {
        QFETCH(QString, basis);
        QFETCH(QString, code);
        QCOMPARE(art163aCode(basis).value_or(QStringLiteral("-")), code);
    }

    void art163aSupplyFillsItsCode()
    {
        LedgerDocument document = ledgerDocument(QStringLiteral("0000000071"), QDate(2025, 12, 1), "500.00", "0.00",
                                                 QStringLiteral("0"));
        document.invoice.texts.vatBasis = QStringLiteral("чл. 163а, ал. 2, т. 2 от ЗДДС");
        SalesLedger ledger = buildSalesLedger({document}, ledgerCompany(), {2025, 12});
        QCOMPARE(ledger.unplaceable.size(), 1);  // its base cell is the user's
        ledger = buildSalesLedger({document}, ledgerCompany(), {2025, 12},
                                  {{document.invoice.number, LedgerCell::DistanceSales}});
        QVERIFY(checkLedger(ledger, QDate(2026, 1, 10)).blocking.isEmpty());
        QStringList problems;
        const QList<Record> records = readRecords(salesLedgerFile(ledger), SalesLayout, 424, problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        QCOMPARE(records.first().value("02-27"), QStringLiteral("02"));
        QCOMPARE(records.first().value("02-18"), QStringLiteral("500.00"));

        document.invoice.texts.vatBasis = QStringLiteral("чл. 163а ЗДДС");
        ledger = buildSalesLedger({document}, ledgerCompany(), {2025, 12},
                                  {{document.invoice.number, LedgerCell::DistanceSales}});
        QCOMPARE(checkLedger(ledger, QDate(2026, 1, 10)).blocking,
                 QStringList{"Документ № 0000000071 от 01.12.2025 е доставка по чл. 163а, а основанието не казва дали "
                             "стоките са по част I или по част II на приложение № 2 (код в клетка 02-27)."});
    }

    void clientIdentifiers_data()
    {
        QTest::addColumn<QString>("vatNumber");
        QTest::addColumn<QString>("idNumber");
        QTest::addColumn<QString>("written");  // empty: none
        QTest::addColumn<bool>("refused");
        QTest::newRow("Bulgarian, 9 digits") << "123456789" << "" << "BG123456789" << false;
        QTest::newRow("Bulgarian, 10 digits") << "1234567890" << "" << "BG1234567890" << false;
        QTest::newRow("Bulgarian with BG") << "bg 175074752" << "" << "BG175074752" << false;
        QTest::newRow("foreign with its prefix") << "de 123-456-789" << "" << "DE123456789" << false;
        QTest::newRow("Swiss") << "CHE-123.456.789" << "" << "CHE123456789" << false;
        QTest::newRow("foreign without prefix") << "123456789012" << "" << "" << true;
        QTest::newRow("BG and too few digits") << "BG12345" << "" << "" << true;
        QTest::newRow("letters only") << "ООД" << "" << "" << true;
        QTest::newRow("fifteen nines") << "999999999999999" << "" << "999999999999999" << false;
        QTest::newRow("ЕИК") << "" << "175074752" << "175074752" << false;
        QTest::newRow("ЕИК of a branch") << "" << "2010000050014" << "2010000050014" << false;
        QTest::newRow("ЕИК with a wrong check digit") << "" << "175074753" << "" << true;
        QTest::newRow("ЕГН") << "" << "7501010010" << "7501010010" << false;
        QTest::newRow("ЕГН of 2004") << "" << "0451010010" << "0451010010" << false;
        QTest::newRow("ЛНЧ") << "" << "1000000001" << "1000000001" << false;
        QTest::newRow("ten digits, neither") << "" << "1234567890" << "" << true;
        QTest::newRow("nothing") << "" << " " << "" << false;
    }

    void clientIdentifiers()
    {
        QFETCH(QString, vatNumber);
        QFETCH(QString, idNumber);
        QFETCH(QString, written);
        QFETCH(bool, refused);
        LedgerDocument document = ledgerDocument(QStringLiteral("0000000081"), QDate(2025, 12, 1), "1.00", "0.20");
        document.invoice.client.vatNumber = vatNumber;
        document.invoice.client.eik = idNumber;
        const SalesLedger ledger = buildSalesLedger({document}, ledgerCompany(), {2025, 12});
        QCOMPARE(ledger.records.first().clientId, written);
        const QStringList blocking = checkLedger(ledger, QDate(2026, 1, 10)).blocking;
        QCOMPARE(blocking.size(), written.isEmpty() ? 1 : 0);
        if (refused)
            QVERIFY2(blocking.first().contains(vatNumber.isEmpty() ? idNumber : vatNumber), qPrintable(blocking.first()));
        else if (written.isEmpty())
            QVERIFY2(blocking.first().contains(QStringLiteral("„Идент №“")), qPrintable(blocking.first()));
    }

    // A December invoice and credit note cancelled in January: December's
    // files stay byte for byte what they were; January takes them back with
    // the opposite sign, in euro.
    void laterCancelComesBackInItsMonth()
    {
        const LedgerDocument invoice = ledgerDocument(QStringLiteral("0000000091"), QDate(2025, 12, 20), "195.58", "39.12");
        LedgerDocument credit = ledgerDocument(QStringLiteral("0000000092"), QDate(2025, 12, 22), "19.56", "3.91");
        credit.invoice.note.kind = NoteKind::Credit;
        LedgerDocument january = ledgerDocument(QStringLiteral("0000000093"), QDate(2026, 1, 3), "10.00", "2.00");
        january.invoice.currency = Currency::Euro;
        const QList<LedgerDocument> standing = {invoice, credit, january};
        QList<LedgerDocument> cancelled = standing;
        for (int i : {0, 1}) {
            cancelled[i].cancelled = true;
            cancelled[i].cancelledOn = QDate(2026, 1, 5);
        }
        const SalesLedger filed = buildSalesLedger(standing, ledgerCompany(), {2025, 12});
        const SalesLedger again = buildSalesLedger(cancelled, ledgerCompany(), {2025, 12});
        QCOMPARE(salesLedgerFile(again), salesLedgerFile(filed));
        QCOMPARE(vatReturnFile(again), vatReturnFile(filed));

        const SalesLedger next = buildSalesLedger(cancelled, ledgerCompany(), {2026, 1});
        QStringList problems;
        const QList<Record> records = readRecords(salesLedgerFile(next), SalesLayout, 424, problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        QCOMPARE(records.size(), 3);
        const QList<QStringList> expected = {
            {"1", "01", "0000000091", "20/12/2025", "-100.00", "-20.00", "-100.00", "-20.00"},
            {"2", "03", "0000000092", "22/12/2025", "10.00", "2.00", "10.00", "2.00"},
            {"3", "01", "0000000093", "03/01/2026", "10.00", "2.00", "10.00", "2.00"},
        };
        const QStringList codes = {"02-03", "02-04", "02-05", "02-06", "02-10", "02-20", "02-11", "02-21"};
        for (qsizetype i = 0; i < records.size(); ++i) {
            QCOMPARE(records[i].value("02-01"), QStringLiteral("202601"));
            for (qsizetype field = 0; field < codes.size(); ++field)
                QCOMPARE(codes[field] + u' ' + records[i].value(codes[field]), codes[field] + u' ' + expected[i][field]);
        }
        QCOMPARE(centsText(next.sums[std::size_t(LedgerCell::Vat)]), QStringLiteral("-16.00"));
        QVERIFY(ledgerSummary(next).contains(QStringLiteral("с обратен знак: 2")));
        // A month after the cancel holds none of it.
        QCOMPARE(buildSalesLedger(cancelled, ledgerCompany(), {2026, 2}).records.size(), 0);
    }

    void cancelInItsOwnMonthZeroesIt_data()
    {
        QTest::addColumn<QDate>("cancelledOn");
        QTest::newRow("the same month") << QDate(2025, 12, 31);
        QTest::newRow("no date kept") << QDate();
    }

    void cancelInItsOwnMonthZeroesIt()
    {
        QFETCH(QDate, cancelledOn);
        LedgerDocument document = ledgerDocument(QStringLiteral("0000000095"), QDate(2025, 12, 20), "10.00", "2.00");
        document.cancelled = true;
        document.cancelledOn = cancelledOn;
        const SalesLedger ledger = buildSalesLedger({document}, ledgerCompany(), {2025, 12});
        QCOMPARE(ledger.records.size(), 1);
        QVERIFY(ledger.records.first().cancelled);
        QCOMPARE(ledger.sums, LedgerCells{});
        QCOMPARE(buildSalesLedger({document}, ledgerCompany(), {2026, 1}).records.size(), 0);
    }

    // The ledger never turns a sign: a negative invoice or debit note is
    // refused, a credit note is negative however it was typed.
    void signs_data()
    {
        QTest::addColumn<int>("note");
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("refused");
        QTest::newRow("invoice") << int(NoteKind::None) << "10.00" << "10.00" << false;
        QTest::newRow("negative invoice") << int(NoteKind::None) << "-10.00" << "-10.00" << true;
        QTest::newRow("negative debit note") << int(NoteKind::Debit) << "-10.00" << "-10.00" << true;
        QTest::newRow("credit note") << int(NoteKind::Credit) << "10.00" << "-10.00" << false;
        QTest::newRow("credit note typed negative") << int(NoteKind::Credit) << "-10.00" << "-10.00" << false;
    }

    void signs()
    {
        QFETCH(int, note);
        QFETCH(QString, base);
        QFETCH(QString, written);
        QFETCH(bool, refused);
        const QByteArray vat = base.startsWith(u'-') ? "-2.00" : "2.00";
        LedgerDocument document = ledgerDocument(QStringLiteral("0000000097"), QDate(2025, 12, 1), base.toLatin1().constData(),
                                                 vat.constData());
        document.invoice.note.kind = NoteKind(note);
        const SalesLedger ledger = buildSalesLedger({document}, ledgerCompany(), {2025, 12});
        QCOMPARE(centsText(ledger.sums[std::size_t(LedgerCell::Base20)]), written);
        const QStringList blocking = checkLedger(ledger, QDate(2026, 1, 10)).blocking;
        QCOMPARE(blocking,
                 refused ? QStringList{"Документ № 0000000097 от 01.12.2025 е фактура или дебитно известие с отрицателна "
                                       "сума: намаление се оформя с кредитно известие."}
                         : QStringList());
    }

    void triangularCountsInto0118()
    {
        LedgerDocument triangular = ledgerDocument(QStringLiteral("0000000098"), QDate(2025, 12, 1), "70.00", "0.00",
                                                   QStringLiteral("0"));
        triangular.invoice.texts.vatBasis = QStringLiteral("чл. 141 от Директива 2006/112/ЕО");
        LedgerDocument abroad = triangular;
        abroad.invoice.number = QStringLiteral("0000000099");
        abroad.invoice.texts.vatBasis = QStringLiteral("чл. 69, ал. 2 ЗДДС");
        const SalesLedger ledger = buildSalesLedger({triangular, abroad}, ledgerCompany(), {2025, 12});
        QStringList problems;
        const QList<Record> header = readRecords(vatReturnFile(ledger), returnLayout(), 590, problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        QCOMPARE(header.first().value("01-18"), QStringLiteral("140.00"));
        QCOMPARE(header.first().value("01-01"), QStringLiteral("0.00"));
    }

    void filer_data()
    {
        QTest::addColumn<QString>("person");
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("ЕГН") << "Иван Петров" << "7501010010" << true;
        QTest::newRow("ЛНЧ") << "John Smith" << "1000000001" << true;
        QTest::newRow("no ЕГН") << "Иван Петров" << "" << false;
        QTest::newRow("wrong check digit") << "Иван Петров" << "7501010011" << false;
        QTest::newRow("no name") << " " << "7501010010" << false;
    }

    void filer()
    {
        QFETCH(QString, person);
        QFETCH(QString, id);
        QFETCH(bool, accepted);
        LedgerCompany company = ledgerCompany();
        company.person = person;
        company.filerId = id;
        QCOMPARE(filerProblem(company).isEmpty(), accepted);
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
            << QStringList{"Документ № 0000000041 от 01.12.2025 е без ИН по ЗДДС и без „Идент №“ на получателя: "
                           "попълнете ЕИК, а за физическо лице ЕГН или ЛНЧ."}
            << QStringList();
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
