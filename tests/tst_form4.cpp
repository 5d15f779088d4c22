// The reference-table browser through the real Form4 on real table files.

#include "app/Menu.h"
#include "app/Windows.h"
#include "document/Document.h"
#include "common/BitmapCheck.h"
#include "reference/TableStore.h"
#include "reference/Unit4.h"
#include "support/WindowTest.h"
#include "tools/TableMaker.h"

#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>
#include <functional>

namespace {

const QString Firm = QStringLiteral("Фирма");

QVariantMap client(const QString &name, const QString &address = QString())
{
    return {{Firm, name}, {QStringLiteral("Адрес"), address}};
}

void makeClients(AppFixture &app, const QStringList &names)
{
    QDir().mkpath(app.path(QStringLiteral("DB")));
    QList<QVariantMap> records;
    for (const QString &name : names)
        records << client(name, QStringLiteral("Адрес на ") + name);
    TableMaker::makeTable(app.path(QStringLiteral("DB")), TableMaker::referenceTable(QStringLiteral("customer.db")),
                          records);
}

// What the grid shows in its first column, and the current row's text there.
QStringList shown()
{
    QStringList values;
    QAbstractItemModel *model = Form4->DBGrid1->model();
    for (int row = 0; row < model->rowCount(); ++row)
        values << model->data(model->index(row, 0)).toString();
    return values;
}

// Opens the grid's own editor on a cell, as a double click does.
QLineEdit *openCellEditor(const QModelIndex &cell)
{
    Form4->DBGrid1->setCurrentIndex(cell);
    Form4->DBGrid1->edit(cell);
    return qobject_cast<QLineEdit *>(Form4->DBGrid1->indexWidget(cell));
}

// The first client's name as the file holds it, read as another program would.
QString storedFirstClient(AppFixture &app)
{
    TableStore other;
    other.setDatabaseName(app.path(QStringLiteral("DB")));
    other.setTableName(QStringLiteral("customer.db"));
    other.open();
    return other.text(Firm);
}

QString current()
{
    return Form4->DBGrid1->currentIndex().data().toString();
}

// Key presses carrying the characters, as a keyboard sends them (QTest's
// own key clicks take Latin-1 only).
void typeInto(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

void type(const QString &text)
{
    Form4->Edit1->setFocus();
    typeInto(Form4->Edit1, text);
}

QString writePicture(const QString &path, const char *format)
{
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(QColor(200, 30, 30));
    image.save(path, format);
    return path;
}

} // namespace

class tst_Form4 : public WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void openingActionsSetTheMode_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("gridTop");
        QTest::addColumn<int>("gridHeight");
        QTest::addColumn<bool>("memo");
        QTest::addColumn<bool>("logo");
        QTest::addColumn<QString>("firstColumn");
        QTest::newRow("own companies") << 5 << QStringLiteral("Фирмен профил") << 168 << 193 << false << true
                                       << QStringLiteral("ДОСТАВЧИК");
        QTest::newRow("bank accounts") << 6 << QStringLiteral("Банкови детайли") << 64 << 297 << false << false
                                       << QStringLiteral("Bank");
        QTest::newRow("goods") << 3 << QStringLiteral("СТОКИ") << 120 << 241 << true << false
                               << QStringLiteral("Пор. №");
        QTest::newRow("clients") << 7 << QStringLiteral("КЛИЕНТИ") << 64 << 297 << false << false << Firm;
    }
    void openingActionsSetTheMode()
    {
        QFETCH(int, button);
        QFETCH(QString, caption);
        QFETCH(int, gridTop);
        QFETCH(int, gridHeight);
        QFETCH(bool, memo);
        QFETCH(bool, logo);
        QFETCH(QString, firstColumn);
        TableMaker::makeTables(app().dir().path(), true);
        app().start(prompter());
        QVERIFY(!Form4->isVisible());
        // Another mode first, so that every change of layout shows.
        Main->SpeedButton3->click();
        Main->SpeedButton5->click();
        QToolButton *buttons[] = {nullptr, nullptr, nullptr, Main->SpeedButton3, nullptr, Main->SpeedButton5,
                                  Main->SpeedButton6, Main->SpeedButton7};
        buttons[button]->click();
        QVERIFY(Form4->isVisible());
        QCOMPARE(Form4->windowTitle(), caption);
        QCOMPARE(Form4->DBGrid1->geometry(), QRect(8, gridTop, 673, gridHeight));
        QCOMPARE(Form4->DBMemo1->isVisible(), memo);
        QCOMPARE(Form4->LabelOpisanie->isVisible(), memo);
        QCOMPARE(Form4->DBImage1->isVisible(), logo);
        QCOMPARE(Form4->LabelLogo->isVisible(), logo);
        QStringList items;
        for (int i = 0; i < Form4->ComboBox1->count(); ++i)
            items << Form4->ComboBox1->itemText(i);
        QCOMPARE(items, Form4->Table1->fieldNames());
        QCOMPARE(Form4->ComboBox1->currentText(), firstColumn);
        QCOMPARE(Form4->DBGrid1->model()->headerData(0, Qt::Horizontal).toString(), firstColumn);
        QCOMPARE(Form4->DBGrid1->model()->rowCount(), Form4->Table1->recordCount());
        if (memo)
            QVERIFY(Form4->DBMemo1->toPlainText().contains(u'\n'));
        if (logo)
            QVERIFY(!Form4->DBImage1->picture().isNull());
    }

    void windowLayout()
    {
        TableMaker::makeTables(app().dir().path(), true);
        app().start(prompter());
        Form4->openGoods();
        QCOMPARE(Form4->size(), QSize(691, 396));
        QCOMPARE(Form4->DBNavigator1->geometry(), QRect(8, 8, 680, 25));
        QCOMPARE(Form4->Edit1->geometry(), QRect(56, 36, 299, 24));
        QCOMPARE(Form4->ComboBox1->geometry(), QRect(426, 36, 265, 24));
        QCOMPARE(Form4->DBMemo1->geometry(), QRect(9, 64, 433, 57));
        QCOMPARE(Form4->SpeedButton2->geometry(), QRect(500, 368, 87, 22));
        QCOMPARE(Form4->SpeedButton2->text(), QStringLiteral("Добави"));
        QCOMPARE(Form4->SpeedButton1->text(), QStringLiteral("Изход"));
        QCOMPARE(Form4->Label1->text(), QStringLiteral("Търси :"));
        QCOMPARE(Form4->Label2->text(), QStringLiteral("Раздел :"));
        // Growing the window stretches the grid and keeps the buttons at the corner.
        Form4->resize(791, 446);
        QCOMPARE(Form4->DBGrid1->geometry(), QRect(8, 120, 773, 291));
        QCOMPARE(Form4->Edit1->width(), 399);
        QCOMPARE(Form4->ComboBox1->geometry(), QRect(526, 36, 265, 24));
        QCOMPARE(Form4->SpeedButton1->geometry(), QRect(696, 418, 87, 22));
        QCOMPARE(Form4->DBMemo1->geometry(), QRect(9, 64, 433, 57));
        Form4->SpeedButton1->click();
        QVERIFY(!Form4->isVisible());
        QVERIFY(Form4->Table1->isActive());  // the table stays open
    }

    void navigatorHints()
    {
        app().start(prompter());
        const DBNavigator *navigator = Form4->DBNavigator1;
        QCOMPARE(navigator->First->toolTip(), QStringLiteral("Начален запис"));
        QCOMPARE(navigator->Last->toolTip(), QStringLiteral("Последен запис"));
        QCOMPARE(navigator->Insert->toolTip(), QStringLiteral("Добави запис"));
        QCOMPARE(navigator->Delete->toolTip(), QStringLiteral("Изтрий запис"));
        QCOMPARE(navigator->Refresh->toolTip(), QStringLiteral("Опресняване"));
    }

    void missingTableGivesTheStoreErrorAndNoWindow_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("message");
        QTest::newRow("no DB folder") << false << QStringLiteral("Папката с таблиците „%1“ не съществува.");
        QTest::newRow("no table file") << true << QStringLiteral("Таблицата „%1stock.db“ не съществува.");
    }
    void missingTableGivesTheStoreErrorAndNoWindow()
    {
        QFETCH(bool, folder);
        QFETCH(QString, message);
        if (folder) {
            QVERIFY(QDir().mkpath(app().path(QStringLiteral("DB"))));
            makeClients(app(), {QStringLiteral("Алфа")});
        }
        app().start(prompter());
        const QString data = QDir::toNativeSeparators(app().path(QStringLiteral("DB")) + u'/');
        prompter().expectError(folder ? message.arg(data) : message.arg(data));
        Main->SpeedButton3->click();
        QVERIFY(!Form4->isVisible());
        QVERIFY(!Form4->Table1->isActive());
        QCOMPARE(QFileInfo::exists(app().path(QStringLiteral("DB/stock.db"))), false);
        QCOMPARE(QFileInfo::exists(app().path(QStringLiteral("DB"))), folder);
        if (folder) {
            // The next opening action that succeeds sets its own layout.
            Main->SpeedButton7->click();
            QVERIFY(Form4->isVisible());
            QCOMPARE(Form4->DBGrid1->geometry(), QRect(8, 64, 673, 297));
            QVERIFY(!Form4->DBMemo1->isVisible());
        }
    }

    // ------------------------------------------------------------ search

    void searchWalk_data()
    {
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QStringList>("typed");     // the search text after each step
        QTest::addColumn<QStringList>("visible");   // the grid's rows, joined by "|"
        QTest::addColumn<QStringList>("cursor");    // the current record
        QTest::newRow("Alpha, Alphabet, Beta")
            << QStringList{QStringLiteral("Alpha"), QStringLiteral("Alphabet"), QStringLiteral("Beta")}
            << QStringList{QStringLiteral("A"), QStringLiteral("Alph"), QStringLiteral("Alpha"), QStringLiteral("Alphab"),
                           QStringLiteral("Alphabe"), QStringLiteral("Alphabet"), QStringLiteral("Alphabe"), QString()}
            << QStringList{QStringLiteral("Alpha|Alphabet|Beta"), QStringLiteral("Alpha|Alphabet|Beta"),
                           QStringLiteral("Alpha"), QStringLiteral("Alpha|Alphabet|Beta"),
                           QStringLiteral("Alphabet|Beta"), QStringLiteral("Alphabet"), QStringLiteral("Alphabet|Beta"),
                           QStringLiteral("Alpha|Alphabet|Beta")}
            << QStringList{QStringLiteral("Alpha"), QStringLiteral("Alpha"), QStringLiteral("Alpha"),
                           QStringLiteral("Alpha"), QStringLiteral("Alphabet"), QStringLiteral("Alphabet"),
                           QStringLiteral("Alphabet"), QStringLiteral("Alpha")};
        // In another table order, in Cyrillic and in the other letter case.
        QTest::newRow("Бета, Алфа, Алфабет")
            << QStringList{QStringLiteral("Бета"), QStringLiteral("АЛФА"), QStringLiteral("Алфабет")}
            << QStringList{QStringLiteral("а"), QStringLiteral("алфа"), QStringLiteral("алфаб"), QStringLiteral("алфабе"),
                           QStringLiteral("б")}
            << QStringList{QStringLiteral("Бета|АЛФА|Алфабет"), QStringLiteral("АЛФА"),
                           QStringLiteral("Бета|АЛФА|Алфабет"), QStringLiteral("Бета|Алфабет"),
                           QStringLiteral("Бета")}
            << QStringList{QStringLiteral("АЛФА"), QStringLiteral("АЛФА"), QStringLiteral("АЛФА"),
                           QStringLiteral("Алфабет"), QStringLiteral("Бета")};
        QTest::newRow("a text no value begins with")
            << QStringList{QStringLiteral("Алфа"), QStringLiteral("Бета"), QStringLiteral("Гама")}
            << QStringList{QStringLiteral("Х"), QStringLiteral("Б"), QStringLiteral("БХ")}
            << QStringList{QStringLiteral("Алфа|Бета|Гама"), QStringLiteral("Бета|Гама"),
                           QStringLiteral("Алфа|Бета|Гама")}
            << QStringList{QStringLiteral("Алфа"), QStringLiteral("Бета"), QStringLiteral("Бета")};
        QTest::newRow("equal values only")
            << QStringList{QStringLiteral("Иван"), QStringLiteral("Иванов"), QStringLiteral("иван"), QStringLiteral("Яна")}
            << QStringList{QStringLiteral("ИВАН"), QStringLiteral("ИВАНО")}
            << QStringList{QStringLiteral("Иван|иван"), QStringLiteral("Иван|Иванов|иван|Яна")}
            << QStringList{QStringLiteral("Иван"), QStringLiteral("Иван")};
        // Firm names are written in quotation marks: those in front of a
        // value, and of the text, do not count.
        QTest::newRow("names in quotation marks")
            << QStringList{QStringLiteral("Алфа"), QStringLiteral("„Бета Строй“ ЕООД"), QStringLiteral("\"Гама\" ООД"),
                           QStringLiteral("« Делта » АД")}
            << QStringList{QStringLiteral("Бета"), QStringLiteral("г"), QStringLiteral("«Д")}
            << QStringList{QStringLiteral("„Бета Строй“ ЕООД|\"Гама\" ООД|« Делта » АД"),
                           QStringLiteral("\"Гама\" ООД|« Делта » АД"), QStringLiteral("« Делта » АД")}
            << QStringList{QStringLiteral("„Бета Строй“ ЕООД"), QStringLiteral("\"Гама\" ООД"),
                           QStringLiteral("« Делта » АД")};
        QTest::newRow("a text ending in an asterisk")
            << QStringList{QStringLiteral("Бета"), QStringLiteral("А*Б"), QStringLiteral("Алфа")}
            << QStringList{QStringLiteral("а*")}
            << QStringList{QStringLiteral("А*Б|Алфа")}
            << QStringList{QStringLiteral("А*Б")};
    }
    void searchWalk()
    {
        QFETCH(QStringList, records);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, visible);
        QFETCH(QStringList, cursor);
        makeClients(app(), records);
        app().start(prompter());
        Main->SpeedButton7->click();
        for (int step = 0; step < typed.size(); ++step) {
            // Typing a letter more, or taking the last ones back, as the user would.
            const auto leadsTo = [&] { return typed[step].left(Form4->Edit1->text().size()) == Form4->Edit1->text(); };
            while (!leadsTo())
                QTest::keyClick(Form4->Edit1, Qt::Key_Backspace);
            type(typed[step].mid(Form4->Edit1->text().size()));
            QCOMPARE(Form4->Edit1->text(), typed[step]);
            QCOMPARE(shown().join(u'|'), visible[step]);
            QCOMPARE(current(), cursor[step]);
            QCOMPARE(Form4->Table1->text(Firm), cursor[step]);
        }
    }

    // A text no record begins with leaves the cursor where it was: the
    // search box shows it, and "Добави" does not hand that record over
    // until the search finds one or the user chooses a record.
    void aSearchThatFindsNothingIsShownAndNotPicked()
    {
        makeClients(app(), {QStringLiteral("Алфа"), QStringLiteral("Бета")});
        app().start(prompter());
        Main->SpeedButton7->click();
        const QColor searchColour = Form4->Edit1->palette().color(QPalette::Base);
        type(QStringLiteral("Ж"));
        QCOMPARE(current(), QStringLiteral("Алфа"));
        QCOMPARE(Form4->Edit1->palette().color(QPalette::Base), QColor(178, 34, 34));
        QCOMPARE(Form4->Edit1->toolTip(), QStringLiteral("Няма запис, който започва с „Ж“."));
        prompter().expectInformation(QStringLiteral(
            "Няма запис, който започва с „Ж“. Изберете запис от таблицата или променете търсения текст."));
        const QString clientBefore = Doc->Label33->text();
        Form4->SpeedButton2->click();
        QCOMPARE(Doc->Label33->text(), clientBefore);

        // A record the user chooses is picked.
        Form4->DBGrid1->setCurrentIndex(Form4->DBGrid1->model()->index(1, 0));
        QTRY_COMPARE(Form4->Table1->text(Firm), QStringLiteral("Бета"));
        QCOMPARE(Form4->Edit1->palette().color(QPalette::Base), searchColour);
        Form4->SpeedButton2->click();
        QCOMPARE(Doc->Label33->text(), QStringLiteral("Бета"));

        // So is the one a search finds.
        QTest::keyClick(Form4->Edit1, Qt::Key_Backspace);
        type(QStringLiteral("Ж"));
        QVERIFY(Form4->searchMissed());
        QTest::keyClick(Form4->Edit1, Qt::Key_Backspace);
        type(QStringLiteral("А"));
        QVERIFY(!Form4->searchMissed());
        QCOMPARE(Form4->Edit1->palette().color(QPalette::Base), searchColour);
        Form4->SpeedButton2->click();
        QCOMPARE(Doc->Label33->text(), QStringLiteral("Алфа"));
    }

    void apostropheMovesTheCursorOnly()
    {
        makeClients(app(), {QStringLiteral("Алфа"), QStringLiteral("О'Нийл"), QStringLiteral("Омега"),
                          QStringLiteral("Бета")});
        app().start(prompter());
        Main->SpeedButton7->click();
        type(QStringLiteral("О"));
        QCOMPARE(shown().join(u'|'), QStringLiteral("О'Нийл|Омега"));
        const QString filter = Form4->Table1->filter();
        type(QStringLiteral("'"));
        QCOMPARE(current(), QStringLiteral("О'Нийл"));
        QCOMPARE(Form4->Table1->filter(), filter);
        QVERIFY(Form4->Table1->isFiltered());
        QCOMPARE(shown().join(u'|'), QStringLiteral("О'Нийл|Омега"));
    }

    void nextTableOpensUnfiltered()
    {
        TableMaker::makeTables(app().dir().path(), true);
        app().start(prompter());
        Main->SpeedButton7->click();
        type(QStringLiteral("„Алфа Консулт“ ЕООД"));
        QCOMPARE(Form4->DBGrid1->model()->rowCount(), 1);
        Main->SpeedButton3->click();
        QVERIFY(!Form4->Table1->isFiltered());
        QCOMPARE(Form4->Table1->filter(), QString());
        QCOMPARE(Form4->DBGrid1->model()->rowCount(), TableMaker::demoRecords(QStringLiteral("stock.db")).size());
        // The section list names the goods columns now, the window being visible all along.
        QCOMPARE(Form4->ComboBox1->itemText(1), QStringLiteral("Описание на стока/услуга"));
        QCOMPARE(Form4->ComboBox1->count(), 5);
    }

    // A price or stock typed with the decimal comma is stored with the point.
    void goodsNumbersStoredWithThePoint_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("price with a comma") << "Продажна цена" << "61,50" << "61.50";
        QTest::newRow("stock with a comma") << "К-во" << " 2,5 " << "2.5";
        QTest::newRow("price with the point") << "Продажна цена" << "61.50" << "61.50";
        QTest::newRow("a unit is text") << "Мярка" << "1,5 кг" << "1,5 кг";
    }
    void goodsNumbersStoredWithThePoint()
    {
        QFETCH(QString, column);
        QFETCH(QString, typed);
        TableMaker::makeTables(app().dir().path(), true);
        app().start(prompter());
        Main->SpeedButton3->click();
        QAbstractItemModel *model = Form4->DBGrid1->model();
        QVERIFY(model->setData(model->index(0, Form4->Table1->fieldByName(column)), typed));
        Form4->DBNavigator1->Refresh->click();
        QTEST(Form4->Table1->text(column), "stored");
    }

    void sectionChoiceMovesTheColumnToTheFront()
    {
        makeClients(app(), {QStringLiteral("Бета"), QStringLiteral("Алфа")});
        app().start(prompter());
        Main->SpeedButton7->click();
        type(QStringLiteral("Бе"));
        QCOMPARE(Form4->DBGrid1->model()->rowCount(), 1);
        const int address = Form4->ComboBox1->findText(QStringLiteral("Адрес"));
        QVERIFY(address > 0);
        Form4->ComboBox1->setCurrentIndex(address);
        Q_EMIT Form4->ComboBox1->activated(address);
        QCOMPARE(Form4->DBGrid1->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Адрес"));
        QCOMPARE(Form4->DBGrid1->model()->headerData(1, Qt::Horizontal).toString(), Firm);
        QCOMPARE(Form4->Edit1->text(), QString());
        // The empty search ran on the address column: every record shows.
        QCOMPARE(shown(), QStringList({QStringLiteral("Адрес на Бета"), QStringLiteral("Адрес на Алфа")}));
        type(QStringLiteral("адрес на алфа"));
        QCOMPARE(shown(), QStringList({QStringLiteral("Адрес на Алфа")}));
    }

    // ------------------------------------------------------------ records

    void ownCompaniesReopenOnThePickedRecord()
    {
        TableMaker::makeTables(app().dir().path(), true);
        app().start(prompter());
        Main->SpeedButton5->click();
        QCOMPARE(Form4->Table1->recNo(), 1);
        Form4->Table1->setRecNo(2);
        Form4->SpeedButton2->click();
        QCOMPARE(Form4->FirmRecNo, 2);
        Main->SpeedButton7->click();
        Main->SpeedButton5->click();
        QCOMPARE(Form4->Table1->recNo(), 2);
        QCOMPARE(current(), QStringLiteral("„Балкан Трейд“ ООД"));
        // A remembered number beyond the end leaves the cursor on the first record.
        Form4->FirmRecNo = 9;
        Main->SpeedButton5->click();
        QCOMPARE(Form4->Table1->recNo(), 1);
        Form4->BankRecNo = 3;
        Main->SpeedButton6->click();
        QCOMPARE(Form4->Table1->recNo(), 3);
    }

    void navigatorEditsTheTable()
    {
        makeClients(app(), {QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")});
        app().start(prompter());
        Main->SpeedButton7->click();
        Form4->DBNavigator1->Last->click();
        QCOMPARE(current(), QStringLiteral("В"));
        prompter().expectQuestion(QStringLiteral("Да бъде ли изтрит записът?"), true);
        Form4->DBNavigator1->Delete->click();
        QCOMPARE(shown(), QStringList({QStringLiteral("А"), QStringLiteral("Б")}));
        Form4->DBNavigator1->First->click();
        Form4->DBNavigator1->Insert->click();
        QCOMPARE(Form4->DBGrid1->model()->rowCount(), 3);
        QCOMPARE(Form4->DBGrid1->currentIndex().row(), 0);
        // Typing in the new row's cell, then the refresh button posts it.
        const QModelIndex cell = Form4->DBGrid1->model()->index(0, 0);
        QVERIFY(Form4->DBGrid1->model()->setData(cell, QStringLiteral("Ново")));
        Form4->DBNavigator1->Refresh->click();
        QCOMPARE(Form4->Table1->state(), TableStore::State::Browse);
        Form4->Table1->close();
        Form4->Table1->open();
        QCOMPARE(shown(), QStringList({QStringLiteral("Ново"), QStringLiteral("А"), QStringLiteral("Б")}));
    }

    // The buttons take no focus, so a cell editor still open when one is
    // clicked must hand its text over first.
    void openCellEditorIsHandedOverByTheButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("currentAfter");
        QTest::addColumn<QString>("stored");
        QTest::newRow("Добави") << "pick" << "Ая" << "Ая";
        QTest::newRow("refresh") << "refresh" << "Ая" << "Ая";
        QTest::newRow("last record") << "last" << "В" << "Ая";
        QTest::newRow("Изход") << "exit" << "Ая" << "Ая";
    }

    void openCellEditorIsHandedOverByTheButtons()
    {
        QFETCH(QString, button);
        QFETCH(QString, currentAfter);
        QFETCH(QString, stored);
        makeClients(app(), {QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")});
        app().start(prompter());
        Main->SpeedButton7->click();
        const QModelIndex cell = Form4->DBGrid1->model()->index(0, 0);
        QLineEdit *editor = openCellEditor(cell);
        QVERIFY(editor);
        editor->setText(QStringLiteral("Ая"));
        const QMap<QString, QToolButton *> buttons{{"pick", Form4->SpeedButton2},
                                                    {"refresh", Form4->DBNavigator1->Refresh},
                                                    {"last", Form4->DBNavigator1->Last},
                                                    {"exit", Form4->SpeedButton1}};
        buttons.value(button)->click();
        QVERIFY(!Form4->DBGrid1->indexWidget(cell));  // the editor is closed
        QCOMPARE(Form4->Table1->text(Firm), currentAfter);
        if (button == "pick")
            QCOMPARE(Doc->Label33->text(), QStringLiteral("Ая"));
        QCOMPARE(storedFirstClient(app()), stored);
    }

    void cellTakesNoMoreThanItsColumnHolds()
    {
        makeClients(app(), {QStringLiteral("А")});
        app().start(prompter());
        Main->SpeedButton7->click();
        const QModelIndex cell = Form4->DBGrid1->model()->index(0, Form4->Table1->fieldByName(QStringLiteral("Телефон")));
        QLineEdit *editor = openCellEditor(cell);
        QVERIFY(editor);
        editor->setText(QStringLiteral("+359 2 123 456 789"));
        Form4->DBNavigator1->Refresh->click();
        QCOMPARE(Form4->Table1->text(QStringLiteral("Телефон")), QStringLiteral("+359 2 123 456 "));
    }

    void gridEditIsPostedWhenAnotherRowIsChosen()
    {
        makeClients(app(), {QStringLiteral("А"), QStringLiteral("Б")});
        app().start(prompter());
        Main->SpeedButton7->click();
        QAbstractItemModel *model = Form4->DBGrid1->model();
        QVERIFY(model->setData(model->index(0, 0), QStringLiteral("Аа")));
        QCOMPARE(Form4->Table1->state(), TableStore::State::Edit);
        QCOMPARE(model->data(model->index(0, 0)).toString(), QStringLiteral("Аа"));
        Form4->DBGrid1->setCurrentIndex(model->index(1, 0));
        QTRY_COMPARE(Form4->Table1->recNo(), 2);
        QCOMPARE(Form4->Table1->state(), TableStore::State::Browse);
        QCOMPARE(storedFirstClient(app()), QStringLiteral("Аа"));
    }

    void deleteAsksFirst_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("Да") << true;
        QTest::newRow("Не") << false;
    }
    void deleteAsksFirst()
    {
        QFETCH(bool, yes);
        makeClients(app(), {QStringLiteral("А"), QStringLiteral("Б")});
        app().start(prompter());
        Main->SpeedButton7->click();
        prompter().expectQuestion(QStringLiteral("Да бъде ли изтрит записът?"), yes);
        Form4->DBNavigator1->Delete->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(storedFirstClient(app()), yes ? QStringLiteral("Б") : QStringLiteral("А"));
    }

    // A change typed into the grid and left there is stored when the
    // browser goes away, whichever way the program ends.
    void pendingEditIsStoredAtTheEnd_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("main menu closed") << "menu";
        QTest::newRow("windows destroyed") << "destroyed";
        QTest::newRow("browser hidden") << "hidden";
    }
    void pendingEditIsStoredAtTheEnd()
    {
        QFETCH(QString, ending);
        makeClients(app(), {QStringLiteral("А"), QStringLiteral("Б")});
        app().start(prompter());
        Main->SpeedButton7->click();
        QAbstractItemModel *model = Form4->DBGrid1->model();
        QVERIFY(model->setData(model->index(0, 0), QStringLiteral("Аа")));
        if (ending == "menu") {
            Main->show();
            QVERIFY(Main->close());
        } else if (ending == "destroyed") {
            destroyWindows();
        } else {
            Form4->hide();
        }
        QCOMPARE(storedFirstClient(app()), QStringLiteral("Аа"));
    }

    void hugeValueIsCutInTheGridOnly()
    {
        const QString address = QString(200000, u'ж');
        makeClients(app(), {QStringLiteral("А")});
        TableStore table;
        table.setDatabaseName(app().path(QStringLiteral("DB")));
        table.setTableName(QStringLiteral("customer.db"));
        table.open();
        table.edit();
        table.setText(QStringLiteral("Адрес"), address);
        table.post();
        table.close();
        app().start(prompter());
        Main->SpeedButton7->click();
        const QModelIndex cell = Form4->DBGrid1->model()->index(0, Form4->Table1->fieldByName(QStringLiteral("Адрес")));
        const QString shownText = cell.data(Qt::DisplayRole).toString();
        QVERIFY(shownText.size() < 2000);
        QVERIFY(address.startsWith(shownText.left(shownText.size() - 2)));
        QCOMPARE(cell.data(Qt::EditRole).toString(), address);
    }

    void editIsStoredWhenAnotherTableOpens()
    {
        TableMaker::makeTables(app().dir().path(), true);
        app().start(prompter());
        Main->SpeedButton7->click();
        QAbstractItemModel *model = Form4->DBGrid1->model();
        QVERIFY(model->setData(model->index(0, 0), QStringLiteral("Нова Фирма")));
        Main->SpeedButton3->click();
        Main->SpeedButton7->click();
        QCOMPARE(Form4->Table1->text(Firm), QStringLiteral("Нова Фирма"));
    }

    void memoEditsTheDescription()
    {
        TableMaker::makeTables(app().dir().path(), true);
        app().start(prompter());
        Main->SpeedButton3->click();
        Form4->Table1->setRecNo(2);
        QCOMPARE(Form4->DBMemo1->toPlainText(), Form4->Table1->text(QStringLiteral("Описание на стока/услуга")));
        Form4->DBMemo1->setFocus();
        Form4->DBMemo1->moveCursor(QTextCursor::End);
        QTest::keyClick(Form4->DBMemo1, Qt::Key_Return);
        typeInto(Form4->DBMemo1, QStringLiteral("трети ред"));
        QCOMPARE(Form4->Table1->state(), TableStore::State::Edit);
        Form4->FormActivate();  // the window gets the focus again: refreshed, so posted
        QCOMPARE(Form4->Table1->state(), TableStore::State::Browse);
        Form4->Table1->first();
        Form4->Table1->setRecNo(2);
        QVERIFY(Form4->DBMemo1->toPlainText().endsWith(QStringLiteral("\nтрети ред")));
        QCOMPARE(Form4->Table1->text(QStringLiteral("Описание на стока/услуга")).count(u'\n'), 2);
    }

    void activationShowsWhatChangedElsewhere()
    {
        makeClients(app(), {QStringLiteral("А")});
        app().start(prompter());
        Main->SpeedButton7->click();
        {
            TableStore other;
            other.setDatabaseName(app().path(QStringLiteral("DB")));
            other.setTableName(QStringLiteral("customer.db"));
            other.open();
            other.edit();
            other.setText(Firm, QStringLiteral("Променена"));
            other.post();
        }
        Form4->FormActivate();
        QCOMPARE(shown(), QStringList{QStringLiteral("Променена")});
    }

    void logoLoad_data()
    {
        QTest::addColumn<QString>("format");  // empty: the dialog is cancelled
        QTest::addColumn<bool>("kept");       // the earlier logo stays
        QTest::addColumn<bool>("bitmap");     // the new file is stored as it is
        QTest::addColumn<bool>("fails");
        // Any other picture is stored as a bitmap of itself.
        QTest::newRow("a bitmap is stored") << QStringLiteral("bmp") << false << true << false;
        QTest::newRow("an icon is converted") << QStringLiteral("ico") << false << false << false;
        QTest::newRow("a PNG is converted") << QStringLiteral("png") << false << false << false;
        QTest::newRow("a JPEG is converted") << QStringLiteral("jpg") << false << false << false;
        QTest::newRow("a metafile is refused") << QStringLiteral("wmf") << true << false << true;
        QTest::newRow("cancelled") << QString() << true << false << false;
        QTest::newRow("not a picture") << QStringLiteral("txt") << true << false << true;
    }
    void logoLoad()
    {
        QFETCH(QString, format);
        QFETCH(bool, kept);
        QFETCH(bool, bitmap);
        QFETCH(bool, fails);
        TableMaker::makeTables(app().dir().path(), true);
        app().start(prompter());
        Main->SpeedButton5->click();
        const QByteArray earlier = Form4->Table1->picture(QStringLiteral("Лого"));
        QString file;
        if (format == QLatin1String("wmf") || format == QLatin1String("txt")) {
            file = app().path(QStringLiteral("picture.") + format);
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write("\xd7\xcd\xc6\x9a not really drawn");
        } else if (!format.isEmpty()) {
            file = writePicture(app().path(QStringLiteral("picture.") + format), format.toLatin1().constData());
        }
        prompter().expectOpenPicture(file);
        if (fails)
            prompter().expectError(QStringLiteral("Файлът „%1“ не е картина, която може да бъде прочетена.")
                                       .arg(QDir::toNativeSeparators(file)));
        QTest::mouseClick(Form4->DBImage1, Qt::LeftButton);
        QVERIFY2(prompter().finished(), prompter().problems());
        const QByteArray now = Form4->Table1->picture(QStringLiteral("Лого"));
        if (kept) {
            QCOMPARE(now, earlier);
        } else if (bitmap) {
            QFile in(file);
            QVERIFY(in.open(QIODevice::ReadOnly));
            QCOMPARE(now, in.readAll());
            QCOMPARE(Form4->DBImage1->picture().size(), QSize(30, 20));
        } else {
            QVERIFY(isBitmap(now));
            QCOMPARE(QImage::fromData(now).size(), QSize(30, 20));
            QCOMPARE(Form4->DBImage1->picture().size(), QSize(30, 20));
        }
        QCOMPARE(Form4->Table1->state(), TableStore::State::Browse);
    }
};

QTEST_MAIN(tst_Form4)
#include "tst_form4.moc"
