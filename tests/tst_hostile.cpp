// Hostile input through the real windows: texts typed into the staging
// editors of the line table, the VAT rate box and a grey field of the page,
// and own-company tables that are not as the program makes them. Each gets
// its message or is kept as typed; nothing crashes and the totals stay amounts.

#include "common/Amount.h"
#include "document/Document.h"
#include "lines/Unit1.h"
#include "support/AppFixture.h"
#include "support/ScriptedPrompter.h"
#include "tools/TableMaker.h"
#include "app/Menu.h"

#include <QtTest>

namespace {

// Two decimals after a point, and readable as an amount.
bool isTotal(const QString &text)
{
    const auto point = text.indexOf(u'.');
    return point > 0 && text.size() - point - 1 == 2 && Amount::parse(text).has_value();
}

} // namespace

class tst_Hostile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hostileText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("priceMessage");  // as a line's price; empty: the line is added
        QTest::addColumn<bool>("rateReads");
        const QString price = QStringLiteral("Попълнете коректно СТОЙНОСТТА на стоката");
        QTest::newRow("empty") << QString() << price << false;
        // The name alone fills the table with continuation rows.
        QTest::newRow("10,000 characters") << QString(10000, u'Щ')
                                           << QStringLiteral("Не могат да бъдат въведени повече от 25 артикула!") << false;
        QTest::newRow("control characters") << QStringLiteral("a\tb\x01\x1b[2J\x7f\r\nc\u2028d") << price << false;
        QTest::newRow("apostrophe") << QStringLiteral("'; DROP TABLE x; --'") << price << false;
        QTest::newRow("percent") << QStringLiteral("%1%s%n%%") << price << false;
        QTest::newRow("backslash") << QStringLiteral("\\\\0\\n\\") << price << false;
        QTest::newRow("Latin and Cyrillic") << QStringLiteral("Cоcа-Кола ООД") << price << false;
        QTest::newRow("30 digits") << QString(30, u'9')
                                   << QStringLiteral("Стойността на реда е твърде голяма: редът не е добавен.") << false;
        QTest::newRow("negative zero") << QStringLiteral("-0") << QString() << true;
        QTest::newRow("negative zero, two decimals") << QStringLiteral("-0.00") << QString() << true;
    }

    void hostileText()
    {
        QFETCH(QString, text);
        QFETCH(QString, priceMessage);
        const bool priceReads = priceMessage.isEmpty();
        QFETCH(bool, rateReads);
        ScriptedPrompter prompter;
        AppFixture app;
        prompter.expectInput(QString(), QStringLiteral("ДДС"), text);
        if (!rateReads)
            prompter.expectMessage(QStringLiteral("Ставката на ДДС „%1“ не е число или е отрицателна. Програмата ще "
                                                  "смята ДДС със ставка 20%.")
                                       .arg(text),
                                   Prompter::Icon::Warning);
        app.open();
        QVERIFY2(prompter.finished(), prompter.problems());

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
            prompter.expectInformation(priceMessage);
        QCOMPARE(Form1->AddLine(), priceReads);
        QVERIFY2(prompter.finished(), prompter.problems());
        QCOMPARE(Form1->StringGrid1->rowCount(), rows + int(priceReads));
        for (QLabel *total : {Form1->Label7, Form1->Label3, Form1->Label5})
            QVERIFY2(isTotal(total->text()), qPrintable(total->text()));
        QCOMPARE(Form1->Label7->text(), QStringLiteral("6.00"));

        // As a grey field of the page.
        prompter.expectInput(QString(), QString(), text);
        Doc->Label34Click(Doc->Label37);
        QCOMPARE(Doc->Label37->text(), text);
        QVERIFY2(prompter.finished(), prompter.problems());
    }

    // Own-company tables that are not as the program makes them, and logos
    // that are huge or no picture at all: the invoice is still put together
    // or stops with a message.
    void hostileOwnCompanyTable_data()
    {
        QTest::addColumn<QString>("change");  // what is done to the demo table
        QTest::addColumn<QVariant>("logo");
        QTest::addColumn<QString>("message");  // empty: the page is put together
        QTest::newRow("logo that is not a picture") << QString() << QVariant(QByteArray("no picture here\0\xff", 18)) << QString();
        QTest::newRow("50 MB logo") << QString() << QVariant(QByteArray(50 << 20, '\x42')) << QString();
        QTest::newRow("every field NULL") << QStringLiteral("nulls") << QVariant()
                                          << QStringLiteral("Номерът на последния документ „“ не е цяло число.");
        QTest::newRow("extra column") << QStringLiteral("extra") << QVariant() << QString();
        QTest::newRow("missing column") << QStringLiteral("missing") << QVariant()
                                        << QStringLiteral("Полето „Лого“ не е намерено.");
    }

    void hostileOwnCompanyTable()
    {
        QFETCH(QString, change);
        QFETCH(QVariant, logo);
        QFETCH(QString, message);
        ScriptedPrompter prompter;
        AppFixture app;
        const QString data = app.path(QStringLiteral("DB"));
        QVERIFY(QDir().mkpath(data));
        const QString firm = QStringLiteral("Firm.db");
        TableMaker::TableDefinition table = TableMaker::referenceTable(firm);
        QList<QVariantMap> records = TableMaker::demoRecords(firm);
        if (change == QStringLiteral("nulls")) {
            for (QVariantMap &record : records)
                record.clear();
        } else if (change == QStringLiteral("extra")) {
            table.columns.append({QStringLiteral("Бележка"), QStringLiteral("VARCHAR(20)")});
        } else if (change == QStringLiteral("missing")) {
            table.columns.removeIf([](const TableMaker::Column &c) { return c.name == QStringLiteral("Лого"); });
            for (QVariantMap &record : records)
                record.remove(QStringLiteral("Лого"));
        }
        if (logo.isValid())
            records[0][QStringLiteral("Лого")] = logo;
        QVERIFY(TableMaker::makeTable(data, table, records));
        QVERIFY(TableMaker::makeTable(data, TableMaker::referenceTable(QStringLiteral("Details.db")),
                                      TableMaker::demoRecords(QStringLiteral("Details.db"))));
        app.start(prompter);
        if (!message.isEmpty())
            prompter.expectError(message);
        Main->SpeedButton4->click();
        QVERIFY2(prompter.finished(), prompter.problems());
        QCOMPARE(Doc->isVisible(), message.isEmpty());
    }
};

QTEST_MAIN(tst_Hostile)
#include "tst_hostile.moc"
