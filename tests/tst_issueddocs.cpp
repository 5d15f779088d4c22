// The register window "Издадени документи" on a register of three
// documents: opened from the main menu, it lists newest first, searches,
// sums, opens a PDF copy, prints a copy of the archived page and cancels.

#include "app/Menu.h"
#include "app/PrintLinks.h"
#include "reference/TableStore.h"
#include "reference/Unit4.h"
#include "common/Failure.h"
#include "register/IssuedDocs.h"
#include "register/IssuedRules.h"
#include "platform/Printers.h"
#include "support/AppFixture.h"
#include "support/SampleInvoice.h"
#include "support/ScriptedPrompter.h"
#include "support/SqlFile.h"

#include <QImage>
#include <QPrinter>
#include <QtTest>

class tst_IssuedDocs : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<AppFixture> m_app;
    QString m_image, m_pdf, m_printed;

    QStringList shownNumbers() const
    {
        QStringList numbers;
        for (int row = 0; row < IssuedDocs->model()->rowCount(); ++row)
            numbers << IssuedDocs->model()->index(row, RegisterModel::Number).data().toString();
        return numbers;
    }

private Q_SLOTS:
    void init()
    {
        m_prompter = std::make_unique<ScriptedPrompter>();
        m_app = std::make_unique<AppFixture>();
        const QString data = m_app->path(QStringLiteral("DB"));
        QVERIFY(QDir().mkpath(data));
        QVERIFY(makeOwnCompany(data));
        m_image = m_app->path(QStringLiteral("InvFirm1_0000000001_.bmp"));
        m_pdf = m_app->path(QStringLiteral("InvFirm1_0000000001_.pdf"));
        QImage page(60, 80, QImage::Format_RGB32);
        page.fill(Qt::white);
        QVERIFY(page.save(m_image, "BMP"));
        {
            RegisterStore store(data);
            for (const char16_t *client : {u"Първи ООД", u"Втори ЕТ", u"Трети АД"}) {
                const auto number = QString::number(store.find({}).size() + 1);
                store.recordPrint(sampleInvoice(DocumentKind::Invoice, NoteKind::None, Currency::Euro, number,
                                                QString::fromUtf16(client)),
                                  {m_image, m_pdf}, PrintMode::Original);
            }
        }
        m_printed = m_app->path(QStringLiteral("printed.pdf"));
        setPrinterSource([this] {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(m_printed);
            return printer;
        });
        m_app->start(*m_prompter);
        Main->SpeedButton11->click();
        QVERIFY(IssuedDocs->isVisible());
    }
    void cleanup()
    {
        QVERIFY2(m_prompter->finished(), m_prompter->problems());
        m_app.reset();
        m_prompter.reset();
        setPrinterSource({});
    }

    void listsSearchesAndSums()
    {
        QCOMPARE(shownNumbers(), QStringList({"0000000003", "0000000002", "0000000001"}));
        QCOMPARE(IssuedDocs->model()->index(0, RegisterModel::Client).data().toString(), QStringLiteral("Трети АД"));
        QCOMPARE(IssuedDocs->model()->index(0, RegisterModel::Total).data().toString(), QStringLiteral("19.85"));
        QVERIFY2(IssuedDocs->Label4->text().startsWith(QStringLiteral("3 документа в EUR: данъчна основа 49.62, ДДС 9.93, сума 59.55")),
                 qPrintable(IssuedDocs->Label4->text()));
        IssuedDocs->Edit1->setText(QStringLiteral("втори"));
        QCOMPARE(shownNumbers(), QStringList{"0000000002"});
        IssuedDocs->Edit2->setText(QStringLiteral("9.2.2026"));
        QCOMPARE(shownNumbers(), QStringList());
        QCOMPARE(IssuedDocs->Label4->text(), QStringLiteral("Няма документи."));
    }

    void opensPrintsAndCancels()
    {
        IssuedDocs->DBGrid1->selectRow(2);  // the first document
        QFile(m_pdf).open(QIODevice::WriteOnly);
        IssuedDocs->DBGrid1DblClick();
        QCOMPARE(m_app->shell.openedFiles, QStringList{m_pdf});

        // "Изпрати": to the address of the client's record, found by its ЕИК.
        const QString data = m_app->path(QStringLiteral("DB"));
        QVERIFY(TableMaker::makeTable(data, TableMaker::referenceTable(QStringLiteral("customer.db")),
                                      {{{QStringLiteral("Фирма"), QStringLiteral("Първи ООД")},
                                        {QStringLiteral("Идент №"), QStringLiteral("987654321")}}}));
        QCOMPARE(sqlOnFile(QDir(data).filePath(QStringLiteral("customer.db")),
                           {QStringLiteral("ALTER TABLE customer ADD COLUMN \"E-mail\" VARCHAR(60)"),
                            QStringLiteral("UPDATE customer SET \"E-mail\" = 'parvi@example.bg'")}),
                 QStringList());
        IssuedDocs->SpeedButton4Click();
        QCOMPARE(m_app->shell.mails,
                 QStringList{QStringLiteral("parvi@example.bg|Фактура № 0000000001 от 8.2.2026 г.|") + m_pdf});

        m_prompter->expectPrint(true);
        IssuedDocs->SpeedButton1Click();
        QVERIFY(QFileInfo(m_printed).size() > 0);
        QCOMPARE(IssuedDocs->model()->rowAt(2).copies, 1);

        const QString prompt = QStringLiteral("Причина за анулирането на документ № 0000000001 от 8.2.2026 г.:");
        m_prompter->expectInput(QStringLiteral("Анулирай"), prompt, QStringLiteral("грешен клиент"));
        IssuedDocs->SpeedButton2Click();
        QCOMPARE(IssuedDocs->model()->index(2, RegisterModel::Cancelled).data().toString(),
                 QStringLiteral("анулиран: грешен клиент"));
        QVERIFY(IssuedDocs->Label4->text().startsWith(QStringLiteral("2 документа в EUR")));
        IssuedDocs->DBGrid1->selectRow(2);
        QVERIFY_THROWS_EXCEPTION(Failure, IssuedDocs->SpeedButton2Click());
    }

    // What the print command calls: a copy printed first records the
    // document and its number, and the window lists it when shown again.
    void printCommandRecords()
    {
        const Invoice copy = sampleInvoice(DocumentKind::Invoice, NoteKind::None, Currency::Leva, QStringLiteral("4"));
        // The browser shows the own companies, read from Firm.db, as at printing.
        Main->SpeedButton5Click();
        QCOMPARE(int(recordInRegister(copy, QStringLiteral("Копие"), m_image, m_pdf)), int(Recorded::NewDocument));
        QCOMPARE(int(recordInRegister(copy, QStringLiteral("Оригинал"), m_image, m_pdf)), int(Recorded::CopyCounted));
        QCOMPARE(sqlOnFile(m_app->path(QStringLiteral("DB/Firm.db")), {QStringLiteral("SELECT \"Фактура №\" FROM Firm")}),
                 QStringList{QStringLiteral("0000000004")});
        QCOMPARE(Form4->Table1->text(QStringLiteral("Фактура №")), QStringLiteral("0000000004"));
        IssuedDocs->hide();
        Main->SpeedButton11->click();
        QCOMPARE(shownNumbers().value(0), QStringLiteral("0000000004"));
        QCOMPARE(IssuedDocs->model()->rowAt(0).copies, 2);
    }
};

QTEST_MAIN(tst_IssuedDocs)
#include "tst_issueddocs.moc"
