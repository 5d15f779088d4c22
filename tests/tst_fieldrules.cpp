#include "document/FieldRules.h"

#include <QtTest>

class tst_FieldRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void padNumber_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("short number") << "42" << "0000000042";
        QTest::newRow("empty after Cancel") << "" << "0000000000";
        QTest::newRow("exactly ten") << "1234567890" << "1234567890";
        QTest::newRow("twelve digits stay whole") << "123456789012" << "123456789012";
        QTest::newRow("a date of nine characters") << "7.12.2007" << "07.12.2007";
        QTest::newRow("not digits, padded all the same") << "абв" << "0000000абв";
    }
    void padNumber()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QCOMPARE(::padNumber(typed), shown);
    }

    void padDate_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("one-digit day and month") << "7.1.2007" << "07.01.2007";
        QTest::newRow("one-digit day") << "7.12.2007" << "07.12.2007";
        QTest::newRow("already ten") << "07.01.2007" << "07.01.2007";
        QTest::newRow("the year's mark stays") << "2.1.2026 г." << "02.01.2026 г.";
        QTest::newRow("a two-digit year is no date here") << "7.1.07" << "7.1.07";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("words") << "вчера" << "вчера";
    }
    void padDate()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QCOMPARE(::padDate(typed), shown);
    }

    void noteReferenceCaption_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("caption");
        QTest::newRow("invoice from the register")
            << "8.2.2026 г." << "0000000042" << "от дата: 08.02.2026 г., към фактура №: 0000000042";
        QTest::newRow("short number padded") << "08.02.2026" << "42" << "от дата: 08.02.2026, към фактура №: 0000000042";
        QTest::newRow("no number") << "08.02.2026" << "" << "от дата: 08.02.2026, към фактура №: ";
    }
    void noteReferenceCaption()
    {
        QFETCH(QString, date);
        QFETCH(QString, number);
        QFETCH(QString, caption);
        QCOMPARE(::noteReferenceCaption(date, number), caption);
    }

    void breakAtMiddle_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("broken");
        QTest::newRow("even length") << "abcdef" << "abc\ndef";
        QTest::newRow("odd length: the longer half second") << "abcdefg" << "abc\ndefg";
        QTest::newRow("inside a word") << "ул. Витоша" << "ул. В\nитоша";
        QTest::newRow("an earlier line feed is just a character")
            << "ab\ncdefgh" << "ab\nc\ndefgh";
        QTest::newRow("one character") << "a" << "\na";
        QTest::newRow("words line between words") << "хиляда двеста тридесет и четири лева и 05 ст."
                                                  << "хиляда двеста тридесет\n и четири лева и 05 ст.";
    }
    void breakAtMiddle()
    {
        QFETCH(QString, caption);
        QFETCH(QString, broken);
        QCOMPARE(::breakAtMiddle(caption), broken);
    }

    void centredLeft_data()
    {
        QTest::addColumn<int>("headingLeft");
        QTest::addColumn<int>("headingWidth");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("left");
        QTest::newRow("narrower, even difference") << 361 << 113 << 101 << 367;
        QTest::newRow("narrower, odd difference truncated") << 361 << 113 << 102 << 366;
        QTest::newRow("as wide as the heading") << 361 << 113 << 113 << 361;
        QTest::newRow("wider, odd difference truncated toward zero") << 361 << 113 << 240 << 298;
        QTest::newRow("wider, even difference") << 361 << 113 << 239 << 298;
    }
    void centredLeft()
    {
        QFETCH(int, headingLeft);
        QFETCH(int, headingWidth);
        QFETCH(int, width);
        QFETCH(int, left);
        QCOMPARE(::centredLeft(headingLeft, headingWidth, width), left);
    }

    void withCurrency_data()
    {
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain amount") << "1234.50" << "1234.50 лв";
        QTest::newRow("already with the currency") << "1234.50 лв" << "1234.50 лв";
        QTest::newRow("currency inside a word counts") << "лвx" << "лвx";
        QTest::newRow("empty") << "" << " лв";
    }
    void withCurrency()
    {
        QFETCH(QString, total);
        QFETCH(QString, shown);
        QCOMPARE(::withCurrency(total, QStringLiteral("лв")), shown);
        QCOMPARE(::withCurrency(::withCurrency(total, QStringLiteral("лв")), QStringLiteral("лв")), shown);
    }

    void stackSections_data()
    {
        QTest::addColumn<int>("panel3Bottom");
        QTest::addColumn<int>("panel4Bottom");
        QTest::addColumn<int>("gridTop");
        // The note block ends at panel3Bottom + 2 + 37.
        QTest::newRow("supplier block lower") << 232 << 289 << 294;
        QTest::newRow("note block lower") << 260 << 289 << 304;
        QTest::newRow("both end together") << 250 << 289 << 294;
    }
    void stackSections()
    {
        QFETCH(int, panel3Bottom);
        QFETCH(int, panel4Bottom);
        QFETCH(int, gridTop);
        const SectionTops tops = ::stackSections({.panel3Bottom = panel3Bottom,
                                                  .panel4Bottom = panel4Bottom,
                                                  .panel2Height = 37,
                                                  .grid2Height = 45,
                                                  .bevel1Height = 2,
                                                  .memo4Height = 257,
                                                  .bevel3Height = 1});
        QCOMPARE(tops.panel2, panel3Bottom + 2);
        QCOMPARE(tops.grid2, gridTop);
        QCOMPARE(tops.bevel1, gridTop + 45 + 15);
        QCOMPARE(tops.memo4, tops.bevel1 + 2 + 6);
        QCOMPARE(tops.bevel3, tops.memo4 + 257 + 7);
        QCOMPARE(tops.panel5, tops.bevel3 + 1 + 9);
    }
};

QTEST_GUILESS_MAIN(tst_FieldRules)
#include "tst_fieldrules.moc"
