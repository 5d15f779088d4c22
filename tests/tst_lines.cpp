#include "document/Document.h"
#include "lines/LegalTexts.h"
#include "lines/LineRules.h"
#include "lines/Unit1.h"
#include "support/WindowTest.h"

#include <QStyle>
#include <QtTest>

namespace {

using LineRules::LimitMessage;
using LineRules::PriceMessage;
using LineRules::QuantityMessage;
using LineRules::TooLargeMessage;

QStringList row(int index)
{
    QStringList cells;
    for (int column = 0; column < 6; ++column)
        cells.append(Form1->cell(column, index));
    return cells;
}

// Stages a line as the goods pick does and presses the hidden add button.
bool add(const QString &name, const QString &unit, const QString &quantity, const QString &price)
{
    Form1->Stock->setPlainText(name);
    Form1->Edit4->setText(unit);
    Form1->Edit3->setText(quantity);
    Form1->Edit1->setText(price);
    return Form1->AddLine();
}

void expectStagingReset()
{
    QCOMPARE(Form1->ComboBox3->text(), QStringLiteral("Пор. №"));
    QCOMPARE(Form1->Stock->toPlainText(), QStringLiteral("Въведи тук Стока/Услуга"));
    QCOMPARE(Form1->Edit4->text(), QStringLiteral("Мярка"));
    QCOMPARE(Form1->Edit3->text(), QStringLiteral("К-во"));
    QCOMPARE(Form1->Edit1->text(), QStringLiteral("Стойност"));
}

} // namespace

class tst_Lines : public WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        WindowTest::init();
        app().start(prompter());
    }

    void createdEmptyAndDisabled()
    {
        QCOMPARE(Form1->windowTitle(), QStringLiteral("Таблица"));
        QCOMPARE(Form1->StringGrid1->rowCount(), 1);
        QCOMPARE(row(0), (QStringList{"Пор. №", "Наименование на стоките или услугите", "Мярка", "К-во",
                                      "Ед. цена", "Стойност"}));
        QVERIFY(!Form1->StringGrid1->isEnabled());
        QCOMPARE(LineCounter, 0);
        expectStagingReset();
    }

    void addsNumberedLineWithTotals()
    {
        QVERIFY(add("Кафе", "бр.", "3", "2.50"));
        QCOMPARE(row(1), (QStringList{"1", "Кафе", "бр.", "3", "2.50", "7.50"}));
        QCOMPARE(Form1->Label10->text(), QStringLiteral("7.50"));
        QCOMPARE(Form1->Label7->text(), QStringLiteral("7.50"));
        QCOMPARE(Form1->Label3->text(), QStringLiteral("1.50"));
        QCOMPARE(Form1->Label5->text(), QStringLiteral("9.00"));
        QVERIFY(Form1->StringGrid1->isEnabled());
        expectStagingReset();

        QVERIFY(add("Чай", "", "1", "1.115"));
        QCOMPARE(row(2), (QStringList{"2", "Чай", " ", "1", "1.115", "1.12"}));
        QCOMPARE(Form1->Label7->text(), QStringLiteral("8.62"));
        QCOMPARE(Form1->Label3->text(), QStringLiteral("1.72"));
        QCOMPARE(Form1->Label5->text(), QStringLiteral("10.34"));
    }

    void negativePrice()
    {
        QVERIFY(add("Отстъпка", "бр.", "2", "-5"));
        QCOMPARE(row(1).last(), QStringLiteral("-10.00"));
        QCOMPARE(Form1->Label5->text(), QStringLiteral("-12.00"));
    }

    void lineValueBelowATenThousandth()
    {
        QVERIFY(add("Игла", "бр.", "0.001", "0.05"));
        QCOMPARE(row(1), (QStringList{"1", "Игла", "бр.", "0.001", "0.05", "0.00"}));
        QCOMPARE(Form1->Label5->text(), QStringLiteral("0.00"));
    }

    // An empty name leaves every value in its own column.
    void emptyFirstNameLineKeepsTheColumns()
    {
        QVERIFY(add("", "кг", "2", "3"));
        QCOMPARE(row(1), (QStringList{"1", "", "кг", "2", "3.00", "6.00"}));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QStringList>("messages");
        const QStringList both{QuantityMessage, PriceMessage};
        QTest::newRow("both empty, quantity first") << "" << "" << both;
        QTest::newRow("both placeholders") << "К-во" << "Стойност" << both;
        QTest::newRow("quantity missing") << "" << "2" << QStringList{QuantityMessage};
        QTest::newRow("price placeholder") << "2" << "Стойност" << QStringList{PriceMessage};
        QTest::newRow("lone minus price") << "1" << "-" << QStringList{PriceMessage};
        QTest::newRow("lone point price") << "1" << "." << QStringList{PriceMessage};
        QTest::newRow("1-2 price") << "1" << "1-2" << QStringList{PriceMessage};
        QTest::newRow("lone point quantity") << "." << "5" << QStringList{QuantityMessage};
        QTest::newRow("neither a number") << "x" << "-" << both;
        QTest::newRow("value too large") << "1000000000" << "1000000" << QStringList{TooLargeMessage};
        QTest::newRow("price beyond the range of amounts") << "1" << "922337203685478" << QStringList{TooLargeMessage};
        QTest::newRow("total beyond the range") << "1" << "800000000000000" << QStringList{TooLargeMessage};
    }

    void refusals()
    {
        QFETCH(QString, quantity);
        QFETCH(QString, price);
        QFETCH(QStringList, messages);
        for (const QString &message : messages)
            prompter().expectInformation(message);
        QVERIFY(!add("Кафе\nвтори ред\nтрети ред", "бр.", quantity, price));
        // Nothing is added, not even the name's continuation rows, no line
        // number is spent, and the staging editors reset.
        QCOMPARE(LineCounter, 0);
        QCOMPARE(Form1->StringGrid1->rowCount(), 1);
        QCOMPARE(Form1->Label7->text(), QStringLiteral("0"));
        expectStagingReset();
        QVERIFY(add("Чай", "бр.", "1", "1"));
        QCOMPARE(row(1).first(), QStringLiteral("1"));
    }

    // An edit in the grid is taken as the add action would take it.
    void gridEdits_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");  // refused with it when not empty
        QTest::addColumn<QStringList>("line");
        QTest::addColumn<QStringList>("totals");
        const QStringList before{"1", "Кафе", "бр.", "7.777", "2.00", "15.55"};
        const QStringList totalsBefore{"16.55", "3.31", "19.86"};
        QTest::newRow("quantity") << 3 << "10" << "" << QStringList{"1", "Кафе", "бр.", "10", "2.00", "20.00"}
                                  << QStringList{"21.00", "4.20", "25.20"};
        QTest::newRow("price") << 4 << "3.5" << "" << QStringList{"1", "Кафе", "бр.", "7.777", "3.50", "27.22"}
                               << QStringList{"28.22", "5.64", "33.86"};
        QTest::newRow("quantity not a number") << 3 << "x" << QuantityMessage << before << totalsBefore;
        QTest::newRow("price emptied") << 4 << "" << PriceMessage << before << totalsBefore;
        QTest::newRow("value too large") << 3 << "500000000000000" << TooLargeMessage << before << totalsBefore;
    }
    void gridEdits()
    {
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QVERIFY(add("Кафе", "бр.", "7.777", "2"));
        QVERIFY(add("Чай", "бр.", "1", "1"));
        if (!message.isEmpty())
            prompter().expectInformation(message);
        Form1->StringGrid1->item(1, column)->setText(text);
        QTEST(row(1), "line");
        QTEST((QStringList{Form1->Label7->text(), Form1->Label3->text(), Form1->Label5->text()}), "totals");
        QVERIFY(!(Form1->StringGrid1->item(0, column)->flags() & Qt::ItemIsEditable));
    }

    void longNameWraps()
    {
        const QString name = QString(74, u'а') + u' ' + QString(25, u'б');
        QVERIFY(add(name, "бр.", "1", "1"));
        QCOMPARE(row(1), (QStringList{"1", QString(74, u'а'), "бр.", "1", "1.00", "1.00"}));
        QCOMPARE(row(2), (QStringList{"", QString(25, u'б'), "", "", "", ""}));
        QVERIFY(add("Следващ", "бр.", "1", "1"));
        QCOMPARE(row(3).mid(0, 2), (QStringList{"2", "Следващ"}));
    }

    // Capitals are wider than the 80 characters leave room for: the name is
    // wrapped by its width in the page's name column as well, so that no
    // line is cut on the page and in the archive.
    void longCapitalNameFitsThePage()
    {
        const QString name = QStringLiteral("КУТИЯ ЗА ДОКУМЕНТИ ОТ ГОФРИРАН КАРТОН С КАПАК ЦВЯТ ЖЪЛТ ШИРОЧИНА "
                                            "ДВАДЕСЕТ САНТИМЕТРА");
        QVERIFY(add(name, "бр.", "1", "1"));
        QStringList lines;
        for (int index = 1; index < Form1->StringGrid1->rowCount(); ++index)
            lines << row(index).at(1);
        QCOMPARE(lines.join(u' '), name);
        const QTableWidget *page = Doc->StringGrid2;
        const int margin = page->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, page) + 1;
        for (const QString &line : std::as_const(lines))
            QVERIFY2(page->fontMetrics().horizontalAdvance(line) <= page->columnWidth(1) - 2 * margin, qPrintable(line));
        QVERIFY(lines.size() >= 2);
        QVERIFY(lines.first().size() < 80);
    }

    void threeLineNameAndNumbering()
    {
        QVERIFY(add("ред 1\nред 2\nред 3", "бр.", "1", "1"));
        QCOMPARE(Form1->StringGrid1->rowCount(), 4);
        QCOMPARE(row(2), (QStringList{"", "ред 2", "", "", "", ""}));
        QCOMPARE(row(3), (QStringList{"", "ред 3", "", "", "", ""}));
        QVERIFY(add("друг", "бр.", "1", "1"));
        QCOMPARE(row(4).first(), QStringLiteral("2"));
    }

    void noTextLostWithoutSpace()
    {
        // Narrow letters, so that 80 of them fit the page's name column.
        QVERIFY(add(QString(100, u'і'), "бр.", "1", "1"));
        QCOMPARE(row(1).at(1), QString(80, u'і'));
        QCOMPARE(row(2).at(1), QString(20, u'і'));
        // Wide ones are cut where the column ends.
        QVERIFY(add(QString(100, u'я'), "бр.", "1", "1"));
        const QString cut = row(3).at(1);
        QVERIFY(cut.size() < 80 && Doc->nameLineFits(cut) && !Doc->nameLineFits(cut + u'я'));
        QCOMPARE(cut + row(4).at(1) + row(5).at(1), QString(100, u'я'));
    }

    void limitOf25Lines()
    {
        for (int line = 1; line <= 25; ++line)
            QVERIFY(add(QStringLiteral("ред %1").arg(line), "бр.", "1", "1"));
        QCOMPARE(Form1->StringGrid1->rowCount(), 26);
        prompter().expectInformation(LimitMessage);
        QVERIFY(!add("излишен\nвтори ред\nтрети ред", "бр.", "1", "1"));
        QCOMPARE(Form1->StringGrid1->rowCount(), 26);
        QCOMPARE(LineCounter, 25);
        QCOMPARE(Form1->Label7->text(), QStringLiteral("25.00"));
        Form1->N1Click();
        QCOMPARE(Form1->StringGrid1->rowCount(), 26);
    }

    void continuationBeyondTheLimit()
    {
        for (int line = 1; line <= 23; ++line)
            QVERIFY(add(QStringLiteral("ред %1").arg(line), "бр.", "1", "1"));
        Form1->N1Click();  // an empty row: 24 rows after the heading
        QCOMPARE(Form1->StringGrid1->rowCount(), 25);
        QVERIFY(add("двуредово\nиме", "бр.", "1", "1"));
        QCOMPARE(Form1->StringGrid1->rowCount(), 27);
        QCOMPARE(row(25).first(), QStringLiteral("24"));
        QCOMPARE(row(26).at(1), QStringLiteral("име"));
        prompter().expectInformation(LimitMessage);
        QVERIFY(!add("още", "бр.", "1", "1"));
    }

    void clearAllRestartsNumbering()
    {
        QVERIFY(add("а", "бр.", "1", "10"));
        QVERIFY(add("б", "бр.", "1", "5.50"));
        QCOMPARE(Form1->Label5->text(), QStringLiteral("18.60"));
        Form1->Clear1->trigger();
        QCOMPARE(Form1->StringGrid1->rowCount(), 1);
        QCOMPARE(row(0).first(), QStringLiteral("Пор. №"));
        QCOMPARE(Form1->Label7->text(), QStringLiteral("0"));
        QCOMPARE(Form1->Label3->text(), QStringLiteral("0"));
        QCOMPARE(Form1->Label5->text(), QStringLiteral("0"));
        QCOMPARE(LineCounter, 0);
        QVERIFY(add("в", "бр.", "1", "2"));
        QCOMPARE(row(1).first(), QStringLiteral("1"));
        QCOMPARE(Form1->Label5->text(), QStringLiteral("2.40"));
    }

    void emptyRowsAreAddedToTheLimit()
    {
        for (int i = 0; i < 30; ++i)
            Form1->N1->trigger();
        QCOMPARE(Form1->StringGrid1->rowCount(), 26);
        QCOMPARE(LineCounter, 0);
        QVERIFY(!Form1->StringGrid1->isEnabled());
    }

    void typing_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::newRow("quantity digits and point") << "Edit3" << "12.5" << "12.5";
        QTest::newRow("quantity refuses minus and letters") << "Edit3" << "-1a2" << "12";
        QTest::newRow("quantity one point") << "Edit3" << "1.2.3" << "1.23";
        QTest::newRow("quantity three decimals") << "Edit3" << "1.23456" << "1.234";
        QTest::newRow("price minus") << "Edit1" << "-5" << "-5";
        QTest::newRow("price two decimals") << "Edit1" << "3.14159" << "3.14";
        QTest::newRow("price refuses comma") << "Edit1" << "3,5" << "35";
        QTest::newRow("price limit lifted without point") << "Edit1" << "1234567" << "1234567";
    }

    void typing()
    {
        QFETCH(QString, editor);
        QFETCH(QString, keys);
        QLineEdit *edit = editor == "Edit3" ? Form1->Edit3 : Form1->Edit1;
        edit->clear();
        QTest::keyClicks(edit, keys);
        QTEST(edit->text(), "text");
    }

    void backspaceAlwaysWorks()
    {
        Form1->Edit1->clear();
        QTest::keyClicks(Form1->Edit1, "1.25");
        QTest::keyClick(Form1->Edit1, Qt::Key_Backspace);
        QTest::keyClicks(Form1->Edit1, "9");
        QCOMPARE(Form1->Edit1->text(), QStringLiteral("1.29"));
    }

    void belowTenStotinki_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("message");
        QTest::newRow("quantity") << "Edit3" << LineRules::SmallQuantityMessage;
        QTest::newRow("price") << "Edit1" << LineRules::SmallPriceMessage;
    }

    void belowTenStotinki()
    {
        QFETCH(QString, editor);
        QFETCH(QString, message);
        QLineEdit *edit = editor == "Edit3" ? Form1->Edit3 : Form1->Edit1;
        edit->clear();
        prompter().expectInformation(message);
        QTest::keyClicks(edit, "0.0");
        QCOMPARE(edit->text(), QStringLiteral("0."));
        QTest::keyClicks(edit, "5");
        QCOMPARE(edit->text(), QStringLiteral("0.5"));
    }

    void programTextIsNotCut()
    {
        // The typing limit applies to typing only: a price set by the
        // program keeps all its decimals.
        QVERIFY(add("Чай", "бр.", "1", "1.115"));
        QCOMPARE(row(1).at(4), QStringLiteral("1.115"));
    }

    void enterAddsAndClickEmpties()
    {
        QTest::mouseClick(Form1->Edit1, Qt::LeftButton);
        QCOMPARE(Form1->Edit1->text(), QString());
        QTest::keyClicks(Form1->Edit1, "4");
        QTest::mouseClick(Form1->Edit3, Qt::LeftButton);
        QTest::keyClicks(Form1->Edit3, "2");
        QTest::mouseClick(Form1->Edit4, Qt::LeftButton);
        QTest::keyClicks(Form1->Edit4, "kg");
        Form1->Stock->setPlainText("Захар");
        QTest::keyClick(Form1->Edit4, Qt::Key_Return);
        QCOMPARE(row(1), (QStringList{"1", "Захар", "kg", "2", "4.00", "8.00"}));
    }

    void legalTextsBox()
    {
        prompter().expectInformation(legalTexts().join(u'\n'));
        Form1->SpeedButton2->click();
        QCOMPARE(prompter().transcript.size(), 2);
        const QStringList texts = prompter().transcript.last().mid(QStringLiteral("information: ").size()).split(u'\n');
        QCOMPARE(texts.size(), 13);
        QVERIFY(texts.first().startsWith("чл. 28с(Е)(3) 77/388/ЕЕС-за доставки"));
        QVERIFY(texts.at(7).contains("различни от тези по чл. 21, ал. 3 , чл. 22 и 23 , е мястото"));
        QVERIFY(texts.last().endsWith("в които не се посочва данък."));
    }

private:
};

QTEST_MAIN(tst_Lines)
#include "tst_lines.moc"
