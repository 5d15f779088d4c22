// "Към фактурата" and "Отпечатай и съхрани" over real tables in a temporary start folder.

#include "app/Menu.h"
#include "document/Document.h"
#include "document/PagePieces.h"
#include "lines/Unit1.h"
#include "platform/Paths.h"
#include "print/Pr.h"
#include "reference/TableStore.h"
#include "reference/Unit4.h"
#include "support/DemoInvoice.h"
#include "support/WindowTest.h"
#include "tools/TableMaker.h"

#include <QDate>
#include <QDir>
#include <QLocale>
#include <QtTest>

namespace {

const QString Firm = QStringLiteral("Firm.db");
const QString Banks = QStringLiteral("Details.db");

// The demo companies and banks, with the first company's last numbers set,
// in a start folder whose documents are in leva.
void makeTables(AppFixture &app, const QString &lastInvoice, const QString &lastProforma)
{
    makeDemoCompanies(app.path(QStringLiteral("DB")), lastInvoice, lastProforma, {Banks});
    rememberSettingsInLeva(app.dir().path());
}

// Today as the page writes it, with the year in full.
QString today()
{
    const QDate date = QDate::currentDate();
    return QStringLiteral("%1.%2.%3 г.").arg(date.day()).arg(date.month()).arg(date.year());
}

} // namespace

class tst_Assembly : public WindowTest {
    Q_OBJECT
private Q_SLOTS:

    void numberFollowsItsOwnField_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("number");
        QTest::newRow("invoice") << "ФАКТУРА" << "0000000042";
        QTest::newRow("proforma") << "ПРОФОРМА ФАКТУРА" << "0000000008";
    }

    void numberFollowsItsOwnField()
    {
        QFETCH(QString, kind);
        QFETCH(QString, number);
        makeTables(app(), "41", "7");
        app().start(prompter());
        Form1->ComboBox2->setEditText(kind);
        addLine("Кафе", "2", "5");
        Main->SpeedButton4->click();

        QVERIFY(DocumentAssembled);
        QCOMPARE(Doc->NO->text(), number);
        QCOMPARE(Doc->Label15->text(), QStringLiteral("№ ") + number + QStringLiteral(" / Дата: ") + today());
        QCOMPARE(Doc->Label57->text(), today());
        QCOMPARE(Doc->Label40->text(), today());
        QCOMPARE(Doc->Label1->text(), kind);
        QCOMPARE(Doc->Label1->x(), 859 / 2 - Doc->Label1->width() / 2);
        QCOMPARE(Doc->SVpath->text(), QDir::toNativeSeparators(dataDirectory()));
        QCOMPARE(Doc->Bevel3->width(), Doc->Bevel1->width());
        // The supplier, its logo and its bank come from the first records.
        QCOMPARE(Doc->Label46->text(), QStringLiteral("ЕТ „Иван Петров – 91“"));
        QCOMPARE(Doc->Label52->text(), QStringLiteral("Иван Петров"));
        QVERIFY(!Doc->Image2->pixmap().isNull());
        QCOMPARE(Doc->Label38->text(), QStringLiteral("Първа демонстрационна банка АД"));
        QCOMPARE(Form4->FirmRecNo, 1);
        QCOMPARE(Form4->BankRecNo, 1);
        QVERIFY(Doc->isVisible());
        QVERIFY(!Form4->isVisible());
        // The number in the table stays until the document is printed.
        Main->SpeedButton5Click();
        QCOMPARE(Form4->Table1->text(QStringLiteral("Фактура №")), QStringLiteral("41"));
    }

    void twoAssembliesGiveTheSameNumber()
    {
        makeTables(app(), "41", "0");
        app().start(prompter());
        Main->SpeedButton4Click();
        QVERIFY(Doc->windowState() & Qt::WindowMaximized);
        // A page window the user restored stays as the user left it.
        Doc->setWindowState(Qt::WindowNoState);
        Main->SpeedButton4Click();
        QCOMPARE(Doc->NO->text(), QStringLiteral("0000000042"));
        QVERIFY(!(Doc->windowState() & Qt::WindowMaximized));
        QVERIFY(Doc->isVisible());
    }

    void pickedCompanyAndBankAreUsed()
    {
        makeTables(app(), "41", "0");
        app().start(prompter());
        Main->SpeedButton5Click();
        Form4->Table1->setRecNo(2);
        Form4->SpeedButton2Click();
        Main->SpeedButton6Click();
        Form4->Table1->setRecNo(3);
        Form4->SpeedButton2Click();
        Main->SpeedButton4Click();
        QCOMPARE(Doc->NO->text(), QStringLiteral("0000000001"));
        QCOMPARE(Doc->Label46->text(), QStringLiteral("„Балкан Трейд“ ООД"));
        QCOMPARE(Doc->Label38->text(), QStringLiteral("Търговска банка на Пловдив"));
    }

    void linesAndTotalsAreCopied()
    {
        makeTables(app(), "41", "0");
        app().start(prompter());
        addLine("Хартия\nкутия", "3", "2.50");
        addLine("Тонер", "1", "10");
        Main->SpeedButton4Click();
        QTableWidget *grid = Doc->StringGrid2;
        QCOMPARE(grid->rowCount(), 4);
        QCOMPARE(fixedRows(grid), 1);
        QCOMPARE(grid->height(), 4 * 19 + 3);
        for (int row = 0; row < 4; ++row)
            for (int column = 0; column < 6; ++column)
                QCOMPARE(grid->item(row, column) ? grid->item(row, column)->text() : QString(),
                         Form1->cell(column, row));
        QCOMPARE(grid->item(2, 1)->text(), QStringLiteral("кутия"));
        QCOMPARE(Doc->Label5->text(), QStringLiteral("17.50 лв"));
        QCOMPARE(Doc->Label7->text(), QStringLiteral("3.50 лв"));
        QCOMPARE(Doc->Label3->text(), QStringLiteral("21.00 лв"));
        QCOMPARE(Doc->Label2->text(), Form1->Label2->text());
        QCOMPARE(Doc->Label18->text(), QStringLiteral("двадесет и един лева"));
        // The lower block follows the grid.
        QCOMPARE(Doc->Bevel1->y(), grid->y() + grid->height() + 15);
    }

    void headerOnlyTable()
    {
        makeTables(app(), "41", "0");
        app().start(prompter());
        Main->SpeedButton4Click();
        QCOMPARE(Doc->StringGrid2->rowCount(), 1);
        QCOMPARE(fixedRows(Doc->StringGrid2), 0);
        QCOMPARE(Doc->StringGrid2->height(), 22);
        QCOMPARE(Doc->StringGrid2->item(0, 1)->text(), QStringLiteral("Наименование на стоките или услугите"));
    }

    void amountInWords_data()
    {
        QTest::addColumn<QString>("price");  // one line of quantity 1 at a VAT rate of 0
        QTest::addColumn<QString>("words");
        QTest::newRow("0.40 leaves the design text") << "0.40" << QString(76, u'.');
        QTest::newRow("1.00") << "1" << "един лев";
        QTest::newRow("1.50") << "1.50" << "един лев и 50 ст.";
        QTest::newRow("2.00") << "2" << "два лева";
        QTest::newRow("21.00") << "21" << "двадесет и един лева";
        QTest::newRow("1234.05") << "1234.05" << "хиляда двеста тридесет и четири лева и 05 ст.";
        QTest::newRow("seven digits") << "1234567" << " лева";
    }

    void amountInWords()
    {
        QFETCH(QString, price);
        makeTables(app(), "41", "0");
        app().start(prompter(), QStringLiteral("0"));
        addLine("Услуга", "1", price);
        Main->SpeedButton4Click();
        QTEST(Doc->Label18->text(), "words");
    }

    void tooWideWordsBreakAndMoveTheBlock()
    {
        makeTables(app(), "41", "0");
        app().start(prompter(), QStringLiteral("0"));
        addLine("Услуга", "1", "777777.77");
        const int bevelTop = Doc->Bevel2->y();
        const int wordsTop = Doc->Label18->y();
        const int totalsTop = Doc->Panel6->y();
        Main->SpeedButton4Click();
        const QString words = QStringLiteral("седемстотин седемдесет и седем хиляди и седемстотин седемдесет и седем лева и 77 ст.");
        QCOMPARE(Doc->Label18->text(), words.left(words.size() / 2) + u'\n' + words.mid(words.size() / 2));
        QCOMPARE(Doc->Bevel2->y(), bevelTop + 12);
        QCOMPARE(Doc->Label18->y(), wordsTop);
        QCOMPARE(Doc->Panel6->y(), totalsTop);  // level with the words line: not below it
    }

    void noteBlock_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("account");
        QTest::newRow("credit") << "Кредитно известие" << "Кредит с/ка";
        QTest::newRow("debit") << "Дебитно известие" << "Дебит с/ка";
    }

    void noteBlock()
    {
        QFETCH(QString, kind);
        QFETCH(QString, account);
        makeTables(app(), "41", "0");
        app().start(prompter());
        Form1->ComboBox1->setEditText(kind);
        Main->SpeedButton4Click();
        QVERIFY(!Doc->Panel2->isHidden());
        QVERIFY(!Doc->StringGrid1->isHidden());
        QVERIFY(!Doc->SpeedButton4->isHidden());  // "Към фактура"
        QCOMPARE(Doc->Label21->text(), kind);
        QCOMPARE(Doc->StringGrid1->item(0, 0)->text(), QStringLiteral("№"));
        QCOMPARE(Doc->StringGrid1->item(0, 1)->text(), account);
        QCOMPARE(Doc->StringGrid1->item(0, 2)->text(), QStringLiteral("Сума"));
        // Another kind keeps the account heading; no kind hides the block again.
        Form1->ComboBox1->setEditText("Известие");
        Main->SpeedButton4Click();
        QCOMPARE(Doc->StringGrid1->item(0, 1)->text(), account);
        Form1->ComboBox1->setCurrentIndex(0);
        Main->SpeedButton4Click();
        QVERIFY(Doc->Panel2->isHidden());
        QVERIFY(Doc->StringGrid1->isHidden());
        QVERIFY(Doc->SpeedButton4->isHidden());
    }

    void badNumberStopsTheAssembly_data()
    {
        QTest::addColumn<QString>("last");
        QTest::newRow("empty") << "";
        QTest::newRow("not a whole number") << "4.2";
    }

    void badNumberStopsTheAssembly()
    {
        QFETCH(QString, last);
        makeTables(app(), last, "0");
        app().start(prompter());
        addLine("Кафе", "1", "3");
        prompter().expectError(QStringLiteral("Номерът на последния документ „%1“ не е цяло число.").arg(last));
        Main->SpeedButton4->click();
        QVERIFY(DocumentAssembled);
        QCOMPARE(Doc->NO->text(), last);
        QCOMPARE(Doc->StringGrid2->rowCount(), 2);  // the lines came over before the failure
        QCOMPARE(Doc->Label46->text(), QStringLiteral("(Фирма)"));
        QVERIFY(!Doc->isVisible());
    }

    void printAndSaveAfterAFailedAssemblyShowsTheHalfFilledPage()
    {
        makeTables(app(), "x", "0");
        app().start(prompter());
        addLine("Кафе", "1", "3");
        const QString refusal = QStringLiteral("Номерът на последния документ „x“ не е цяло число.");
        prompter().expectError(refusal);
        Main->SpeedButton4->click();
        Main->SpeedButton1->click();  // the lines as assembled: no second assembly, so no second error
        QVERIFY(Doc->isVisible());
        QVERIFY(PrintDlgOru->isVisible());
        QCOMPARE(Doc->StringGrid2->rowCount(), 2);
        QCOMPARE(Doc->NO->text(), QStringLiteral("x"));
        // A line added since: assembled again, and refused again.
        addLine("Чай", "1", "2");
        prompter().expectError(refusal);
        Main->SpeedButton1->click();
        QCOMPARE(Doc->StringGrid2->rowCount(), 3);
    }

    void missingTableStopsTheAssembly()
    {
        app().start(prompter());
        prompter().expectAnyError();
        Main->SpeedButton4->click();
        QVERIFY(DocumentAssembled);
        QVERIFY(!Doc->isVisible());
    }

    // "Отпечатай и съхрани" after an assembly: the page as it stands while
    // the line table is as it was assembled, assembled again when it has
    // changed, with what was typed on the page kept.
    void printAndSaveAssemblesAgainWhenTheLinesChanged_data()
    {
        QTest::addColumn<bool>("lineAdded");
        QTest::addColumn<bool>("typed");
        QTest::newRow("lines as assembled") << false << true;
        QTest::newRow("line added") << true << false;
        QTest::newRow("line added, fields typed") << true << true;
    }
    void printAndSaveAssemblesAgainWhenTheLinesChanged()
    {
        QFETCH(bool, lineAdded);
        QFETCH(bool, typed);
        makeTables(app(), "41", "0");
        app().start(prompter());
        addLine("Кафе", "1", "3");
        Main->SpeedButton1->click();
        QVERIFY(Doc->isVisible());
        QVERIFY(PrintDlgOru->isVisible());
        QCOMPARE(Doc->StringGrid2->rowCount(), 2);
        const QString assembledNumberLine = Doc->Label15->text();
        const QString assembledPayment = Doc->Label34->text();
        if (typed) {
            prompter().expectInput(QStringLiteral("№ "), QString(), QStringLiteral("77"))
                .expectInput(QStringLiteral(" / Дата: "), QString(), QStringLiteral("01.12.2026"))
                .expectInput(QString(), QString(), QStringLiteral("по сметка, 10 дни"));
            Doc->Label15Click();
            Doc->Label34Click(Doc->Label34);
        }
        const QString numberLine = Doc->Label15->text();
        if (lineAdded)
            addLine("Чай", "1", "2");
        PrintDlgOru->hide();
        Main->SpeedButton1->click();
        QVERIFY(PrintDlgOru->isVisible());
        QCOMPARE(Doc->StringGrid2->rowCount(), lineAdded ? 3 : 2);
        QCOMPARE(Doc->Label3->text(), lineAdded ? QStringLiteral("6.00 лв") : QStringLiteral("3.60 лв"));
        QCOMPARE(Doc->Label15->text(), typed ? numberLine : assembledNumberLine);
        QCOMPARE(Doc->NO->text(), typed ? QStringLiteral("0000000077") : QStringLiteral("0000000042"));
        QCOMPARE(Doc->Label34->text(), typed ? QStringLiteral("по сметка, 10 дни") : assembledPayment);
    }

private:
};

QTEST_MAIN(tst_Assembly)
#include "tst_assembly.moc"
