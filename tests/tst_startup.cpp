#include "app/Menu.h"
#include "document/Document.h"
#include "lines/SettingsFile.h"
#include "lines/Totals.h"
#include "lines/Unit1.h"
#include "lines/VatRate.h"
#include "platform/Paths.h"
#include "support/WindowTest.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList selectorTexts()
{
    return {Form1->ComboBox2->currentText(), Form1->ComboBox1->currentText(),
            Form1->ComboBox4->currentText(), Form1->ComboBox5->currentText()};
}

} // namespace

class tst_Startup : public WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void firstRunUsesDefaults()
    {
        app().start(prompter(), QStringLiteral("20%"));
        QCOMPARE(prompter().proposed, QStringList{"20%"});
        // A new start folder issues in the currency of the day.
        const Currency today = QDate::currentDate().year() >= 2026 ? Currency::Euro : Currency::Leva;
        QCOMPARE(Form1->MemList, SettingsFile::defaultsIn(today));
        QCOMPARE(selectorTexts(), SettingsFile::defaults().mid(1));
        QCOMPARE(Form1->Label2->text(), QStringLiteral("Данъчна ставка 20%\nразмер на данъка:"));
        QCOMPARE(Form1->VatRateText, QStringLiteral("0.20"));
        QCOMPARE(VatFactor, 0.2);
        QCOMPARE(Form1->CurrencyName, QStringLiteral("лв"));
    }

    void previousRunIsProposed()
    {
        SettingsFile::save(app().path("mem.txt"), {"18", "ПРОФОРМА ФАКТУРА", "Кредитно известие",
                                                 "чл. 113, ал. 9", "нулева ставка", "шести ред"});
        app().start(prompter(), QStringLiteral("18"));
        QCOMPARE(prompter().proposed, QStringList{"18"});
        QCOMPARE(selectorTexts(), (QStringList{"ПРОФОРМА ФАКТУРА", "Кредитно известие", "чл. 113, ал. 9",
                                               "нулева ставка"}));
        QCOMPARE(VatFactor, 0.18);
        QCOMPARE(Form1->ComboBox2->currentIndex(), 1);  // the arrow keys go on from the remembered item
        // Restoring the selectors wrote nothing onto the document.
        QCOMPARE(Doc->Label1->text(), QStringLiteral("ФАКТУРА"));
        QCOMPARE(Doc->Label21->text(), QString());
        QCOMPARE(Doc->Label19->text(), QString(76, u'.'));
        Main->close();
        QCOMPARE(app().shell.loopEnds, 1);
        QCOMPARE(SettingsFile::load(app().path("mem.txt")),
                 (QStringList{"18", "ПРОФОРМА ФАКТУРА", "Кредитно известие", "чл. 113, ал. 9",
                              "нулева ставка", "шести ред"}));
    }

    void shortFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("proposed");
        QTest::addColumn<QStringList>("selectors");
        QTest::newRow("three lines") << QByteArray("18\r\n\xcf\xd0\xce\xd4\xce\xd0\xcc\xc0 \xd4\xc0\xca\xd2\xd3\xd0\xc0\r\n\r\n")
                                     << "18" << QStringList{"ПРОФОРМА ФАКТУРА", "", "", ""};
        QTest::newRow("one line, LF") << QByteArray("9%\n") << "9%" << QStringList{"", "", "", ""};
        QTest::newRow("empty file") << QByteArray() << "20%" << QStringList{"", "", "", ""};
    }

    void shortFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, proposed);
        writeFile(app().path("mem.txt"), bytes);
        const int lines = int(SettingsFile::parse(bytes).size());
        prompter().expectMessage(SettingsFile::ShortSettingsMessage.arg(lines), Prompter::Icon::Warning);
        app().start(prompter(), proposed);
        QCOMPARE(prompter().proposed, QStringList{proposed});
        QTEST(selectorTexts(), "selectors");
        QCOMPARE(Form1->MemList.size(), 5);
        // Later writes reach every item; closing writes all five lines.
        Form1->ComboBox5->setEditText("нулева ставка");
        QCOMPARE(Form1->MemList[4], QStringLiteral("нулева ставка"));
        Main->close();
        QCOMPARE(SettingsFile::load(app().path("mem.txt")).size(), 5);
    }

    void unreadableFileIsReported()
    {
        QVERIFY(app().dir().mkdir("mem.txt"));
        prompter().expectAnyError();
        app().start(prompter(), QStringLiteral("20"));
        QCOMPARE(prompter().proposed, QStringList{"20%"});
        QCOMPARE(Form1->MemList.size(), 5);
        QCOMPARE(Form1->MemList[0], QStringLiteral("20"));
        QCOMPARE(VatFactor, 0.2);
        // The file is left as it is, and the program still ends.
        Main->show();
        QVERIFY(Main->close());
        QCOMPARE(app().shell.loopEnds, 1);
        QVERIFY(QFileInfo(app().path("mem.txt")).isDir());
    }

    void cancelKeepsTheProposal()
    {
        SettingsFile::save(app().path("mem.txt"), {"9%", "ФАКТУРА", "", "x", "y"});
        app().start(prompter(), std::nullopt);
        QCOMPARE(Form1->MemList[0], QStringLiteral("9%"));
        QCOMPARE(VatFactor, 0.09);
    }

    void unusableRate_data()
    {
        // The caption, the totals and the next start show the rate charged.
        QTest::addColumn<QString>("answer");
        QTest::newRow("not a number") << "abc";
        QTest::newRow("negative") << "-5%";
        QTest::newRow("empty") << "";
        QTest::newRow("beyond the range of amounts") << "922337203685478";
    }

    void unusableRate()
    {
        QFETCH(QString, answer);
        prompter().expectInput(QString(), QStringLiteral("ДДС"), answer);
        prompter().expectMessage(VatRate::BadRateMessage.arg(answer), Prompter::Icon::Warning);
        app().open();
        QCOMPARE(Form1->MemList[0], QStringLiteral("20%"));
        QCOMPARE(Form1->Label2->text(), QStringLiteral("Данъчна ставка 20%\nразмер на данъка:"));
        QCOMPARE(VatFactor, 0.2);
    }

    // A rate above 100 is refused and asked for again, proposing 20%, which a
    // Cancel then takes; only the rate charged is remembered.
    void rateAboveHundredIsAskedAgain_data()
    {
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QStringList>("answers");  // a null text is Cancel
        QTest::addColumn<QString>("charged");      // and remembered
        QTest::addColumn<double>("factor");
        QTest::newRow("200, then 20") << "20%" << QStringList{"200", "20"} << "20" << 0.2;
        QTest::newRow("100.01%, then cancelled") << "20%" << QStringList{"100.01%", QString()} << "20%" << 0.2;
        QTest::newRow("twice too high, then 9") << "20%" << QStringList{"150", "1000%", "9"} << "9" << 0.09;
        QTest::newRow("remembered 200%, cancelled twice") << "200%" << QStringList{QString(), QString()} << "20%"
                                                         << 0.2;
        QTest::newRow("100 as before") << "20%" << QStringList{"100"} << "100" << 1.0;
        QTest::newRow("0 as before") << "20%" << QStringList{"0"} << "0" << 0.0;
    }
    void rateAboveHundredIsAskedAgain()
    {
        QFETCH(QString, remembered);
        QFETCH(QStringList, answers);
        QFETCH(QString, charged);
        QFETCH(double, factor);
        SettingsFile::save(app().path("mem.txt"), {remembered, "ФАКТУРА", "", "x", "y"});
        QString shown = remembered;
        for (qsizetype i = 0; i < answers.size(); ++i) {
            if (i > 0)
                prompter().expectMessage(VatRate::RateAboveHundredMessage.arg(shown), Prompter::Icon::Warning);
            const QString &answer = answers[i];
            prompter().expectInput(QString(), QStringLiteral("ДДС"),
                                   answer.isNull() ? std::nullopt : std::optional<QString>(answer));
            shown = answer.isNull() ? (i == 0 ? remembered : QStringLiteral("20%")) : answer;
        }
        app().open();
        QCOMPARE(prompter().proposed.mid(1), QStringList(answers.size() - 1, QStringLiteral("20%")));
        QCOMPARE(Form1->MemList[0], charged);
        QCOMPARE(Form1->Label2->text(), QStringLiteral("Данъчна ставка %1%\nразмер на данъка:")
                                            .arg(charged.chopped(charged.endsWith(u'%') ? 1 : 0)));
        QCOMPARE(VatFactor, factor);
    }

    void selectorsWriteDocumentAndList()
    {
        app().start(prompter());
        Form1->ComboBox2->setCurrentIndex(1);
        QCOMPARE(Doc->Label1->text(), QStringLiteral("ПРОФОРМА ФАКТУРА"));
        QCOMPARE(Form1->MemList[1], QStringLiteral("ПРОФОРМА ФАКТУРА"));
        Form1->ComboBox1->setCurrentIndex(2);
        QCOMPARE(Doc->Label21->text(), QStringLiteral("Дебитно известие"));
        Form1->ComboBox1->setCurrentIndex(0);
        QCOMPARE(Doc->Label21->text(), QString());
        QCOMPARE(Form1->MemList[2], QString());
        Form1->ComboBox4->setCurrentIndex(2);
        QCOMPARE(Doc->Label19->text(), QStringLiteral("чл. 113, ал. 9"));
        QCOMPARE(Form1->MemList[3], QStringLiteral("чл. 113, ал. 9"));
        Form1->ComboBox5->setCurrentIndex(1);
        QCOMPARE(Doc->Label20->text(), QStringLiteral("/основание за начисляване на ДДС/"));
        QCOMPARE(Doc->Label20->x(), Doc->Label19->x());
        QCOMPARE(Form1->MemList[4], QStringLiteral("начисляване на ДДС"));
        Form1->ComboBox2->setEditText("СМЕТКА");
        QCOMPARE(Doc->Label1->text(), QStringLiteral("СМЕТКА"));
        // A typed text confirmed with Enter stays a text: the items stay as they are.
        QTest::keyClick(Form1->ComboBox2->lineEdit(), Qt::Key_Return);
        QCOMPARE(Form1->ComboBox2->count(), 2);
        QCOMPARE(Form1->ComboBox2->currentText(), QStringLiteral("СМЕТКА"));
        // No amount depends on the VAT mode.
        Form1->ComboBox5->setCurrentIndex(2);
        QCOMPARE(VatFactor, 0.2);
    }

    void newInvoiceKeepsTheSelectors()
    {
        app().start(prompter());
        Form1->ComboBox2->setCurrentIndex(1);
        Main->SpeedButton10->click();
        QCOMPARE(app().shell.newCopies, 1);
        QCOMPARE(app().shell.loopEnds, 1);
        QCOMPARE(SettingsFile::load(app().path("mem.txt")).value(1), QStringLiteral("ПРОФОРМА ФАКТУРА"));
    }

    void unwritableSettingsKeepTheProgramRunning()
    {
        app().start(prompter());
        QVERIFY(app().dir().mkdir("mem.txt"));
        Main->show();
        prompter().expectAnyError();
        QVERIFY(!Main->close());
        QVERIFY(Main->isVisible());
        QCOMPARE(app().shell.loopEnds, 0);
    }

    // The archive images and the update go where the program runs from, on
    // every system (an installation per user, or the older one under
    // "Program Files"), unless BILVARO_INSTALL_DIR names another folder.
    void installationFolderIsWhereTheProgramRuns()
    {
        const QByteArray kept = qgetenv("BILVARO_INSTALL_DIR");
        qunsetenv("BILVARO_INSTALL_DIR");
        QCOMPARE(installFolder(), QCoreApplication::applicationDirPath());
        qputenv("BILVARO_INSTALL_DIR", "/data/bilvaro/../bilvaro2007");
        QCOMPARE(installFolder(), QStringLiteral("/data/bilvaro2007"));
        if (kept.isNull())
            qunsetenv("BILVARO_INSTALL_DIR");
        else
            qputenv("BILVARO_INSTALL_DIR", kept);
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
