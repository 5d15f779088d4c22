// Hostile input through the real windows: texts typed into the staging
// editors of the line table, the VAT rate box, the grey fields of the page,
// the pick's quantity box and the browser's cells; the four tables not as the
// program makes them; a start folder that is read-only or a full disk. Each
// gets its message or is kept as typed; nothing crashes, the totals stay
// amounts and no file is changed behind a message.

#include "common/Amount.h"
#include "common/Cp1251.h"
#include "document/Document.h"
#include "document/FieldRules.h"
#include "lines/LineRules.h"
#include "lines/SettingsFile.h"
#include "lines/VatRate.h"
#include "lines/Unit1.h"
#include "platform/Handlers.h"
#include "reference/TableModel.h"
#include "reference/TableStore.h"
#include "reference/Unit4.h"
#include "support/WindowTest.h"
#include "tools/TableMaker.h"
#include "app/Menu.h"
#include "app/Pick.h"

#include <QClipboard>
#include <QDirIterator>
#include <QProcess>
#include <QtTest>
#include <functional>

namespace {

// Two decimals after a point, and readable as an amount.
bool isTotal(const QString &text)
{
    const auto point = text.indexOf(u'.');
    return point > 0 && text.size() - point - 1 == 2 && Amount::parse(text).has_value();
}

} // namespace

class tst_Hostile : public WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void hostileText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("priceMessage");  // as a line's price; empty: the line is added
        QTest::addColumn<bool>("rateReads");
        const QString price = LineRules::PriceMessage;
        QTest::newRow("empty") << QString() << price << false;
        // The name alone fills the table with continuation rows.
        QTest::newRow("10,000 characters") << QString(10000, u'Щ')
                                           << LineRules::LimitMessage << false;
        QTest::newRow("control characters") << QStringLiteral("a\tb\x01\x1b[2J\x7f\r\nc\u2028d") << price << false;
        QTest::newRow("apostrophe") << QStringLiteral("'; DROP TABLE x; --'") << price << false;
        QTest::newRow("percent") << QStringLiteral("%1%s%n%%") << price << false;
        QTest::newRow("backslash") << QStringLiteral("\\\\0\\n\\") << price << false;
        QTest::newRow("Latin and Cyrillic") << QStringLiteral("Cоcа-Кола ООД") << price << false;
        QTest::newRow("30 digits") << QString(30, u'9')
                                   << LineRules::TooLargeMessage << false;
        QTest::newRow("negative zero") << QStringLiteral("-0") << QString() << true;
        QTest::newRow("negative zero, two decimals") << QStringLiteral("-0.00") << QString() << true;
    }

    void hostileText()
    {
        QFETCH(QString, text);
        QFETCH(QString, priceMessage);
        const bool priceReads = priceMessage.isEmpty();
        QFETCH(bool, rateReads);
        prompter().expectInput(QString(), QStringLiteral("ДДС"), text);
        if (!rateReads)
            prompter().expectMessage(VatRate::BadRateMessage.arg(text), Prompter::Icon::Warning);
        app().open();
        QVERIFY2(prompter().finished(), prompter().problems());

        // As the name and the unit of a line with a sound quantity and price.
        Form1->Stock->setPlainText(text);
        Form1->Edit4->setText(text);
        Form1->Edit3->setText(QStringLiteral("2"));
        Form1->Edit1->setText(QStringLiteral("3"));
        QVERIFY(Form1->AddLine());
        QCOMPARE(Form1->Label7->text(), QStringLiteral("6.00"));
        QVERIFY(Form1->StringGrid1->rowCount() >= 2);

        // As a price.
        Form1->Stock->setPlainText(QStringLiteral("Кафе"));
        Form1->Edit4->setText(QStringLiteral("бр."));
        Form1->Edit3->setText(QStringLiteral("1"));
        Form1->Edit1->setText(text);
        const int rows = Form1->StringGrid1->rowCount();
        if (!priceReads)
            prompter().expectInformation(priceMessage);
        QCOMPARE(Form1->AddLine(), priceReads);
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(Form1->StringGrid1->rowCount(), rows + int(priceReads));
        for (QLabel *total : {Form1->Label7, Form1->Label3, Form1->Label5})
            QVERIFY2(isTotal(total->text()), qPrintable(total->text()));
        QCOMPARE(Form1->Label7->text(), QStringLiteral("6.00"));

        // As a grey field of the page.
        prompter().expectInput(QString(), QString(), text);
        Doc->Label34Click(Doc->Label37);
        QCOMPARE(Doc->Label37->text(), text);
        QVERIFY2(prompter().finished(), prompter().problems());

        // As both values of the two paired fields (the number and date, the
        // reference of a note), then proposed back as typed, the number
        // padded to ten characters and the date of a note padded as a date.
        const struct {
            std::function<void()> click;
            QString prefix, separator;
            bool dateFirst;
        } pairs[] = {{[] { Doc->Label15Click(); }, QStringLiteral("№ "), QStringLiteral(" / Дата: "), false},
                     {[] { Doc->Label22Click(); }, QStringLiteral("от дата: "), QStringLiteral(", към фактура №: "), true}};
        for (const auto &pair : pairs) {
            prompter().expectInput(pair.prefix, QString(), text).expectInput(pair.separator, QString(), text);
            pair.click();
            prompter().expectInput(pair.prefix, QString(), std::nullopt).expectInput(pair.separator, QString(), std::nullopt);
            pair.click();
            QVERIFY2(prompter().finished(), prompter().problems());
            const QString first = pair.dateFirst ? padDate(text) : padNumber(text);
            const QString second = pair.dateFirst && !text.isEmpty() ? padNumber(text) : text;
            QCOMPARE(prompter().proposed.mid(prompter().proposed.size() - 2), QStringList({first, second}));
        }
        QCOMPARE(Doc->NO->text(), padNumber(text));

        // Pasted into a selector of the line table: it reaches the page, and
        // the settings file saved then still reads as its items, the
        // text among them as the file can hold it (and the currency).
        QGuiApplication::clipboard()->setText(text);
        Form1->ComboBox4->lineEdit()->selectAll();
        Form1->ComboBox4->lineEdit()->paste();
        const QString pasted = Form1->ComboBox4->currentText();
        QCOMPARE(Doc->Label19->text(), pasted);
        Form1->SaveSettings();
        const QStringList saved = SettingsFile::load(app().path(QStringLiteral("mem.txt")));
        QCOMPARE(saved.size(), 6);
        QString oneLine = pasted;
        for (QChar &c : oneLine) {
            if (c == u'\r' || c == u'\n' || c == QChar(0))
                c = u' ';
        }
        QCOMPARE(saved[3], Cp1251::decode(Cp1251::encode(oneLine)));

        // As the wrapped fields of the client and the supplier: kept, a text
        // too wide broken once at its middle.
        for (AutoSizeLabel *field : {Doc->Label33, Doc->Label18}) {
            prompter().expectInput(QString(), QString(), text);
            if (field == Doc->Label33)
                Doc->Label33Click(field);
            else
                Doc->Label18Click(field);
            QVERIFY2(prompter().finished(), prompter().problems());
            QVERIFY(field->text() == text || field->text() == breakAtMiddle(text));
        }
    }

    // The same texts as the quantity of a pick, and typed into every text
    // cell of a goods record in the browser's grid.
    void hostilePickAndBrowserCell_data() { hostileText_data(); }

    void hostilePickAndBrowserCell()
    {
        QFETCH(QString, text);
        QFETCH(bool, rateReads);  // the negative zeros: a quantity of nothing
        const QString data = app().path(QStringLiteral("DB"));
        QVERIFY(QDir().mkpath(data));
        const auto goods = [](const QString &number) {
            return QVariantMap{{QStringLiteral("Пор. №"), number},
                               {QStringLiteral("Описание на стока/услуга"), QStringLiteral("Хартия")},
                               {QStringLiteral("Мярка"), QStringLiteral("бр.")},
                               {QStringLiteral("Продажна цена"), QStringLiteral("3")},
                               {QStringLiteral("К-во"), QStringLiteral("5")}};
        };
        QVERIFY(TableMaker::makeTable(data, TableMaker::referenceTable(QStringLiteral("stock.db")),
                                      {goods(QStringLiteral("1")), goods(QStringLiteral("2"))}));
        app().start(prompter());
        Main->SpeedButton3->click();
        Form4->Table1->setRecNo(1);
        prompter().expectInput(QString(), QuantityPrompt, text);
        if (!rateReads)
            prompter().expectAnyError();
        Form4->SpeedButton2->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(Form1->StringGrid1->rowCount(), rateReads ? 2 : 1);
        QCOMPARE(Form4->Table1->text(QStringLiteral("К-во")), QStringLiteral("5"));

        Form4->Table1->setRecNo(2);
        const int row = Form4->Table1->currentRow();
        QStringList typed;
        for (int column = 0; column < Form4->DataSource1->columnCount(); ++column) {
            const QModelIndex cell = Form4->DataSource1->index(row, column);
            if (Form4->DataSource1->flags(cell) & Qt::ItemIsEditable) {
                QVERIFY(Form4->DataSource1->setData(cell, text));
                typed << Form4->Table1->fieldName(column);
            }
        }
        QVERIFY(typed.size() >= 4);
        Form4->Table1->postPending();
        QVERIFY2(prompter().finished(), prompter().problems());
        TableStore stored;
        stored.setDatabaseName(data);
        stored.setTableName(QStringLiteral("stock.db"));
        stored.open();
        stored.setRecNo(2);
        for (const QString &field : std::as_const(typed))
            QCOMPARE(stored.text(field), text);

        // Searched for in the browser's search box: found in the record
        // that holds it.
        QVERIFY(typed.contains(Form4->ComboBox1->currentText()));
        Form4->Table1->first();
        Form4->Edit1->setText(text);
        QVERIFY2(prompter().finished(), prompter().problems());
        if (!text.isEmpty())
            QCOMPARE(Form4->Table1->recNo(), 2);
    }

    // The four tables not as the program makes them (an extra or a missing
    // column, every field NULL), and logos that are huge or no picture at
    // all. The own-company table is tried by putting the invoice together,
    // the others by picking their first record from the browser: each goes
    // on, or stops with its message ("error: ", "info: "; "input: " is the
    // quantity box, answered 1).
    void hostileTable_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("change");  // what is done to the demo table
        QTest::addColumn<QVariant>("logo");
        QTest::addColumn<QStringList>("prompts");
        const QString firm = QStringLiteral("Firm.db");
        QTest::newRow("logo that is not a picture") << firm << QString() << QVariant(QByteArray("no picture here\0\xff", 18)) << QStringList();
        QTest::newRow("50 MB logo") << firm << QString() << QVariant(QByteArray(50 << 20, '\x42')) << QStringList();
        QTest::newRow("every field NULL") << firm << QStringLiteral("nulls") << QVariant()
                                          << QStringList{QStringLiteral("error: Номерът на последния документ „“ не е цяло число.")};
        QTest::newRow("extra column") << firm << QStringLiteral("extra") << QVariant() << QStringList();
        QTest::newRow("missing column") << firm << QStringLiteral("missing") << QVariant()
                                        << QStringList{QStringLiteral("error: Полето „Лого“ не е намерено.")};
        const QString input = QStringLiteral("input: ");
        const QStringList expected[][3] = {
            {{}, {}, {QStringLiteral("error: Полето „SWIFT“ не е намерено.")}},
            {{input, QStringLiteral("error: „“ не е число.")}, {input}, {QStringLiteral("error: Полето „Продажна цена“ не е намерено.")}},
            {{}, {}, {QStringLiteral("error: Полето „Идент №“ не е намерено.")}}};
        const QString files[] = {QStringLiteral("Details.db"), QStringLiteral("stock.db"), QStringLiteral("customer.db")};
        for (int i = 0; i < 3; ++i) {
            QTest::addRow("%s, every field NULL", qPrintable(files[i])) << files[i] << QStringLiteral("nulls") << QVariant() << expected[i][0];
            QTest::addRow("%s, extra column", qPrintable(files[i])) << files[i] << QStringLiteral("extra") << QVariant() << expected[i][1];
            QTest::addRow("%s, missing column", qPrintable(files[i])) << files[i] << QStringLiteral("missing") << QVariant() << expected[i][2];
        }
    }

    void hostileTable()
    {
        QFETCH(QString, file);
        QFETCH(QString, change);
        QFETCH(QVariant, logo);
        QFETCH(QStringList, prompts);
        const QMap<QString, QString> missing{{QStringLiteral("Firm.db"), QStringLiteral("Лого")},
                                             {QStringLiteral("Details.db"), QStringLiteral("SWIFT")},
                                             {QStringLiteral("stock.db"), QStringLiteral("Продажна цена")},
                                             {QStringLiteral("customer.db"), QStringLiteral("Идент №")}};
        const QString data = app().path(QStringLiteral("DB"));
        QVERIFY(QDir().mkpath(data));
        TableMaker::TableDefinition table = TableMaker::referenceTable(file);
        QList<QVariantMap> records = TableMaker::demoRecords(file);
        if (change == QStringLiteral("nulls")) {
            for (QVariantMap &record : records)
                record.clear();
        } else if (change == QStringLiteral("extra")) {
            table.columns.append({QStringLiteral("Бележка"), QStringLiteral("VARCHAR(20)")});
        } else if (change == QStringLiteral("missing")) {
            table.columns.removeIf([&](const TableMaker::Column &c) { return c.name == missing[file]; });
            for (QVariantMap &record : records)
                record.remove(missing[file]);
            table.extraStatements.clear();
        }
        if (logo.isValid())
            records[0][QStringLiteral("Лого")] = logo;
        QVERIFY(TableMaker::makeTable(data, table, records));
        for (const QString &other : {QStringLiteral("Firm.db"), QStringLiteral("Details.db")})
            TableMaker::makeTable(data, TableMaker::referenceTable(other), TableMaker::demoRecords(other));
        app().start(prompter());
        for (const QString &prompt : std::as_const(prompts)) {
            if (prompt.startsWith(QLatin1String("input: ")))
                prompter().expectInput(QString(), QuantityPrompt, QStringLiteral("1"));
            else if (prompt.startsWith(QLatin1String("error: ")))
                prompter().expectError(prompt.mid(7));
            else
                prompter().expectInformation(prompt.mid(6));
        }
        if (file == QStringLiteral("Firm.db")) {
            Main->SpeedButton4->click();
            QCOMPARE(Doc->isVisible(), prompts.isEmpty());
        } else {
            QToolButton *browser = file == QStringLiteral("Details.db") ? Main->SpeedButton6
                                   : file == QStringLiteral("stock.db") ? Main->SpeedButton3
                                                                        : Main->SpeedButton7;
            browser->click();
            Form4->Table1->first();
            Form4->SpeedButton2->click();
        }
    }

    // A full start of the windows in a start folder that is read-only or a
    // full disk, then the invoice put together, a change to a goods record
    // and the end of the program, which saves the settings. The test runs
    // itself again with the folder shim preloaded; the shim takes effect
    // once the folder is made, and reads go on, every write gets its message,
    // and no file of the folder changes.
    void faultyStartFolder_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("read-only") << QStringLiteral("readonly");
        QTest::newRow("full disk") << QStringLiteral("full");
    }

    void faultyStartFolder()
    {
#ifdef Q_OS_WIN
        QSKIP("the fault comes from a shim preloaded by the Linux dynamic linker");
#endif
        QFETCH(QString, kind);
        if (qEnvironmentVariableIsEmpty("HOSTILE_FOLDER_FAULT")) {
            QProcess child;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("HOSTILE_FOLDER_FAULT"), kind);
            environment.insert(QStringLiteral("LD_PRELOAD"),
                               QCoreApplication::applicationDirPath() + QStringLiteral("/libfolder_fault.so"));
            const QString asan = environment.value(QStringLiteral("ASAN_OPTIONS"));
            environment.insert(QStringLiteral("ASAN_OPTIONS"), asan + (asan.isEmpty() ? QString() : QStringLiteral(":"))
                                                                   + QStringLiteral("verify_asan_link_order=0"));
            child.setProcessEnvironment(environment);
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("faultyStartFolder:") + QString::fromLatin1(QTest::currentDataTag())});
            QVERIFY(child.waitForFinished(120000));
            const QByteArray output = child.readAllStandardOutput() + child.readAllStandardError();
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
            QVERIFY2(output.contains("PASS   : tst_Hostile::faultyStartFolder"), output.constData());
            return;
        }
        if (qEnvironmentVariable("HOSTILE_FOLDER_FAULT") != kind)
            QSKIP("the child runs the other kind");
        QVERIFY(!TableMaker::makeTables(app().dir().path(), true).isEmpty());
        const auto files = [this] {
            QMap<QString, QByteArray> contents;
            QDirIterator it(app().dir().path(), QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                QFile file(it.next());
                contents[file.fileName()] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
            }
            return contents;
        };
        const QMap<QString, QByteArray> before = files();
        qputenv("FOLDER_FAULT_DIR", app().dir().path().toLocal8Bit());
        qputenv("FOLDER_FAULT_KIND", kind.toLatin1());

        app().start(prompter());
        Main->SpeedButton4->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QVERIFY(Doc->isVisible());
        Main->SpeedButton3->click();
        Form4->Table1->first();
        QVERIFY(Form4->DataSource1->setData(Form4->DataSource1->index(Form4->Table1->currentRow(), 0), QStringLiteral("99")));
        prompter().expectAnyError();
        runGuarded([] { Form4->Table1->post(); });
        QVERIFY2(prompter().finished(), prompter().problems());
        prompter().expectQuestion(UnprintedCloseQuestion, true);  // the page was assembled, not printed
        prompter().expectAnyError();
        Main->close();
        QVERIFY2(prompter().finished(), prompter().problems());
        for (const QString &line : std::as_const(prompter().transcript))
            qInfo("%s", qPrintable(line));

        qunsetenv("FOLDER_FAULT_DIR");
        QCOMPARE(files(), before);
    }
};

QTEST_MAIN(tst_Hostile)
#include "tst_hostile.moc"
