// Euro amounts in words through libnumbertext's Bulgarian module, and the
// words line of the page in either currency.

#include "common/Failure.h"
#include "document/AmountWords.h"
#include "document/EuroWords.h"
#include "document/FieldRules.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_EuroWords : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void wordsLine_data()
    {
        QTest::addColumn<QString>("total");
        QTest::addColumn<Currency>("currency");
        QTest::addColumn<QString>("words");
        const auto euro = [](const char *total, const char *words) {
            QTest::newRow(total) << QString::fromUtf8(total) << Currency::Euro << QString::fromUtf8(words);
        };
        euro("0.45", "нула евро и четиридесет и пет цента");
        euro("1.00", "едно евро");
        euro("1.01", "едно евро и един цент");
        euro("2.00", "две евро");
        euro("21.00", "двадесет и едно евро");
        euro("120.00", "сто и двадесет евро");
        euro("1001.00", "хиляда и едно евро");
        euro("21000.50", "двадесет и една хиляди евро и петдесет цента");
        euro("1234567.89", "един милион двеста тридесет и четири хиляди петстотин шестдесет и седем евро "
                           "и осемдесет и девет цента");
        euro("999999999.99", "деветстотин деветдесет и девет милиона деветстотин деветдесет и девет хиляди "
                             "деветстотин деветдесет и девет евро и деветдесет и девет цента");
        euro("2.4", "две евро и четиридесет цента");
        euro("12", "дванадесет евро");
        euro("-26.08", "двадесет и шест евро и осем цента");  // a credit note
        euro("--5.00", "");
        euro("1.234", "");
        euro("", "");
        // Leva keep their own words.
        QTest::newRow("leva 1.00") << "1.00" << Currency::Leva << "един лев";
        QTest::newRow("leva 21000.50") << "21000.50" << Currency::Leva << "двадесет и един хиляди  лева и 50 ст.";
    }
    void wordsLine()
    {
        QFETCH(QString, total);
        QFETCH(Currency, currency);
        QFETCH(QString, words);
        QCOMPARE(amountInWordsLine(total, currency), std::optional<QString>(words));
    }

    void leavesBelowOneUntouchedOnlyInLeva()
    {
        QCOMPARE(amountInWordsLine(QStringLiteral("0.45"), Currency::Leva), std::nullopt);
    }

    void missingDataIsAClearFailure()
    {
        QTemporaryDir empty;
        qputenv("BILVARO_NUMBERTEXT_DIR", empty.path().toUtf8());
        try {
            euroInWords(QStringLiteral("1.00"));
            QFAIL("spelt without the data folder");
        } catch (const Failure &failure) {
            QVERIFY2(failure.text().contains(QDir::toNativeSeparators(empty.path()))
                         && failure.text().contains(u"libnumbertext-data"),
                     qPrintable(failure.text()));
        }
        qunsetenv("BILVARO_NUMBERTEXT_DIR");
        QCOMPARE(euroInWords(QStringLiteral("2.00")), QStringLiteral("две евро"));
    }

    void totalsSign_data()
    {
        QTest::addColumn<QString>("total");
        QTest::addColumn<Currency>("currency");
        QTest::addColumn<QString>("shown");
        QTest::newRow("euro added") << "12.00" << Currency::Euro << "12.00 €";
        QTest::newRow("euro kept once") << "12.00 €" << Currency::Euro << "12.00 €";
        QTest::newRow("leva give way to euro") << "12.00 лв" << Currency::Euro << "12.00 €";
        QTest::newRow("euro gives way to leva") << "0 €" << Currency::Leva << "0 лв";
        QTest::newRow("leva kept once") << "5.50 лв" << Currency::Leva << "5.50 лв";
    }
    void totalsSign()
    {
        QFETCH(QString, total);
        QFETCH(Currency, currency);
        QFETCH(QString, shown);
        QCOMPARE(withCurrency(total, currency), shown);
        QCOMPARE(withCurrency(withCurrency(total, currency), currency), shown);
    }

    // Ten pixels a character: the breaks fall where the halving puts them.
    void breakUntilFits_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("broken");
        QTest::addColumn<int>("breaks");
        QTest::newRow("fits") << "abcd" << 40 << "abcd" << 0;
        QTest::newRow("one break") << "abcdef" << 30 << "abc\ndef" << 1;
        QTest::newRow("each half again") << "abcdefgh" << 20 << "ab\ncd\nef\ngh" << 3;
        QTest::newRow("only the half too wide") << "abcdefg" << 30 << "abc\nde\nfg" << 2;
        QTest::newRow("a character wider than the limit stays") << "ab" << 5 << "a\nb" << 1;
    }
    void breakUntilFits()
    {
        QFETCH(QString, caption);
        QFETCH(int, limit);
        QFETCH(QString, broken);
        QFETCH(int, breaks);
        const BrokenCaption result = ::breakUntilFits(caption, limit, [](const QString &line) { return 10 * int(line.size()); });
        QCOMPARE(result.text, broken);
        QCOMPARE(result.breaks, breaks);
    }
};

QTEST_GUILESS_MAIN(tst_EuroWords)
#include "tst_eurowords.moc"
