// The document as a value: what the page shows after "Към фактурата", read back.

#include "app/CurrentInvoice.h"
#include "app/Menu.h"
#include "document/Document.h"
#include "document/AssemblyRules.h"
#include "document/FieldRules.h"
#include "lines/Unit1.h"
#include "print/PagePicture.h"
#include "print/PrintRules.h"
#include "reference/Schema.h"
#include "reference/Unit4.h"
#include "support/DemoInvoice.h"
#include "support/WindowTest.h"
#include "tools/TableMaker.h"

#include <QDate>
#include <QProcess>
#include <QtTest>

namespace {

QString text(const QVariantMap &record, const Schema::Column &column)
{
    return record.value(column.name).toString();
}

void makeTables(AppFixture &app)
{
    makeDemoCompanies(app.path(QStringLiteral("DB")), QStringLiteral("41"), QStringLiteral("7"),
                      {Schema::Bank::FileName, Schema::Clients::FileName});
}

Amount amount(const char *text) { return Amount::parseOrThrow(QString::fromLatin1(text)); }

// The value the page must give back: the first company, bank and client of
// the demo tables, two lines of 100 at 20 %, and what the test typed.
Invoice expectedInvoice(const QString &heading, const QString &number, NoteKind note, Currency currency)
{
    const QString today = AssemblyRules::documentDate(QDate::currentDate());
    const QVariantMap firm = TableMaker::demoRecords(Schema::Firm::FileName).first();
    const QVariantMap bank = TableMaker::demoRecords(Schema::Bank::FileName).first();
    const QVariantMap client = TableMaker::demoRecords(Schema::Clients::FileName).first();
    using namespace Schema;
    Invoice invoice;
    invoice.kind = documentKindOf(heading);
    invoice.heading = heading;
    invoice.number = number;
    invoice.issueDate = today;
    invoice.currency = currency;
    invoice.supplier = {1,
                        {text(firm, Firm::Supplier), text(firm, Firm::Address), text(firm, Firm::Manager),
                         text(firm, Firm::VatNumber), text(firm, Firm::IdNumber)},
                        text(firm, Firm::SupplierSecondLine),
                        text(firm, Firm::AddressSecondLine),
                        text(firm, Firm::PlaceOfIssue)};
    invoice.client = {text(client, Clients::Company), text(client, Clients::Address), text(client, Clients::Manager),
                      text(client, Clients::VatNumber), text(client, Clients::IdNumber)};
    invoice.payment = {QStringLiteral("по банков път"), text(bank, Bank::Name), text(bank, Bank::Iban),
                       text(bank, Bank::Swift)};
    invoice.lines = {{1, QStringLiteral("Хартия\nкутия"), QStringLiteral("бр."), amount("3"), amount("20"), amount("60")},
                     {2, QStringLiteral("Тонер"), QStringLiteral("бр."), amount("1"), amount("40"), amount("40")}};
    invoice.totals = {amount("100"), QStringLiteral("20"), amount("20"), amount("120")};
    invoice.texts = {currency == Currency::Euro ? QStringLiteral("сто и двадесет евро") : QStringLiteral("сто двадесет лева"),
                     QString(76, u'.'),
                     QStringLiteral("/основание за неначисляване на ДДС и за нулева ставка/"),
                     QString(76, u'.'),
                     today,
                     today,
                     text(client, Clients::Manager),
                     text(firm, Firm::Manager)};
    if (note != NoteKind::None) {
        invoice.note = {note, QStringLiteral("01.12.2026"), QStringLiteral("0000000040"),
                        {{QStringLiteral("1"), QStringLiteral("411"), QStringLiteral("120.00")}}};
    }
    return invoice;
}

} // namespace

class tst_CurrentInvoice : public WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void pageReadsBackAsTheDocument_data()
    {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("noteText");
        QTest::addColumn<QString>("currency");
        QTest::addColumn<QString>("number");
        QTest::addColumn<int>("note");
        QTest::newRow("invoice in leva") << "ФАКТУРА" << "" << "лв" << "0000000042" << int(NoteKind::None);
        QTest::newRow("invoice in euro") << "ФАКТУРА" << "" << "EUR" << "0000000042" << int(NoteKind::None);
        QTest::newRow("proforma") << "ПРОФОРМА ФАКТУРА" << "" << "EUR" << "0000000008" << int(NoteKind::None);
        QTest::newRow("credit note") << "ФАКТУРА" << "Кредитно известие" << "EUR" << "0000000042"
                                     << int(NoteKind::Credit);
        QTest::newRow("debit note") << "ФАКТУРА" << "Дебитно известие" << "лв" << "0000000042"
                                    << int(NoteKind::Debit);
    }

    void pageReadsBackAsTheDocument()
    {
        QFETCH(QString, heading);
        QFETCH(QString, noteText);
        QFETCH(QString, currency);
        QFETCH(QString, number);
        QFETCH(int, note);
        makeTables(app());
        app().start(prompter());
        Form1->ComboBox2->setEditText(heading);
        Form1->ComboBox1->setEditText(noteText);
        Form1->ComboBox6->setCurrentIndex(Form1->ComboBox6->findText(currency));
        Main->SpeedButton7Click();
        Form4->SpeedButton2Click();
        addLine(QStringLiteral("Хартия\nкутия"), QStringLiteral("3"), QStringLiteral("20"));
        addLine(QStringLiteral("Тонер"), QStringLiteral("1"), QStringLiteral("40"));
        Main->SpeedButton4Click();

        prompter().expectInput(QString(), QString(), QStringLiteral("по банков път"));
        Doc->Label34Click(Doc->Label37);
        if (note != int(NoteKind::None)) {
            prompter().expectInput(QStringLiteral("от дата: "), QString(), QStringLiteral("01.12.2026"));
            prompter().expectInput(QStringLiteral(", към фактура №: "), QString(), QStringLiteral("40"));
            Doc->Label22Click();
            Doc->StringGrid1->setItem(1, 0, new QTableWidgetItem(QStringLiteral("1")));
            Doc->StringGrid1->setItem(1, 1, new QTableWidgetItem(QStringLiteral("411")));
            Doc->StringGrid1->setItem(1, 2, new QTableWidgetItem(QStringLiteral("120.00")));
        }

        const Invoice shown = currentInvoice();
        const Invoice expected = expectedInvoice(heading, number, NoteKind(note), *currencyFromText(currency));
        QCOMPARE(shown.heading, expected.heading);
        QVERIFY(shown.kind == expected.kind);
        QCOMPARE(shown.number, expected.number);
        QCOMPARE(shown.issueDate, expected.issueDate);
        QVERIFY(shown.currency == expected.currency);
        QCOMPARE(shown.note.invoiceNumber, expected.note.invoiceNumber);
        QVERIFY(shown.note == expected.note);
        QVERIFY(shown.supplier == expected.supplier);
        QVERIFY(shown.client == expected.client);
        QVERIFY(shown.payment == expected.payment);
        QVERIFY(shown.lines == expected.lines);
        QVERIFY(shown.totals == expected.totals);
        QCOMPARE(shown.texts.words, expected.texts.words);
        QVERIFY(shown.texts == expected.texts);
        QVERIFY(shown == expected);
    }

    // The PDF copy tells its document from the value, not from the file's name.
    void pdfCopyTellsTheDocument()
    {
        makeTables(app());
        rememberSettingsInLeva(app().dir().path());
        app().start(prompter());
        Main->SpeedButton7Click();
        Form4->SpeedButton2Click();
        addLine(QStringLiteral("Тонер"), QStringLiteral("1"), QStringLiteral("100"));
        Main->SpeedButton4Click();
        const Invoice invoice = currentInvoice();
        const PrintRules::PdfInfo info = PrintRules::pdfInfo(invoice);
        QCOMPARE(info.title, QStringLiteral("ФАКТУРА № 0000000042 / ") + invoice.issueDate);
        QCOMPARE(info.author, invoice.supplier.party.name);
        QCOMPARE(info.subject, invoice.client.name + QStringLiteral(", 120.00 лв"));

        const QString pdf = app().path(QStringLiteral("copy.pdf"));
        savePdfCopy(Doc->Panel1, pdf, info);
#ifdef Q_OS_WIN
        QSKIP("the properties are read back with poppler's pdfinfo, a Linux program");
#else
        const auto pdfinfo = [&pdf](const QStringList &options) {
            QProcess process;
            process.start(QStringLiteral("pdfinfo"), options + QStringList{pdf});
            process.waitForFinished(30000);
            return QString::fromUtf8(process.readAllStandardOutput());
        };
        const QString properties = pdfinfo({});
        QVERIFY2(properties.contains(QRegularExpression(QStringLiteral("Title: +") + QRegularExpression::escape(info.title))),
                 qPrintable(properties));
        const QString shown = pdfinfo({QStringLiteral("-meta")});
        QVERIFY2(shown.contains(info.author.toHtmlEscaped()), qPrintable(shown));
        QVERIFY2(shown.contains(info.subject.toHtmlEscaped()), qPrintable(shown));
#endif
    }
};

QTEST_MAIN(tst_CurrentInvoice)
#include "tst_currentinvoice.moc"
