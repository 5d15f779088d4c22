// The pick: the browser's "Добави" hands the current record to the invoice.

#include "app/Menu.h"
#include "app/Pick.h"
#include "document/Document.h"
#include "lines/LineRules.h"
#include "lines/Unit1.h"
#include "platform/Printers.h"
#include "print/Pr.h"
#include "reference/PriceConversion.h"
#include "reference/TableStore.h"
#include "reference/Unit4.h"
#include "support/DemoInvoice.h"
#include "support/PdfPrinter.h"
#include "support/WindowTest.h"
#include "support/SqlFile.h"
#include "tools/TableMaker.h"

#include <QImage>
#include <QPrinter>
#include <QtTest>
#include <optional>

namespace {

using LineRules::LimitMessage;
using LineRules::PriceMessage;
using LineRules::QuantityMessage;
using LineRules::TooLargeMessage;

const QString NoRecord = QStringLiteral("Няма избран запис за добавяне.");
const QString Stock = QStringLiteral("К-во");

QVariantMap article(const QString &number, const QString &stock, const QString &price,
                    const QString &description = QStringLiteral("Стока\nвтори ред"))
{
    return {{QStringLiteral("Пор. №"), number},
            {QStringLiteral("Описание на стока/услуга"), description},
            {QStringLiteral("Мярка"), QStringLiteral("бр.")},
            {QStringLiteral("Продажна цена"), price},
            {Stock, stock}};
}

void makeTable(AppFixture &app, const QString &file, const QList<QVariantMap> &records)
{
    QDir().mkpath(app.path(QStringLiteral("DB")));
    TableMaker::makeTable(app.path(QStringLiteral("DB")), TableMaker::referenceTable(file), records);
}

// The stock of a goods record as another reader of the file finds it.
QString storedStock(AppFixture &app, int record)
{
    TableStore table;
    table.setDatabaseName(app.path(QStringLiteral("DB")));
    table.setTableName(QStringLiteral("stock.db"));
    table.open();
    table.setRecNo(record);
    return table.text(Stock);
}

int lineRows()
{
    int lines = 0;
    for (int row = 1; row < Form1->StringGrid1->rowCount(); ++row) {
        if (!Form1->cell(0, row).isEmpty())
            ++lines;
    }
    return lines;
}

QByteArray bitmap(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(0, 90, 160));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

// A start folder with the four tables, one goods record of stock 5, whose
// printer writes PDF files; the windows are started.
struct StockFixture {
    StockFixture(ScriptedPrompter &scripted, AppFixture &folder, const QString &documentKind)
        : prompter(scripted), app(folder)
    {
        makeTable(app, QStringLiteral("stock.db"), {article(QStringLiteral("1"), QStringLiteral("5"), QStringLiteral("3"))});
        for (const QString &table : {QStringLiteral("Firm.db"), QStringLiteral("Details.db"), QStringLiteral("customer.db")})
            makeTable(app, table, TableMaker::demoRecords(table));
        qputenv("BILVARO_INSTALL_DIR", app.path(QStringLiteral("install")).toLocal8Bit());
        QDir().mkpath(app.path(QStringLiteral("install/DB")));
        printJobsTo(app.path(QStringLiteral("printed.pdf")));
        app.start(prompter);
        Form1->ComboBox2->setEditText(documentKind);
    }
    ~StockFixture()
    {
        setPrinterSource({});
        qunsetenv("BILVARO_INSTALL_DIR");
    }
    void pick(const QString &quantity)
    {
        Main->SpeedButton3Click();
        prompter.expectInput(QString(), QuantityPrompt, quantity);
        Form4->SpeedButton2Click();
    }
    void assemble()
    {
        Main->SpeedButton7Click();
        Form4->SpeedButton2Click();  // the first demo client
        Main->SpeedButton4Click();
    }
    void printOriginal()
    {
        Doc->SpeedButton1Click();
        prompter.expectPrint(true);
        PrintDlgOru->SpeedButton1Click();
    }
    // The print is recorded, then the printer refuses the job.
    void printRefused()
    {
        printJobsTo(app.path(QStringLiteral("no such folder/printed.pdf")));
        Doc->SpeedButton1Click();
        prompter.expectPrint(true).expectAnyError();
        PrintDlgOru->SpeedButton1->click();
    }

    ScriptedPrompter &prompter;
    AppFixture &app;
};

} // namespace

class tst_Pick : public WindowTest {
    Q_OBJECT

private Q_SLOTS:
    // A price of a goods table in the other currency than the document's is
    // converted at the fixed rate; the conversion mark tells the table's.
    void priceInTheDocumentsCurrency_data()
    {
        QTest::addColumn<bool>("euroTable");
        QTest::addColumn<QString>("currency");
        QTest::addColumn<QString>("price");
        QTest::newRow("leva table, leva document") << false << "лв" << "100.00";
        QTest::newRow("leva table, euro document") << false << "EUR" << "51.13";
        QTest::newRow("euro table, leva document") << true << "лв" << "100.00";  // 51.13 x 1.95583
        QTest::newRow("euro table, euro document") << true << "EUR" << "51.13";
    }
    void priceInTheDocumentsCurrency()
    {
        QFETCH(bool, euroTable);
        QFETCH(QString, currency);
        makeTable(app(), QStringLiteral("stock.db"), {article(QStringLiteral("1"), QStringLiteral("5"), QStringLiteral("100.00"))});
        if (euroTable)
            PriceConversion::convertGoodsToEuro(app().path(QStringLiteral("DB")));
        app().start(prompter());
        Form1->ComboBox6->setCurrentIndex(Form1->ComboBox6->findText(currency));
        Main->SpeedButton3Click();
        prompter().expectInput(QString(), QuantityPrompt, QStringLiteral("2"));
        Form4->SpeedButton2Click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QTEST(Form1->cell(4, 1), "price");
    }

    // On a credit note a negative quantity returns the goods to the stock.
    void creditNoteReturnsGoods()
    {
        makeTable(app(), QStringLiteral("stock.db"), {article(QStringLiteral("1"), QStringLiteral("5"), QStringLiteral("3"))});
        app().start(prompter());
        Form1->ComboBox1->setEditText(QStringLiteral("Кредитно известие"));
        Main->SpeedButton3Click();
        prompter().expectInput(QString(), QuantityPrompt, QStringLiteral("-2"));
        Form4->SpeedButton2Click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(Form1->cell(3, 1), QStringLiteral("-2"));
        QCOMPARE(storedStock(app(), 1), QStringLiteral("7"));
    }

    // What a line took goes back to the stock as stored when the line leaves
    // the table without being issued on a printed invoice or note.
    void lineLeavingTheTable_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("steps");  // a: assemble, p: print the original, r: printer refuses
        QTest::addColumn<QString>("storedMeanwhile");  // by another program after the pick
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("stockAfter");
        QTest::newRow("cleared") << "ФАКТУРА" << "" << "" << "clear" << "5";
        QTest::newRow("cleared after another program changed the stock") << "ФАКТУРА" << "" << "10" << "clear"
                                                                          << "12";
        QTest::newRow("program closed") << "ФАКТУРА" << "" << "" << "close" << "5";
        QTest::newRow("new invoice after an unprinted assembly") << "ФАКТУРА" << "a" << "" << "new" << "5";
        QTest::newRow("printed invoice, cleared") << "ФАКТУРА" << "ap" << "" << "clear" << "3";
        QTest::newRow("printed invoice, closed") << "ФАКТУРА" << "ap" << "" << "close" << "3";
        QTest::newRow("printed invoice, new invoice") << "ФАКТУРА" << "ap" << "" << "new" << "3";
        QTest::newRow("printed proforma, cleared") << "ПРОФОРМА ФАКТУРА" << "ap" << "" << "clear" << "5";
        // Recorded, the invoice is issued whatever the printer does.
        QTest::newRow("recorded invoice the printer refused, cleared") << "ФАКТУРА" << "ar" << "" << "clear" << "3";
        QTest::newRow("recorded proforma the printer refused, cleared") << "ПРОФОРМА ФАКТУРА" << "ar" << "" << "clear"
                                                                         << "5";
        QTest::newRow("proforma printed, then issued as invoice") << "ПРОФОРМА ФАКТУРА" << "apIap" << "" << "clear"
                                                                   << "3";
    }
    void lineLeavingTheTable()
    {
        QFETCH(QString, kind);
        QFETCH(QString, steps);
        QFETCH(QString, storedMeanwhile);
        QFETCH(QString, way);
        StockFixture fixture(prompter(), app(), kind);
        fixture.pick(QStringLiteral("2"));
        QCOMPARE(storedStock(fixture.app, 1), QStringLiteral("3"));
        if (!storedMeanwhile.isEmpty()) {
            QCOMPARE(sqlOnFile(fixture.app.path(QStringLiteral("DB/stock.db")),
                               {QStringLiteral("UPDATE stock SET \"К-во\" = '%1'").arg(storedMeanwhile)}),
                     QStringList());
        }
        for (const QChar step : steps) {
            if (step == u'a')
                fixture.assemble();
            else if (step == u'p')
                fixture.printOriginal();
            else if (step == u'r')
                fixture.printRefused();
            else
                Form1->ComboBox2->setEditText(QStringLiteral("ФАКТУРА"));
        }
        if (way == u"clear")
            Form1->Clear1->trigger();
        else if (way == u"close")
            QVERIFY(Main->close());
        else
            Main->SpeedButton10->click();
        QVERIFY2(fixture.prompter.finished(), fixture.prompter.problems());
        QTEST(storedStock(fixture.app, 1), "stockAfter");
        // Given back once: clearing again changes nothing.
        Form1->Clear1->trigger();
        QTEST(storedStock(fixture.app, 1), "stockAfter");
    }

    // A picked line's quantity changed in its cell moves the stock by the
    // difference, or is refused as the pick refuses it.
    void pickedQuantityEdited_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("quantityAfter");
        QTest::addColumn<QString>("stockAfter");
        QTest::newRow("more") << "2.5" << QStringList{} << "2.5" << "2.5";
        QTest::newRow("less") << "0.5" << QStringList{} << "0.5" << "4.5";
        QTest::newRow("more than the stock") << "6" << QStringList{NotEnoughMessage} << "2" << "3";
        QTest::newRow("all of it") << "5" << QStringList{} << "5" << "0";
    }
    void pickedQuantityEdited()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, messages);
        StockFixture fixture(prompter(), app(), QStringLiteral("ФАКТУРА"));
        fixture.pick(QStringLiteral("2"));
        for (const QString &message : messages)
            fixture.prompter.expectInformation(message);
        Form1->StringGrid1->item(1, 3)->setText(typed);
        QVERIFY2(fixture.prompter.finished(), fixture.prompter.problems());
        QTEST(Form1->cell(3, 1), "quantityAfter");
        QTEST(storedStock(fixture.app, 1), "stockAfter");
        // What the line holds now is what goes back.
        Form1->Clear1->trigger();
        QCOMPARE(storedStock(fixture.app, 1), QStringLiteral("5"));
    }

    // Closing the menu while the assembled page is not printed asks first;
    // "Не" keeps the program and its lines.
    void closeAsksWhileThePageIsNotPrinted_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<std::optional<bool>>("answer");  // nothing: not asked
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QString>("stockAfter");
        QTest::newRow("not assembled") << "" << std::optional<bool>() << true << "5";
        QTest::newRow("assembled, answered no") << "a" << std::optional<bool>(false) << false << "3";
        QTest::newRow("assembled, answered yes") << "a" << std::optional<bool>(true) << true << "5";
        QTest::newRow("printed") << "ap" << std::optional<bool>() << true << "3";
        QTest::newRow("assembled again after the print") << "apa" << std::optional<bool>(false) << false << "3";
    }
    void closeAsksWhileThePageIsNotPrinted()
    {
        QFETCH(QString, steps);
        QFETCH(std::optional<bool>, answer);
        QFETCH(bool, closed);
        StockFixture fixture(prompter(), app(), QStringLiteral("ФАКТУРА"));
        fixture.pick(QStringLiteral("2"));
        for (const QChar step : steps)
            step == u'a' ? fixture.assemble() : fixture.printOriginal();
        if (answer)
            fixture.prompter.expectQuestion(UnprintedCloseQuestion, *answer);
        QCOMPARE(Main->close(), closed);
        QVERIFY2(fixture.prompter.finished(), fixture.prompter.problems());
        QCOMPARE(fixture.app.shell.loopEnds, closed ? 1 : 0);
        QTEST(storedStock(fixture.app, 1), "stockAfter");
        QCOMPARE(lineRows(), 1);
    }

    void goods_data()
    {
        QTest::addColumn<QString>("stock");
        QTest::addColumn<QString>("price");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::addColumn<QStringList>("messages");  // information boxes; "error: " for the error box
        QTest::addColumn<bool>("added");
        QTest::addColumn<QString>("stockAfter");

        const auto answer = [](const char *text) { return std::optional<QString>(QString::fromUtf8(text)); };
        QTest::newRow("5 of 5") << "5" << "2.50" << true << answer("5") << QStringList{ExhaustedMessage} << true << "0";
        QTest::newRow("6 of 5") << "5" << "2.50" << true << answer("6") << QStringList{NotEnoughMessage, QuantityMessage}
                                << false << "5";
        QTest::newRow("3 of 2.5") << "2.5" << "1" << true << answer("3") << QStringList{NotEnoughMessage, QuantityMessage}
                                  << false << "2.5";
        QTest::newRow("2.5 of 2.5") << "2.5" << "1" << true << answer("2.5") << QStringList{ExhaustedMessage} << true << "0";
        QTest::newRow("the proposed 1") << "7" << "3" << true << answer("1") << QStringList{} << true << "6";
        QTest::newRow("four decimals, written shortest") << "2.75" << "3" << true << answer("0.3") << QStringList{}
                                                         << true << "2.45";
        QTest::newRow("stock 0") << "0" << "3" << false << answer("") << QStringList{ExhaustedMessage} << false << "0";
        QTest::newRow("stock 0.0 is not exhausted") << "0.0" << "3" << true << answer("1")
                                                    << QStringList{NotEnoughMessage, QuantityMessage} << false << "0.0";
        QTest::newRow("stock empty is not a number")
            << "" << "3" << true << answer("1") << QStringList{QStringLiteral("error: „“ не е число.")} << false << "";
        QTest::newRow("quantity 0") << "5" << "3" << true << answer("0") << QStringList{} << true << "5";
        QTest::newRow("negative quantity refused") << "5" << "3" << true << answer("-2")
                                                   << QStringList{NegativeMessage, QuantityMessage} << false << "5";
        QTest::newRow("cancelled") << "5" << "3" << true << std::optional<QString>() << QStringList{QuantityMessage}
                                   << false << "5";
        QTest::newRow("quantity not a number") << "5" << "3" << true << answer("две")
                                               << QStringList{QStringLiteral("error: „две“ не е число.")} << false
                                               << "5";
        QTest::newRow("decimal comma") << "5" << "3" << true << answer("1,5")
                                       << QStringList{QStringLiteral("error: „1,5“ не е число: десетичният знак е "
                                                                     "точка, например 1.5.")}
                                       << false << "5";
        // The add action refuses the line: the stock stays.
        QTest::newRow("no price") << "5" << "" << true << answer("2") << QStringList{PriceMessage} << false << "5";
        QTest::newRow("price not a number") << "5" << "abc" << true << answer("2") << QStringList{PriceMessage}
                                            << false << "5";
        QTest::newRow("price beyond the range of amounts") << "5" << "922337203685478" << true << answer("1")
                                                           << QStringList{TooLargeMessage} << false << "5";
        QTest::newRow("stock beyond the range of amounts")
            << "922337203685479.9999" << "3" << true << answer("1")
            << QStringList{QStringLiteral(
                   "error: Наличното количество на стоката „922337203685479.9999“ е твърде голямо, за да бъде прочетено.")}
            << false << "922337203685479.9999";
    }
    void goods()
    {
        QFETCH(QString, stock);
        QFETCH(QString, price);
        QFETCH(bool, asked);
        QFETCH(std::optional<QString>, answer);
        QFETCH(QStringList, messages);
        QFETCH(bool, added);
        QFETCH(QString, stockAfter);
        makeTable(app(), QStringLiteral("stock.db"),
                  {article(QStringLiteral("1"), QStringLiteral("100"), QStringLiteral("9")),
                   article(QStringLiteral("002"), stock, price, QStringLiteral("Хартия А4\nкутия от 5 пакета"))});
        rememberSettingsInLeva(app().dir().path());  // the goods table's currency
        app().start(prompter());
        Main->SpeedButton3->click();
        Form4->Table1->setRecNo(2);
        if (asked)
            prompter().expectInput(QString(), QuantityPrompt, answer);
        for (const QString &message : messages) {
            if (message.startsWith(QLatin1String("error: ")))
                prompter().expectError(message.mid(7));
            else
                prompter().expectInformation(message);
        }
        Form4->SpeedButton2->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        if (asked)
            QCOMPARE(prompter().proposed.value(1), QStringLiteral("1"));  // after the VAT rate's

        QCOMPARE(lineRows(), added ? 1 : 0);
        QCOMPARE(Form1->StringGrid1->rowCount(), added ? 3 : 1);  // a refused line leaves no rows
        if (added) {
            QCOMPARE(Form1->cell(0, 1), QStringLiteral("1"));
            QCOMPARE(Form1->cell(1, 1), QStringLiteral("Хартия А4"));
            QCOMPARE(Form1->cell(2, 1), QStringLiteral("бр."));
            QCOMPARE(Form1->cell(3, 1), *answer);
            QCOMPARE(Form1->cell(4, 1), QString::number(price.toDouble(), 'f', 2));  // prices show two decimals
            QCOMPARE(Form1->cell(1, 2), QStringLiteral("кутия от 5 пакета"));
        }
        QCOMPARE(Form4->Table1->text(Stock), stockAfter);
        QCOMPARE(storedStock(app(), 2), stockAfter);
        QCOMPARE(storedStock(app(), 1), QStringLiteral("100"));
        // The browser stays as it was.
        QVERIFY(Form4->isVisible());
        QCOMPARE(Form4->Table1->recNo(), 2);
    }

    void fullLineTableTakesNothingFromTheStock()
    {
        makeTable(app(), QStringLiteral("stock.db"),
                  {article(QStringLiteral("1"), QStringLiteral("100"), QStringLiteral("2"), QStringLiteral("Една стока")),
                   article(QStringLiteral("2"), QStringLiteral("9"), QStringLiteral("2"),
                           QStringLiteral("Друга\nв три\nреда"))});
        app().start(prompter());
        Main->SpeedButton3->click();
        for (int i = 0; i < 25; ++i)
            prompter().expectInput(QString(), QuantityPrompt, QStringLiteral("1"));
        for (int i = 0; i < 25; ++i)
            Form4->SpeedButton2Click();
        QCOMPARE(lineRows(), 25);
        QCOMPARE(Form4->Table1->text(Stock), QStringLiteral("75"));
        prompter().expectInput(QString(), QuantityPrompt, QStringLiteral("3"));
        prompter().expectInformation(LimitMessage);
        Form4->SpeedButton2->click();
        // The 26th line leaves neither a row nor its description behind.
        Form4->Table1->setRecNo(2);
        prompter().expectInput(QString(), QuantityPrompt, QStringLiteral("1"));
        prompter().expectInformation(LimitMessage);
        Form4->SpeedButton2->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(lineRows(), 25);
        QCOMPARE(Form1->StringGrid1->rowCount(), 26);
        QCOMPARE(storedStock(app(), 1), QStringLiteral("75"));
        QCOMPARE(storedStock(app(), 2), QStringLiteral("9"));
    }

    // The line table and the stock agree: a line whose stock cannot be
    // taken is taken back.
    void stockThatCannotBeWrittenTakesTheLineBack()
    {
        makeTable(app(), QStringLiteral("stock.db"), {article(QStringLiteral("1"), QStringLiteral("5"), QStringLiteral("2"))});
        QCOMPARE(sqlOnFile(app().path(QStringLiteral("DB/stock.db")),
                           {QStringLiteral("CREATE TRIGGER locked BEFORE UPDATE ON stock "
                                           "BEGIN SELECT RAISE(ABORT, 'locked'); END")}),
                 QStringList());
        app().start(prompter());
        Main->SpeedButton3->click();
        prompter().expectInput(QString(), QuantityPrompt, QStringLiteral("2"));
        prompter().expectAnyError();
        Form4->SpeedButton2->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(Form1->StringGrid1->rowCount(), 1);
        QCOMPARE(LineCounter, 0);
        QCOMPARE(Form1->Label7->text().toDouble(), 0.0);
        QCOMPARE(storedStock(app(), 1), QStringLiteral("5"));
        QCOMPARE(Form4->Table1->state(), TableStore::State::Browse);
    }

    // Another program changes the stock of the goods the browser shows: the
    // pick checks and takes the quantity against the stock as stored.
    void stockChangedByAnotherProgram_data()
    {
        QTest::addColumn<QString>("storedMeanwhile");  // 12 is shown
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("stockAfter");
        QTest::newRow("down to 1, 10 picked") << "1" << "10" << QStringList{NotEnoughMessage, QuantityMessage} << "1";
        QTest::newRow("down to 11, 10 picked") << "11" << "10" << QStringList{} << "1";
        QTest::newRow("down to 10, 10 picked") << "10" << "10" << QStringList{ExhaustedMessage} << "0";
        QTest::newRow("up to 30, 20 picked") << "30" << "20" << QStringList{} << "10";
    }
    void stockChangedByAnotherProgram()
    {
        QFETCH(QString, storedMeanwhile);
        QFETCH(QString, quantity);
        QFETCH(QStringList, messages);
        QFETCH(QString, stockAfter);
        makeTable(app(), QStringLiteral("stock.db"), {article(QStringLiteral("001"), QStringLiteral("12"), QStringLiteral("3"))});
        app().start(prompter());
        Main->SpeedButton3->click();
        QCOMPARE(Form4->Table1->text(Stock), QStringLiteral("12"));
        {
            TableStore other;
            other.setDatabaseName(app().path(QStringLiteral("DB")));
            other.setTableName(QStringLiteral("stock.db"));
            other.open();
            other.edit();
            other.setText(Stock, storedMeanwhile);
            other.post();
        }
        prompter().expectInput(QString(), QuantityPrompt, quantity);
        for (const QString &message : messages)
            prompter().expectInformation(message);
        Form4->SpeedButton2->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(lineRows(), stockAfter == storedMeanwhile ? 0 : 1);
        QCOMPARE(storedStock(app(), 1), stockAfter);
        QCOMPARE(Form4->Table1->text(Stock), stockAfter);  // shown as stored
    }

    void pendingEditIsPostedFirst()
    {
        makeTable(app(), QStringLiteral("stock.db"), {article(QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("5"))});
        app().start(prompter());
        Main->SpeedButton3->click();
        QAbstractItemModel *model = Form4->DBGrid1->model();
        QVERIFY(model->setData(model->index(0, Form4->Table1->fieldByName(Stock)), QStringLiteral("9")));
        prompter().expectInput(QString(), QuantityPrompt, QStringLiteral("4"));
        Form4->SpeedButton2->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(storedStock(app(), 1), QStringLiteral("5"));
        QCOMPARE(Form1->cell(3, 1), QStringLiteral("4"));
    }

    void missingColumnStopsThePick()
    {
        TableMaker::TableDefinition goods = TableMaker::referenceTable(QStringLiteral("stock.db"));
        goods.columns.removeAt(2);  // "Мярка"
        QDir().mkpath(app().path(QStringLiteral("DB")));
        TableMaker::makeTable(app().path(QStringLiteral("DB")), goods,
                              {article(QStringLiteral("77"), QStringLiteral("5"), QStringLiteral("1"))});
        app().start(prompter());
        Main->SpeedButton3->click();
        prompter().expectError(QStringLiteral("Полето „Мярка“ не е намерено."));
        Form4->SpeedButton2->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(Form1->ComboBox3->text(), QStringLiteral("77"));  // written before the failure
        QCOMPARE(lineRows(), 0);
        QCOMPARE(storedStock(app(), 1), QStringLiteral("5"));
    }

    void noCurrentRecord_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("empty");  // else: a filter that lets nothing through
        QTest::newRow("empty goods table") << 3 << true;
        QTest::newRow("empty clients table") << 7 << true;
        QTest::newRow("empty company table") << 5 << true;
        QTest::newRow("empty bank table") << 6 << true;
        QTest::newRow("nothing under the filter") << 3 << false;
    }
    void noCurrentRecord()
    {
        QFETCH(int, button);
        QFETCH(bool, empty);
        QDir().mkpath(app().path(QStringLiteral("DB")));
        for (const TableMaker::TableDefinition &table : TableMaker::referenceTables()) {
            TableMaker::makeTable(app().path(QStringLiteral("DB")), table,
                                  empty ? QList<QVariantMap>()
                                        : TableMaker::demoRecords(table.fileName));
        }
        app().start(prompter());
        QToolButton *buttons[] = {nullptr, nullptr, nullptr, Main->SpeedButton3, nullptr, Main->SpeedButton5,
                                  Main->SpeedButton6, Main->SpeedButton7};
        buttons[button]->click();
        if (!empty) {
            Form4->Table1->setFilter(QStringLiteral("Пор. № = 'няма такъв'"));
            Form4->Table1->setFiltered(true);
        }
        const QString client = Doc->Label33->text();
        const int records = Form4->Table1->recordCount();
        prompter().expectInformation(NoRecord);
        Form4->SpeedButton2->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(lineRows(), 0);
        QCOMPARE(Doc->Label33->text(), client);
        QCOMPARE(Form4->FirmRecNo, 0);
        QCOMPARE(Form4->BankRecNo, 0);
        Form4->Table1->setFiltered(false);
        Form4->Table1->refresh();
        QCOMPARE(records, 0);
        QCOMPARE(Form4->Table1->recordCount(), empty ? 0 : TableMaker::demoRecords(QStringLiteral("stock.db")).size());
    }

    // A new record left blank is neither added nor taken for its neighbour.
    void untouchedNewRecordIsNotPicked_data()
    {
        QTest::addColumn<bool>("emptyTable");
        QTest::newRow("empty table") << true;
        QTest::newRow("before a record") << false;
    }

    void untouchedNewRecordIsNotPicked()
    {
        QFETCH(bool, emptyTable);
        QList<QVariantMap> goods;
        if (!emptyTable)
            goods << article(QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("5"));
        makeTable(app(), QStringLiteral("stock.db"), goods);
        app().start(prompter());
        Main->SpeedButton3->click();
        Form4->DBNavigator1->Insert->click();
        QCOMPARE(Form4->DBGrid1->model()->rowCount(), goods.size() + 1);
        prompter().expectInformation(NoRecord);  // and no quantity prompt
        Form4->SpeedButton2->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(Form1->StringGrid1->rowCount(), 1);
        Form4->Table1->close();
        Form4->Table1->open();
        QCOMPARE(Form4->Table1->recordCount(), goods.size());
        if (!emptyTable)
            QCOMPARE(storedStock(app(), 1), QStringLiteral("2"));
    }

    void otherCaptionDoesNothing()
    {
        TableMaker::makeTables(app().dir().path(), true);
        app().start(prompter());
        Main->SpeedButton3->click();
        Form4->setWindowTitle(QStringLiteral("Стоки"));  // not the goods caption exactly
        Form4->SpeedButton2->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(lineRows(), 0);
    }

    void client()
    {
        TableMaker::makeTables(app().dir().path(), true);
        app().start(prompter());
        Main->SpeedButton7->click();
        Form4->Table1->setRecNo(4);
        Form4->SpeedButton2->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(Doc->Label33->text(), QStringLiteral("„Делта Логистик“ ООД"));
        QCOMPARE(Doc->Label65->text(), QStringLiteral("175678901"));
        QCOMPARE(Doc->Label34->text(), QStringLiteral("175678901"));
        QCOMPARE(Doc->Label29->text(), QStringLiteral("гр. Бургас, ул. „Александровска“ № 45"));
        // The manager twice: responsible person and recipient.
        QCOMPARE(Doc->Label30->text(), QStringLiteral("Елена Николова"));
        QCOMPARE(Doc->Label35->text(), QStringLiteral("Елена Николова"));
        QCOMPARE(lineRows(), 0);
    }

    void ownCompanyAndBank()
    {
        const QByteArray logo = bitmap(120, 40);
        makeTable(app(), QStringLiteral("Firm.db"),
                  {{{QStringLiteral("ДОСТАВЧИК"), QStringLiteral("ЕТ „Първа“")},
                    {QStringLiteral("ДОСТАВЧИК (втори ред)"), QStringLiteral("търговия")},
                    {QStringLiteral("Адрес"), QStringLiteral("София")},
                    {QStringLiteral("Адрес (втори ред)"), QStringLiteral("ул. „Шипка“ 1")},
                    {QStringLiteral("МОЛ"), QStringLiteral("Иван Иванов")},
                    {QStringLiteral("ИН по ЗДДС BG"), QStringLiteral("BG111")},
                    {QStringLiteral("ИН"), QStringLiteral("111")},
                    {QStringLiteral("Местоиздаване"), QStringLiteral("София")},
                    {QStringLiteral("Лого"), logo},
                    {QStringLiteral("Фактура №"), QStringLiteral("41")}},
                   {{QStringLiteral("ДОСТАВЧИК"), QStringLiteral("Втора ООД")},
                    {QStringLiteral("МОЛ"), QStringLiteral("Мария Петрова")},
                    {QStringLiteral("Местоиздаване"), QStringLiteral("Варна")}}});
        makeTable(app(), QStringLiteral("Details.db"),
                  {{{QStringLiteral("Bank"), QStringLiteral("Банка А")}},
                   {{QStringLiteral("Bank"), QStringLiteral("Банка Б")}, {QStringLiteral("IBAN"), QStringLiteral("BG00X")},
                    {QStringLiteral("SWIFT"), QStringLiteral("BBBBBGSF")}}});
        app().start(prompter());

        Main->SpeedButton5->click();
        Form4->SpeedButton2->click();
        QCOMPARE(Form4->FirmRecNo, 1);
        QCOMPARE(Doc->Image2->pixmap().size(), QSize(120, 40));
        QCOMPARE(Doc->Label46->text(), QStringLiteral("ЕТ „Първа“"));
        QCOMPARE(Doc->Label63->text(), QStringLiteral("търговия"));
        QCOMPARE(Doc->Label47->text(), QStringLiteral("София"));
        QCOMPARE(Doc->Label54->text(), QStringLiteral("ул. „Шипка“ 1"));
        QCOMPARE(Doc->Label11->text(), QStringLiteral("BG111"));
        QCOMPARE(Doc->Label10->text(), QStringLiteral("111"));
        QCOMPARE(Doc->Label16->text(), QStringLiteral("София"));
        // The manager twice: responsible person and the one who drew it up.
        QCOMPARE(Doc->Label49->text(), QStringLiteral("Иван Иванов"));
        QCOMPARE(Doc->Label52->text(), QStringLiteral("Иван Иванов"));

        // A company without a logo takes the earlier logo off the document.
        Form4->Table1->setRecNo(2);
        Form4->SpeedButton2->click();
        QCOMPARE(Form4->FirmRecNo, 2);
        QVERIFY(Doc->Image2->pixmap().isNull());
        QCOMPARE(Doc->Label46->text(), QStringLiteral("Втора ООД"));
        QCOMPARE(Doc->Label63->text(), QString());
        QCOMPARE(Doc->Label52->text(), QStringLiteral("Мария Петрова"));

        // Reopening stands on the picked company, as invoice assembly needs.
        Main->SpeedButton6->click();
        Form4->Table1->setRecNo(2);
        Form4->SpeedButton2->click();
        QCOMPARE(Form4->BankRecNo, 2);
        QCOMPARE(Doc->Label38->text(), QStringLiteral("Банка Б"));
        QCOMPARE(Doc->Label39->text(), QStringLiteral("BG00X"));
        QCOMPARE(Doc->Label53->text(), QStringLiteral("BBBBBGSF"));
        Main->SpeedButton5->click();
        QCOMPARE(Form4->Table1->recNo(), 2);
        QCOMPARE(Form4->Table1->text(QStringLiteral("Фактура №")), QString());
        Main->SpeedButton6->click();
        QCOMPARE(Form4->Table1->recNo(), 2);
    }
};

QTEST_MAIN(tst_Pick)
#include "tst_pick.moc"
