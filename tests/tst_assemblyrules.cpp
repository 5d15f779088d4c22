#include "common/Failure.h"
#include "document/AssemblyRules.h"

#include <QtTest>

using namespace AssemblyRules;

class tst_AssemblyRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void nextNumber_data()
    {
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("next");
        QTest::newRow("41") << "41" << "0000000042";
        QTest::newRow("zero") << "0" << "0000000001";
        QTest::newRow("padded") << "0000000012" << "0000000013";
        QTest::newRow("ten digits") << "9999999999" << "10000000000";
        QTest::newRow("eleven digits stay whole") << "12345678901" << "12345678902";
        QTest::newRow("blanks around") << " 7 " << "0000000008";
    }
    void nextNumber()
    {
        QFETCH(QString, last);
        QTEST(nextDocumentNumber(last), "next");
    }

    void notANumber_data()
    {
        QTest::addColumn<QString>("last");
        QTest::newRow("empty") << "";
        QTest::newRow("letters") << "abc";
        QTest::newRow("decimal") << "4.5";
        QTest::newRow("overflow") << "99999999999999999999";
        QTest::newRow("negative") << "-5";
    }
    void notANumber()
    {
        QFETCH(QString, last);
        QVERIFY_THROWS_EXCEPTION(Failure, nextDocumentNumber(last));
    }

    void noteHeading()
    {
        QCOMPARE(noteAccountHeading("Дебитно известие"), std::optional<QString>("Дебит с/ка"));
        QCOMPARE(noteAccountHeading("Кредитно известие"), std::optional<QString>("Кредит с/ка"));
        QCOMPARE(noteAccountHeading("Известие"), std::nullopt);
    }

    void documentDate_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("four-digit year") << QDate(2026, 12, 8) << "8.12.2026 г.";
        QTest::newRow("one-digit month") << QDate(2007, 1, 31) << "31.1.2007 г.";
    }
    void documentDate()
    {
        QFETCH(QDate, date);
        QTEST(AssemblyRules::documentDate(date), "text");
    }

    void numberLineReads()
    {
        QCOMPARE(numberLine("0000000042", "08.12.2026"), QStringLiteral("№ 0000000042 / Дата: 08.12.2026"));
    }
};

QTEST_GUILESS_MAIN(tst_AssemblyRules)
#include "tst_assemblyrules.moc"
