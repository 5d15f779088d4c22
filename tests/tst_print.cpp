// The print window over real tables in a temporary start folder: the archive
// image and its PDF copy, the printed page (a PDF file standing in for the
// printer), the shell's print verb, the register and the number written back.

#include "app/CurrentInvoice.h"
#include "app/Menu.h"
#include "common/Failure.h"
#include "document/Document.h"
#include "einvoice/EInvoice.h"
#include "lines/Unit1.h"
#include "platform/Printers.h"
#include "print/Bitmap.h"
#include "print/Pr.h"
#include "print/PrintRules.h"
#include "reference/TableStore.h"
#include "reference/Unit4.h"
#include "register/IssuedRules.h"
#include "register/RegisterStore.h"
#include "support/DemoInvoice.h"
#include "support/EInvoiceRules.h"
#include "support/WindowTest.h"
#include "support/SqlFile.h"
#include "tools/TableMaker.h"

#include <QDir>
#include <QPrinter>
#include <QProcess>
#include <QtTest>

namespace {

const QString Firm = QStringLiteral("Firm.db");

// One column of a record of Firm.db, read straight from the file.
QString storedNumber(const QString &dataFolder, const QString &column, int record = 1)
{
    return sqlOnFile(dataFolder + QStringLiteral("/Firm.db"),
                     {QStringLiteral("SELECT \"%1\" FROM Firm ORDER BY rowid LIMIT 1 OFFSET %2").arg(column).arg(record - 1)})
        .value(0);
}

void storeNumber(const QString &dataFolder, const QString &number)
{
    QCOMPARE(sqlOnFile(dataFolder + QStringLiteral("/Firm.db"),
                       {QStringLiteral("UPDATE Firm SET \"Фактура №\" = '%1' WHERE rowid = (SELECT min(rowid) FROM Firm)").arg(number)}),
             QStringList());
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("%1 failed: %2").arg(program, QString::fromUtf8(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pdfPages(const QString &path)
{
#ifdef Q_OS_WIN
    // Without poppler's tools: the count of the page tree, which Qt's PDF
    // writer leaves uncompressed.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    static const QRegularExpression tree(QStringLiteral("/Type /Pages\\s.*?/Count (\\d+)"),
                                         QRegularExpression::DotMatchesEverythingOption);
    return tree.match(QString::fromLatin1(file.readAll())).captured(1).toInt();
#else
    static const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    return pages.match(run(QStringLiteral("pdfinfo"), {path})).captured(1).toInt();
#endif
}

} // namespace

class tst_Print : public WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        WindowTest::init();
        m_printed.clear();
        printToFiles();
        m_data = app().path(QStringLiteral("DB"));
        m_archive = app().path(QStringLiteral("install/DB"));
        qputenv("BILVARO_INSTALL_DIR", app().path(QStringLiteral("install")).toLocal8Bit());
        makeDemoCompanies(m_data, QStringLiteral("41"), QStringLiteral("7"),
                          {QStringLiteral("Details.db"), QStringLiteral("customer.db")});
    }
    void cleanup()
    {
        WindowTest::cleanup();
        setPrinterSource({});
        qunsetenv("BILVARO_INSTALL_DIR");
    }

    // Steps: "O" and "C" print the original and the copy (dialog confirmed),
    // "N<n>" types the document number, "S<n>" changes the stored invoice
    // number as the browser would.
    void numberWrittenBack_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("invoiceNumber");
        QTest::addColumn<QString>("proformaNumber");
        QTest::newRow("original") << "ФАКТУРА" << QStringList{"O"} << "0000000042" << "7";
        QTest::newRow("copy alone") << "ФАКТУРА" << QStringList{"C"} << "0000000042" << "7";
        QTest::newRow("proforma") << "ПРОФОРМА ФАКТУРА" << QStringList{"O", "C"} << "41" << "0000000008";
        // Written once: the copy leaves a number the user set meanwhile.
        QTest::newRow("original and copy") << "ФАКТУРА" << QStringList{"O", "S30", "C"} << "30" << "7";
        QTest::newRow("second invoice of the run") << "ФАКТУРА" << QStringList{"O", "C", "N0000000043", "O"} << "0000000043" << "7";
        QTest::newRow("reprint of a lower number") << "ФАКТУРА" << QStringList{"N0000000050", "O", "N0000000042", "O", "C"} << "0000000050" << "7";
    }
    void numberWrittenBack()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, steps);
        QFETCH(QString, invoiceNumber);
        QFETCH(QString, proformaNumber);
        assemble(kind);
        QVERIFY(QDir().mkpath(m_archive));
        QStringList archived;
        QStringList einvoices;  // an original of an invoice in euro has its e-invoice beside its PDF
        for (const QString &step : steps) {
            const QString argument = step.mid(1);
            if (step[0] == u'N') {
                Doc->NO->setText(argument);
            } else if (step[0] == u'S') {
                storeNumber(m_data, argument);
            } else {
                const QString number = Doc->NO->text();
                prompter().expectPrint(true);
                (step == u"O" ? PrintDlgOru->SpeedButton1 : PrintDlgOru->SpeedButton2)->click();
                QVERIFY2(prompter().finished(), prompter().problems());
                QCOMPARE(prompter().lastMinPage, 1);
                QCOMPARE(prompter().lastMaxPage, 1);
                QCOMPARE(Doc->Label8->text(), step == u"O" ? QStringLiteral("Оригинал") : QStringLiteral("Копие"));
                archived.append(QStringLiteral("%1Firm1_%2_%3.bmp")
                                    .arg(kind == u"ФАКТУРА" ? QStringLiteral("Inv") : QStringLiteral("Proform"),
                                         number, step == u"O" ? QString() : QStringLiteral("copy")));
                if (step == u"O" && kind == u"ФАКТУРА")
                    einvoices.append(archived.last().chopped(4) + QStringLiteral(".xml"));
            }
        }
        QCOMPARE(storedNumber(m_data, QStringLiteral("Фактура №")), invoiceNumber);
        QCOMPARE(storedNumber(m_data, QStringLiteral("Проформа №")), proformaNumber);
        QVERIFY(NumberRecorded);
        QVERIFY(!Form4->isVisible());
        QVERIFY(PrintDlgOru->isVisible());
        archived.removeDuplicates();
        QStringList expectedFiles = archived;
        for (const QString &name : archived)
            expectedFiles.append(name.chopped(4) + QStringLiteral(".pdf"));
        expectedFiles += einvoices;
        QStringList files = QDir(m_archive).entryList(QDir::Files);
        expectedFiles.sort();
        files.sort();
        QCOMPARE(files, expectedFiles);
        // Every print is one page on the printer; the shell only records its verb.
        QCOMPARE(m_printed.size(), steps.filter(QRegularExpression(QStringLiteral("^[OC]$"))).size());
        for (const QString &printed : m_printed)
            QCOMPARE(pdfPages(printed), 1);
        QCOMPARE(app().shell.printedFiles.size(), m_printed.size());
        QCOMPARE(QFileInfo(app().shell.printedFiles.last()).fileName(), archived.last());
    }

    void failedPrint_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<bool>("whitened");
        QTest::addColumn<bool>("archived");
        QTest::addColumn<bool>("printed");
        QTest::addColumn<bool>("recorded");
        QTest::newRow("no default printer") << "no printer" << true << false << false << false;
        // Recorded before the page is captured: the record stays.
        QTest::newRow("no archive folder") << "no folder" << true << false << false << true;
        // Recorded, the document is issued: its page is archived whatever the printer does.
        QTest::newRow("printer refuses the job") << "refused" << true << true << false << true;
        QTest::newRow("number not a number") << "0000000042x" << false << false << false << false;
        QTest::newRow("number leaving the folder") << "../../0000000042" << false << false << false << false;
        QTest::newRow("number with a colon") << "42:1" << false << false << false << false;
        QTest::newRow("no client") << "no client" << false << false << false << false;
        QTest::newRow("no line") << "no line" << false << false << false << false;
        QTest::newRow("dialog cancelled") << "cancel" << true << true << false << true;
    }
    void failedPrint()
    {
        QFETCH(QString, failure);
        QFETCH(bool, whitened);
        QFETCH(bool, archived);
        QFETCH(bool, printed);
        QFETCH(bool, recorded);
        assemble(QStringLiteral("ФАКТУРА"), failure != u"no client", failure != u"no line");
        const QString archive = m_archive + QStringLiteral("/InvFirm1_0000000042_.bmp");
        if (failure != u"no folder")
            QVERIFY(QDir().mkpath(m_archive));
        if (failure == u"no printer") {
            setPrinterSource([] { return std::unique_ptr<QPrinter>(); });
            prompter().expectError(NoPrinterMessage);
        } else if (failure == u"no folder") {
            prompter().expectError(cannotCreateFileMessage(archive));
        } else if (failure == u"refused") {
            refusePrintJobs();
            prompter().expectPrint(true).expectError(refusedMessage());
        } else if (failure == u"no client" || failure == u"no line") {
            prompter().expectError(PrintRules::emptyDocumentRefusal(Doc->Label33->text(), Doc->StringGrid2->rowCount() - 1)
                                       .value_or(QStringLiteral("refused")));
        } else if (failure == u"cancel") {
            prompter().expectPrint(false);
        } else {
            Doc->NO->setText(failure);
            prompter().expectError(QStringLiteral("Номерът на документа „%1“ не е цяло число.").arg(failure));
        }
        PrintDlgOru->SpeedButton1->click();

        for (QLabel *field : Doc->greyFields())
            QCOMPARE(field->palette().color(field->backgroundRole()), whitened ? QColor(Qt::white) : QColor(192, 192, 192));
        QCOMPARE(QFileInfo::exists(archive), archived);
        QCOMPARE(QFileInfo::exists(archive.chopped(4) + QStringLiteral(".pdf")), archived);
        QCOMPARE(QFileInfo::exists(archive.chopped(4) + QStringLiteral(".xml")), archived);
        QCOMPARE(QDir(m_archive).entryList(QDir::Files).size(), archived ? 3 : 0);
        QCOMPARE(!m_printed.isEmpty() && QFileInfo::exists(m_printed.last()), printed);
        // "Отказ" or a refused job: nothing goes to the shell's printing either.
        QCOMPARE(app().shell.printedFiles.size(), printed ? 1 : 0);
        QCOMPARE(storedNumber(m_data, QStringLiteral("Фактура №")), recorded ? QStringLiteral("0000000042") : QStringLiteral("41"));
        QCOMPARE(RegisterStore(m_data).find({}).size(), recorded ? 1 : 0);
        QCOMPARE(NumberRecorded, failure == u"cancel");
    }

    // A print that fails after recording its number leaves the document in
    // the register: no other program can issue the number with other content,
    // printing it again counts as a copy, and the next assembly takes the
    // number after it.
    void failedPrintKeepsItsNumber_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::newRow("printer refuses the job") << "refused";
        QTest::newRow("no archive folder") << "no folder";
    }
    void failedPrintKeepsItsNumber()
    {
        QFETCH(QString, failure);
        assemble(QStringLiteral("ФАКТУРА"));
        if (failure == u"refused") {
            QVERIFY(QDir().mkpath(m_archive));
            refusePrintJobs();
            prompter().expectPrint(true).expectAnyError();
        } else {
            prompter().expectAnyError();
        }
        PrintDlgOru->SpeedButton1->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(storedNumber(m_data, QStringLiteral("Фактура №")), QStringLiteral("0000000042"));

        const QString refusal = otherDocumentRefusal(QStringLiteral("0000000042"));
        QVERIFY(!refusal.isEmpty());
        QVERIFY2(refusal.contains(currentInvoice().client.name), qPrintable(refusal));

        QVERIFY(QDir().mkpath(m_archive));
        printToFiles();
        prompter().expectPrint(true);
        PrintDlgOru->SpeedButton1->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        // The copy's page beside the original's, where the refused print kept it.
        QCOMPARE(QDir(m_archive).entryList(QDir::Files).size(), failure == u"refused" ? 5 : 2);
        QCOMPARE(pdfPages(m_printed.last()), 1);
        RegisterStore store(m_data);
        const QList<qint64> held = store.find({});
        QCOMPARE(held.size(), 1);
        QCOMPARE(store.row(held[0]).copies, 1);
        QVERIFY(NumberRecorded);

        Main->SpeedButton4Click();
        QCOMPARE(Doc->NO->text(), QStringLiteral("0000000043"));
    }

    // A number printed again with other content is refused by the register;
    // where the register does not hold it (another start folder numbering
    // into the same archive), the page archived first is never replaced.
    void reprintKeepsTheEarlierPage_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("otherClient");
        QTest::addColumn<bool>("otherRegister");
        QTest::newRow("the same page again") << "O" << false << false;
        QTest::newRow("original for another client") << "O" << true << false;
        QTest::newRow("copy for another client") << "C" << true << false;
        QTest::newRow("another start folder, another client") << "O" << true << true;
    }
    void reprintKeepsTheEarlierPage()
    {
        QFETCH(QString, mode);
        QFETCH(bool, otherClient);
        QFETCH(bool, otherRegister);
        assemble(QStringLiteral("ФАКТУРА"));
        QVERIFY(QDir().mkpath(m_archive));
        QToolButton *button = mode == u"O" ? PrintDlgOru->SpeedButton1 : PrintDlgOru->SpeedButton2;
        const QString image = m_archive + (mode == u"O" ? QStringLiteral("/InvFirm1_0000000042_.bmp")
                                                        : QStringLiteral("/InvFirm1_0000000042_copy.bmp"));
        const QString pdf = image.chopped(4) + QStringLiteral(".pdf");
        prompter().expectPrint(true);
        button->click();
        const QByteArray first = fileBytes(image);
        const QByteArray firstPdf = fileBytes(pdf);

        const Invoice firstInvoice = currentInvoice();
        if (otherRegister)
            QVERIFY(QFile::remove(RegisterStore::filePath(m_data)));
        if (otherClient)
            pickClient(2);
        QStringList expected{QFileInfo(image).fileName(), QFileInfo(pdf).fileName()};
        if (mode == u"O")
            expected << QFileInfo(image).completeBaseName() + QStringLiteral(".xml");
        if (otherClient && !otherRegister) {
            prompter().expectError(IssuedRules::numberTakenMessage(QStringLiteral("0000000042"), QStringLiteral("Фактура"),
                                                                   firstInvoice.issueDate, firstInvoice.client.name));
        } else {
            prompter().expectPrint(true);
            // The same document again is a copy; another document of the
            // number takes a name of its own, with the company's ЕИК.
            const QString other = otherRegister
                                      ? PrintRules::distinctArchiveFileName(image, PrintRules::companyTag(
                                                                                       companyKey(firstInvoice.supplier)))
                                      : m_archive + QStringLiteral("/InvFirm1_0000000042_copy.bmp");
            expected << QFileInfo(other).fileName() << QFileInfo(other).completeBaseName() + QStringLiteral(".pdf");
            if (otherRegister)
                expected << QFileInfo(other).completeBaseName() + QStringLiteral(".xml");
        }
        button->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(fileBytes(image), first);
        QCOMPARE(fileBytes(pdf), firstPdf);
        expected.sort();
        QCOMPARE(QDir(m_archive).entryList(QDir::Files, QDir::Name), expected);
        QCOMPARE(storedNumber(m_data, QStringLiteral("Фактура №")), QStringLiteral("0000000042"));
    }

    // The original's e-invoice lies beside its PDF as the register records
    // it; an original whose data cannot make one is printed all the same,
    // and the user is told why it has none.
    void einvoiceBesideTheOriginal_data()
    {
        QTest::addColumn<bool>("sellerVat");
        QTest::newRow("written") << true;
        QTest::newRow("refused: no VAT number of the own company") << false;
    }
    void einvoiceBesideTheOriginal()
    {
        QFETCH(bool, sellerVat);
        assemble(QStringLiteral("ФАКТУРА"));
        QVERIFY(QDir().mkpath(m_archive));
        if (!sellerVat)
            Doc->Label11->clear();
        const Invoice invoice = currentInvoice();
        prompter().expectPrint(true);
        if (!sellerVat)
            prompter().expectMessage(EInvoice::refusal(invoice).value_or(QStringLiteral("no refusal")),
                                     Prompter::Icon::Warning);
        PrintDlgOru->SpeedButton1->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(m_printed.size(), 1);
        const QString xml = m_archive + QStringLiteral("/InvFirm1_0000000042_.xml");
        QCOMPARE(QFileInfo::exists(xml), sellerVat);
        RegisterStore store(m_data);
        const RegisterRow row = store.row(store.find({}).value(0));
        if (sellerVat) {
            QCOMPARE(fileBytes(xml), EInvoice::ublFile(store.invoice(row.id)));
            QCOMPARE(row.einvoice, xml);
            QCOMPARE(row.einvoiceDigest, FileDigest::ofFile(xml));
            // The page as the windows assembled it, grey fields left as they
            // are, makes a file the EN 16931 rules accept.
            if (const auto why = EInvoiceRules::unavailable())
                QSKIP(qPrintable(*why));
            QTemporaryDir alone;
            QVERIFY(QFile::copy(xml, alone.filePath(QStringLiteral("printed.xml"))));
            QString log;
            const auto failed = EInvoiceRules::validate(alone.path(), &log);
            QVERIFY2(failed, qPrintable(log));
            for (const auto &rule : failed->value(QStringLiteral("printed.xml")))
                QVERIFY2(rule.flag != u"fatal", qPrintable(rule.id + u' ' + rule.text));
            QVERIFY(failed->contains(QStringLiteral("printed.xml")));
        } else {
            QVERIFY(row.einvoice.isEmpty());
            QVERIFY(!row.einvoiceDigest.known());
        }
    }

    void fieldsAreGreyAgainAtTheNextAssembly()
    {
        assemble(QStringLiteral("ФАКТУРА"));
        QVERIFY(QDir().mkpath(m_archive));
        prompter().expectPrint(false);
        PrintDlgOru->SpeedButton1->click();
        for (QLabel *field : Doc->greyFields())
            QCOMPARE(field->palette().color(field->backgroundRole()), QColor(Qt::white));
        Main->SpeedButton4Click();
        for (QLabel *field : Doc->greyFields())
            QCOMPARE(field->palette().color(field->backgroundRole()), QColor(192, 192, 192));
    }

    // Another program prints a document of its own between assembly and
    // printing: the register refuses this one only under the same number.
    void numberTakenMeanwhile_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("otherRecords");
        QTest::addColumn<bool>("printed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("the assembled number") << "" << "0000000042" << false << "0000000042";
        QTest::newRow("a later number") << "" << "0000000045" << true << "0000000045";
        QTest::newRow("typed older number") << "0000000030" << "0000000042" << true << "0000000042";
        QTest::newRow("typed later number") << "0000000050" << "0000000042" << true << "0000000050";
    }
    void numberTakenMeanwhile()
    {
        QFETCH(QString, typed);
        QFETCH(QString, otherRecords);
        QFETCH(bool, printed);
        QFETCH(QString, stored);
        assemble(QStringLiteral("ФАКТУРА"));
        QVERIFY(QDir().mkpath(m_archive));
        if (!typed.isEmpty())
            Doc->NO->setText(typed);
        QCOMPARE(otherDocumentRefusal(otherRecords), QString());
        if (printed)
            prompter().expectPrint(true);
        else
            prompter().expectError(IssuedRules::numberTakenMessage(QStringLiteral("0000000042"), QStringLiteral("Фактура"),
                                                                   currentInvoice().issueDate, OtherClient));
        PrintDlgOru->SpeedButton1->click();

        QCOMPARE(QDir(m_archive).entryList(QDir::Files).size(), printed ? 3 : 0);
        QCOMPARE(!m_printed.isEmpty() && QFileInfo::exists(m_printed.last()), printed);
        QCOMPARE(app().shell.printedFiles.size(), printed ? 1 : 0);
        QCOMPARE(storedNumber(m_data, QStringLiteral("Фактура №")), stored);
        QCOMPARE(RegisterStore(m_data).find({}).size(), printed ? 2 : 1);
        QCOMPARE(NumberRecorded, printed);
    }

    // An original printed again is a copy: marked "Копие" on paper and in the
    // archive, with no word of other content; the archived picture of a page
    // does not depend on what had the focus.
    void printedAgainIsACopy()
    {
        assemble(QStringLiteral("ФАКТУРА"));
        QVERIFY(QDir().mkpath(m_archive));
        prompter().expectPrint(true);
        PrintDlgOru->SpeedButton1->click();
        const QString copy = m_archive + QStringLiteral("/InvFirm1_0000000042_copy.bmp");
        QList<QByteArray> copies;
        for (QWidget *focused : std::initializer_list<QWidget *>{Doc->StringGrid2, PrintDlgOru->SpeedButton2}) {
            focused->setFocus();
            Doc->StringGrid2->setCurrentCell(0, 1);
            prompter().expectPrint(true);
            PrintDlgOru->SpeedButton1->click();
            QVERIFY2(prompter().finished(), prompter().problems());
            QCOMPARE(Doc->Label8->text(), QStringLiteral("Копие"));
            copies.append(fileBytes(copy));
        }
        QCOMPARE(copies[0], copies[1]);
        RegisterStore store(m_data);
        QCOMPARE(store.row(store.find({}).value(0)).copies, 2);
#ifndef Q_OS_WIN
        const QString text = run(QStringLiteral("pdftotext"), {copy.chopped(4) + QStringLiteral(".pdf"), QStringLiteral("-")});
        QVERIFY2(text.contains(QStringLiteral("Копие")) && !text.contains(QStringLiteral("Оригинал")), qPrintable(text));
#endif
    }

    // A print's archive files and the register it makes hold the buyer's
    // personal data: on Linux they are the user's alone, whatever the umask.
    void printedFilesAreTheUsersOnly_data()
    {
        QTest::addColumn<QString>("file");  // in the start folder
        QTest::newRow("archive image") << QStringLiteral("install/DB/InvFirm1_0000000042_.bmp");
        QTest::newRow("PDF copy") << QStringLiteral("install/DB/InvFirm1_0000000042_.pdf");
        QTest::newRow("register") << QStringLiteral("DB/Register.db");
        QTest::newRow("table the table maker made") << QStringLiteral("DB/Firm.db");
    }
    void printedFilesAreTheUsersOnly()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows keeps the access list of the folder");
#endif
        QFETCH(QString, file);
        assemble(QStringLiteral("ФАКТУРА"));
        QVERIFY(QDir().mkpath(m_archive));
        prompter().expectPrint(false);
        PrintDlgOru->SpeedButton1->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        const QFileInfo written(app().path(file));
        QVERIFY2(written.isFile(), qPrintable(written.filePath()));
        const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        QCOMPARE(written.permissions(), ownerOnly);
    }

    void pdfCopyHasTheText()
    {
        assemble(QStringLiteral("ФАКТУРА"));
        Main->SpeedButton7Click();
        Form4->SpeedButton2Click();  // the first demo client
        QVERIFY(QDir().mkpath(m_archive));
        PrintDlgOru->ComboBox1->setEditText(QStringLiteral("32 бита цвят"));
        prompter().expectPrint(false);
        PrintDlgOru->SpeedButton2->click();
        const QString pdf = m_archive + QStringLiteral("/InvFirm1_0000000042_copy.pdf");
        QCOMPARE(pdfPages(pdf), 1);
#ifdef Q_OS_WIN
        QSKIP("the text is read back with poppler's pdftotext, a Linux program");
#endif
        const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
                                 .simplified();
        for (const QString &expected : {Doc->Label33->text(), QStringLiteral("0000000042"), Doc->Label3->text(),
                                        QStringLiteral("Копие")})
            QVERIFY2(text.contains(expected.simplified()), qPrintable(expected + QStringLiteral(" not in: ") + text));
    }

    void windowByTheDocument()
    {
        app().start(prompter());
        Doc->setGeometry(100, 60, 1000, 700);
        Doc->show();
        Doc->SpeedButton1->click();
        QVERIFY(PrintDlgOru->isVisible());
        QCOMPARE(PrintDlgOru->windowTitle(), QStringLiteral("Принтер"));
        QCOMPARE(PrintDlgOru->size(), QSize(224, 194));
        QCOMPARE(PrintDlgOru->frameGeometry().topLeft(),
                 QPoint(Doc->frameGeometry().left() + Doc->frameGeometry().width() - 400, Doc->frameGeometry().top() + 40));
        QCOMPARE(PrintDlgOru->ComboBox1->currentText(), QStringLiteral("8 бита цвят"));
        QCOMPARE(PrintDlgOru->ComboBox1->count(), 3);
    }

private:
    // Assembles a document of this kind with one line for the first client.
    void assemble(const QString &kind, bool withClient = true, bool withLine = true)
    {
        app().start(prompter());
        Form1->ComboBox2->setEditText(kind);
        if (withLine) {
            addLine(QStringLiteral("Кафе"), QStringLiteral("2"), QStringLiteral("12.50"));
        }
        if (withClient)
            pickClient(1);
        Main->SpeedButton4Click();
        QCOMPARE(Doc->NO->text(), kind == u"ФАКТУРА" ? QStringLiteral("0000000042") : QStringLiteral("0000000008"));
        Doc->SpeedButton1Click();
    }

    // Another program records the document on the page under this number
    // for another client, through a register connection of its own; gives
    // back the register's refusal, or nothing when it was recorded.
    QString otherDocumentRefusal(const QString &number)
    {
        Invoice other = currentInvoice();
        other.number = number;
        other.client.name = OtherClient;
        try {
            RegisterStore(m_data).recordPrint(other, {}, PrintMode::Original);
            return QString();
        } catch (const Failure &failure) {
            return failure.text();
        }
    }
    static inline const QString OtherClient = QStringLiteral("Друга фирма ООД");

    static void pickClient(int record)
    {
        Main->SpeedButton7Click();
        Form4->Table1->setRecNo(record);
        Form4->SpeedButton2Click();
        Form4->SpeedButton1Click();
    }

    // Each print job goes to a PDF file of its own in the start folder.
    void printToFiles()
    {
        setPrinterSource([this] {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
            const QString file = app().path(QStringLiteral("printed-%1.pdf").arg(++m_printers));
            printer->setOutputFileName(file);
            m_printed.append(file);
            return printer;
        });
    }

    // Every later print job goes to a PDF file in a folder that does not
    // exist: the printer refuses the job.
    void refusePrintJobs()
    {
        setPrinterSource([this] {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(app().path(QStringLiteral("no such folder/printed.pdf")));
            return printer;
        });
    }

    QString refusedMessage()
    {
        return PrintRules::printRefusedMessage(
            QDir::toNativeSeparators(app().path(QStringLiteral("no such folder/printed.pdf"))), QString());
    }

    QString m_data;
    QString m_archive;
    QStringList m_printed;
    int m_printers = 0;
};

QTEST_MAIN(tst_Print)
#include "tst_print.moc"
