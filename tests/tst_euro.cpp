// Invoices in euro: the currency selector, its settings line, the page's
// totals and words, over a real start folder and real fonts.

#include "app/Menu.h"
#include "document/Document.h"
#include "lines/SettingsFile.h"
#include "lines/Unit1.h"
#include "support/WindowTest.h"
#include "tools/TableMaker.h"

#include <QtTest>

namespace {

const QString MostEuroWords = QStringLiteral(
    "деветстотин деветдесет и девет милиона деветстотин деветдесет и девет хиляди деветстотин "
    "деветдесет и девет евро и деветдесет и девет цента");

QStringList withSixth(const QString &sixth) { return SettingsFile::defaults() << sixth; }

void addLine(const QString &quantity, const QString &price)
{
    Form1->Stock->setPlainText(QStringLiteral("Услуга"));
    Form1->Edit3->setText(quantity);
    Form1->Edit1->setText(price);
    QVERIFY(Form1->AddLine());
}

const QString CurrencyWithLinesMessage = QStringLiteral(
    "Валутата не е сменена: цените на редовете в таблицата са в „EUR“. Изчистете таблицата "
    "(„Изчисти всичко“) и изберете валутата, преди да добавите редовете.");
const QString LevaAfterEuroMessage = QStringLiteral(
    "Програмата започва с валута „лв“, запомнена от последната работа. От 1 януари 2026 г. "
    "фактурите се издават в евро: изберете „EUR“ в „Валута“, освен ако документът е за период преди 2026 г.");

QStringList pageTotals() { return {Doc->Label5->text(), Doc->Label7->text(), Doc->Label3->text()}; }

} // namespace

class tst_Euro : public WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void sixthSettingsLine_data()
    {
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<QStringList>("file");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("sign");
        QTest::addColumn<QStringList>("saved");
        QTest::addColumn<bool>("warned");  // a remembered "лв" in the euro's years
        const QStringList five = SettingsFile::defaults();
        // A new start folder issues in the currency of the day.
        const bool euroYears = QDate::currentDate().year() >= 2026;
        const QString newFolder = euroYears ? QStringLiteral("EUR") : QStringLiteral("лв");
        QTest::newRow("no file") << false << QStringList() << newFolder
                                 << (euroYears ? QStringLiteral("€") : QStringLiteral("лв")) << withSixth(newFolder)
                                 << false;
        QTest::newRow("five lines") << true << five << "лв" << "лв" << five << false;
        QTest::newRow("euro") << true << withSixth("EUR") << "EUR" << "€" << withSixth("EUR") << false;
        QTest::newRow("leva") << true << withSixth("лв") << "лв" << "лв" << withSixth("лв") << true;
        QTest::newRow("unknown text: leva, the text kept")
            << true << withSixth("бележка на ред 6") << "лв" << "лв" << withSixth("бележка на ред 6") << false;
    }
    void sixthSettingsLine()
    {
        QFETCH(bool, fileExists);
        QFETCH(QStringList, file);
        QFETCH(QString, shown);
        QFETCH(QString, sign);
        QFETCH(QStringList, saved);
        QFETCH(bool, warned);
        if (fileExists)
            SettingsFile::save(app().path("mem.txt"), file);
        prompter().expectInput(QString(), "ДДС", "20%");
        if (warned && QDate::currentDate().year() >= 2026)
            prompter().expectMessage(LevaAfterEuroMessage, Prompter::Icon::Warning);
        app().open();
        QCOMPARE(Form1->ComboBox6->currentText(), shown);
        // The page shows the remembered currency before anything is assembled.
        QCOMPARE(pageTotals(), QStringList(3, QStringLiteral("0 ") + sign));
        Form1->SaveSettings();
        QCOMPARE(SettingsFile::load(app().path("mem.txt")), saved);
    }

    void choosingWritesThePageAtOnce()
    {
        app().start(prompter());
        Form1->ComboBox6->setCurrentIndex(Form1->ComboBox6->findText("EUR"));
        QCOMPARE(Doc->currency(), Currency::Euro);
        QCOMPARE(pageTotals(), QStringList(3, "0 €"));
        QCOMPARE(Form1->MemList, withSixth("EUR"));
        Form1->ComboBox6->setCurrentIndex(Form1->ComboBox6->findText("лв"));
        QCOMPARE(pageTotals(), QStringList(3, "0 лв"));
        QCOMPARE(Form1->MemList, withSixth("лв"));
    }

    void euroInvoice()
    {
        const QString data = app().path("DB");
        QVERIFY(QDir().mkpath(data));
        for (const QString &file : {QStringLiteral("Firm.db"), QStringLiteral("Details.db")})
            QVERIFY(TableMaker::makeTable(data, TableMaker::referenceTable(file), TableMaker::demoRecords(file)));
        SettingsFile::save(app().path("mem.txt"), withSixth("EUR"));
        app().start(prompter());
        addLine("2", "50");
        Main->SpeedButton4Click();
        QCOMPARE(pageTotals(), QStringList({"100.00 €", "20.00 €", "120.00 €"}));
        QCOMPARE(Doc->Label18->text(), QStringLiteral("сто и двадесет евро"));
        Doc->NewExecute();
        Doc->NewExecute();
        QCOMPARE(pageTotals(), QStringList({"100.00 €", "20.00 €", "120.00 €"}));

        // Back to leva with the lines in euro: refused, nothing changes.
        prompter().expectMessage(CurrencyWithLinesMessage, Prompter::Icon::Warning);
        Form1->ComboBox6->setCurrentIndex(Form1->ComboBox6->findText("лв"));
        QCOMPARE(Form1->ComboBox6->currentText(), QStringLiteral("EUR"));
        QCOMPARE(Form1->MemList, withSixth("EUR"));
        QCOMPARE(pageTotals(), QStringList({"100.00 €", "20.00 €", "120.00 €"}));
        QCOMPARE(Doc->Label18->text(), QStringLiteral("сто и двадесет евро"));

        // With the table cleared, the other currency is chosen as before.
        Form1->Clear1Click();
        Form1->ComboBox6->setCurrentIndex(Form1->ComboBox6->findText("лв"));
        QCOMPARE(pageTotals(), QStringList({"100.00 лв", "20.00 лв", "120.00 лв"}));
        QCOMPARE(Doc->Label18->text(), QStringLiteral("сто двадесет лева"));
    }

    // Without the words data, "EUR" chosen on an assembled page is reported
    // in the error box, and the program and the page carry on.
    void euroWithoutWordsDataIsReported()
    {
        const QString data = app().path("DB");
        QVERIFY(QDir().mkpath(data));
        for (const QString &file : {QStringLiteral("Firm.db"), QStringLiteral("Details.db")})
            QVERIFY(TableMaker::makeTable(data, TableMaker::referenceTable(file), TableMaker::demoRecords(file)));
        app().start(prompter());
        Form1->ComboBox6->setCurrentIndex(Form1->ComboBox6->findText("лв"));
        addLine("2", "50");
        Main->SpeedButton4Click();
        Form1->Clear1Click();  // the currency changes only over an empty table
        QTemporaryDir empty;
        qputenv("BILVARO_NUMBERTEXT_DIR", empty.path().toUtf8());
        prompter().expectAnyError();
        Form1->ComboBox6->setCurrentIndex(Form1->ComboBox6->findText("EUR"));
        qunsetenv("BILVARO_NUMBERTEXT_DIR");
        QVERIFY2(prompter().transcript.join(u'\n').contains(u"libnumbertext-data"),
                 qPrintable(prompter().transcript.join(u'\n')));
        QVERIFY(Doc->isVisible());
        QCOMPARE(pageTotals(), QStringList({"100.00 €", "20.00 €", "120.00 €"}));
        QCOMPARE(Doc->StringGrid2->rowCount(), 2);
    }

    void longWordsBreakUntilEveryLineFits()
    {
        app().start(prompter());
        const int below = Doc->Label19->y();
        Form1->ComboBox6->setCurrentIndex(Form1->ComboBox6->findText("EUR"));
        Doc->showTotals({{}, "20", {}, Amount::parseOrThrow(u"999999999.99")}, true);
        Doc->WriteAmountInWords();

        const QStringList lines = Doc->Label18->text().split(u'\n');
        QVERIFY2(lines.size() >= 3, qPrintable(Doc->Label18->text()));
        QCOMPARE(lines.join(QString()), MostEuroWords);
        for (const QString &line : lines)
            QVERIFY2(Doc->Label18->fontMetrics().horizontalAdvance(line) <= 308, qPrintable(line));
        QCOMPARE(Doc->Label19->y(), below + 12 * (lines.size() - 1));

        // Leva spell no nine digits: the short line takes the place of the long one.
        Form1->ComboBox6->setCurrentIndex(Form1->ComboBox6->findText("лв"));
        QCOMPARE(Doc->Label18->text(), QStringLiteral(" лева и 99 ст."));
        QCOMPARE(Doc->Label19->y(), below);
    }

    void typedWordsStayWhenTheCurrencyChanges()
    {
        app().start(prompter());
        Doc->showTotals({{}, "20", {}, Amount::parseOrThrow(u"2")}, true);
        Doc->NewExecute();
        Doc->WriteAmountInWords();
        Doc->Label18->setText("две лева, написани от ръка");
        Form1->ComboBox6->setCurrentIndex(Form1->ComboBox6->findText("EUR"));
        QCOMPARE(Doc->Label18->text(), QStringLiteral("две лева, написани от ръка"));
        QCOMPARE(Doc->Label3->text(), QStringLiteral("2.00 €"));
    }

private:
};

QTEST_MAIN(tst_Euro)
#include "tst_euro.moc"
