#include "common/Failure.h"
#include "ledger/LedgerDialog.h"
#include "ledger/LedgerFiles.h"
#include "support/LedgerMonth.h"
#include "support/WindowTest.h"

#include <QComboBox>
#include <QLineEdit>
#include <QDateEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString NoPurchases = QStringLiteral(
    "Справка-декларацията (DEKLAR.TXT) съдържа и покупките, а програмата не води дневник за покупки. "
    "Програмата я записва само за месец без покупки: без получени фактури и известия и без протоколи по чл. 117 "
    "ЗДДС. Месец 12.2025 без покупки ли е?");
const QString ReturnIsAccountants =
    QStringLiteral("Справка-декларацията за 12.2025 изготвя счетоводителят заедно с дневника за покупки.");

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_LedgerDialog : public WindowTest {
    Q_OBJECT

    QTemporaryDir m_dir;

    // The dialog on December 2025 of the company no. 1, with the month closed.
    std::unique_ptr<LedgerDialog> december(const QList<LedgerDocument> &documents = december2025())
    {
        auto dialog = std::make_unique<LedgerDialog>(documents);
        dialog->setToday(QDate(2026, 1, 10));
        dialog->setPeriod({2025, 12});
        return dialog;
    }

    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private Q_SLOTS:
    void init()
    {
        WindowTest::init();
        QFile::remove(path(SalesLedgerFileName));
        QFile::remove(path(VatReturnFileName));
        QFile::remove(path(PurchaseLedgerFileName));
    }

    void monthWithoutPurchasesWritesBothFiles()
    {
        auto dialog = december();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Дневник за продажби"));
        QCOMPARE(dialog->companyBox->count(), 2);
        QCOMPARE(dialog->monthEdit->date(), QDate(2025, 12, 1));
        QVERIFY(dialog->summaryView->toPlainText().startsWith(ledgerSummary(dialog->ledger())));
        // A picture of the dialog stays among the build's artifacts.
        const QString picture = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("artifacts/ledger"));
        QVERIFY(QDir().mkpath(picture));
        QVERIFY(dialog->grab().save(QDir(picture).filePath(QStringLiteral("dialog.png"))));
        // The return names the person who files it by ЕГН and name.
        prompter().expectQuestion(NoPurchases, true);
        QVERIFY_THROWS_EXCEPTION(Failure, dialog->writeFiles());
        QVERIFY2(prompter().finished(), prompter().problems());
        dialog->filerEdit->setText(QStringLiteral("7501010010"));
        prompter().expectQuestion(NoPurchases, true)
            .expectFolder(LedgerFolderTitle, m_dir.path())
            .expectInformation(QStringLiteral("Записани:\n%1\n%2\n%3")
                                   .arg(QDir::toNativeSeparators(path(SalesLedgerFileName)),
                                        QDir::toNativeSeparators(path(PurchaseLedgerFileName)),
                                        QDir::toNativeSeparators(path(VatReturnFileName))));
        dialog->writeFiles();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(dialog->ledger().records.size(), 8);
        QCOMPARE(contents(path(SalesLedgerFileName)), salesLedgerFile(dialog->ledger()));
        QCOMPARE(contents(path(VatReturnFileName)), vatReturnFile(dialog->ledger()));
        QCOMPARE(contents(path(VatReturnFileName)).mid(71, 50).trimmed(), QByteArray("7501010010/\xC8\xE2\xE0\xED \xCF\xE5\xF2\xF0\xEE\xE2"));
        // A month without purchases files a purchase ledger without records.
        QVERIFY(QFile::exists(path(PurchaseLedgerFileName)));
        QCOMPARE(contents(path(PurchaseLedgerFileName)), QByteArray());
    }

    void purchasesLeaveTheReturnToTheAccountant()
    {
        auto dialog = december();
        prompter().expectQuestion(NoPurchases, false)
            .expectFolder(LedgerFolderTitle, m_dir.path())
            .expectInformation(QStringLiteral("Записани:\n%1\n%2")
                                   .arg(QDir::toNativeSeparators(path(SalesLedgerFileName)), ReturnIsAccountants));
        dialog->writeFiles();
        QVERIFY2(prompter().finished(), prompter().problems());
        QVERIFY(QFile::exists(path(SalesLedgerFileName)));
        QVERIFY(!QFile::exists(path(VatReturnFileName)));
    }

    void existingFileStaysUnlessReplaced_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::newRow("kept") << false;
        QTest::newRow("replaced") << true;
    }

    void existingFileStaysUnlessReplaced()
    {
        QFETCH(bool, replace);
        writeWholeFile(path(SalesLedgerFileName), "old");
        auto dialog = december();
        prompter().expectQuestion(NoPurchases, false)
            .expectFolder(LedgerFolderTitle, m_dir.path())
            .expectQuestion(QStringLiteral("Файлът „%1“ вече съществува. Да бъде ли заменен?")
                                .arg(QDir::toNativeSeparators(path(SalesLedgerFileName))),
                            replace);
        if (replace)
            prompter().expectInformation(QStringLiteral("Записани:\n%1\n%2")
                                             .arg(QDir::toNativeSeparators(path(SalesLedgerFileName)),
                                                  ReturnIsAccountants));
        dialog->writeFiles();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(contents(path(SalesLedgerFileName)) == "old", !replace);
    }

    void unplaceableDocumentWaitsForTheUsersCell()
    {
        LedgerDocument document = ledgerDocument(QStringLiteral("0000000031"), QDate(2025, 12, 1), "40.00", "0.00",
                                                 QStringLiteral("0"));
        document.invoice.texts.vatBasis = QStringLiteral("чл. 113, ал. 9");
        auto dialog = december({document});
        QCOMPARE(dialog->placementGrid->rowCount(), 1);
        QCOMPARE(dialog->placementGrid->item(0, 1)->text(), QStringLiteral("чл. 113, ал. 9"));
        QVERIFY_THROWS_EXCEPTION(Failure, dialog->writeFiles());
        QVERIFY2(prompter().finished(), prompter().problems());
        auto *cell = qobject_cast<QComboBox *>(dialog->placementGrid->cellWidget(0, 2));
        QVERIFY(cell);
        cell->setCurrentIndex(cell->findData(int(LedgerCell::Exempt)));
        QVERIFY(dialog->summaryView->toPlainText().contains(QStringLiteral("освободени доставки (02-19): 40.00")));
        // Another month and back: the grid is made again, the choice kept.
        dialog->setPeriod({2025, 11});
        dialog->setPeriod({2025, 12});
        QCOMPARE(dialog->placementGrid->rowCount(), 1);
        prompter().expectQuestion(NoPurchases, false).expectFolder(LedgerFolderTitle, m_dir.path()).expectInformation(
            QStringLiteral("Записани:\n%1\n%2").arg(QDir::toNativeSeparators(path(SalesLedgerFileName)), ReturnIsAccountants));
        dialog->writeFiles();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(contents(path(SalesLedgerFileName)).mid(392, 15), QByteArray("          40.00"));
    }

    // A month with intra-Community supplies or services to another member
    // state also needs the VIES declaration: the question says so.
    void viesMonthIsNamed()
    {
        LedgerDocument document = ledgerDocument(QStringLiteral("0000000032"), QDate(2025, 12, 1), "40.00", "0.00",
                                                 QStringLiteral("0"));
        document.invoice.texts.vatBasis = QStringLiteral("чл. 44 и чл. 196 от Директива 2006/112/ЕО");
        document.invoice.client.vatNumber = QStringLiteral("FR12345678901");
        auto dialog = december({document});
        prompter().expectQuestion(NoPurchases + QStringLiteral("\nМесец 12.2025 има доставки в клетки 02-15, 02-17 или "
                                                              "02-25: за него се подава и VIES-декларация, която "
                                                              "програмата записва във VIES.TXT."),
                                  false)
            .expectFolder(LedgerFolderTitle, QString());
        dialog->writeFiles();
        QVERIFY2(prompter().finished(), prompter().problems());
    }

    void openMonthAsksFirst()
    {
        auto dialog = december();
        dialog->setToday(QDate(2025, 12, 20));
        prompter().expectQuestion(QStringLiteral("Месец 12.2025 още не е приключил: документите, издадени до края му, "
                                               "също влизат в дневника.\nДа бъдат ли записани файловете?"),
                                false);
        dialog->writeFiles();
        QVERIFY2(prompter().finished(), prompter().problems());
        QVERIFY(!QFile::exists(path(SalesLedgerFileName)));
    }

    void emptyMonthWithPurchasesWritesNothing()
    {
        auto dialog = december();
        dialog->setPeriod({2025, 10});
        prompter()
            .expectQuestion(QStringLiteral("За 10.2025 няма издадени фактури и известия: дневникът е празен, "
                                           "справка-декларацията се подава с нули.\nДа бъдат ли записани файловете?"),
                            true)
            .expectQuestion(QString(NoPurchases).replace(QStringLiteral("12.2025"), QStringLiteral("10.2025")), false)
            .expectInformation(QStringLiteral("Дневникът за продажби за 10.2025 е празен и не се записва. ")
                               + QString(ReturnIsAccountants).replace(QStringLiteral("12.2025"), QStringLiteral("10.2025")));
        dialog->writeFiles();
    }

    void accountantsExport()
    {
        const QString chosen = m_dir.filePath(QStringLiteral("регистър"));
        prompter().expectQuestion(ExportLinesQuestion, true)
            .expectSaveFile(QStringLiteral("Експорт за счетоводителя"), chosen)
            .expectInformation(QStringLiteral("Записан: %1").arg(QDir::toNativeSeparators(chosen + QStringLiteral(".csv"))));
        exportForAccountant(december2025());
        QVERIFY2(prompter().finished(), prompter().problems());
        QVERIFY(contents(chosen + QStringLiteral(".csv")).startsWith("\xEF\xBB\xBF"));
    }
};

QTEST_MAIN(tst_LedgerDialog)
#include "tst_ledgerdialog.moc"
