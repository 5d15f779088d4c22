#include "document/AmountWords.h"

#include <QtTest>

#include <algorithm>
#include <climits>
#include <functional>
#include <map>
#include <vector>

using Step = std::function<void(const QString &, QString &)>;

static Step stepNamed(const QString &name)
{
    static const std::map<QString, Step> steps = {
        {QStringLiteral("AddOnes"), AddOnes},
        {QStringLiteral("AddTens"), AddTens},
        {QStringLiteral("AddHundreds"), AddHundreds},
        {QStringLiteral("AddThousands"), AddThousands},
        {QStringLiteral("AddTensOfThousands"), AddTensOfThousands},
        {QStringLiteral("AddHundredsOfThousands"), AddHundredsOfThousands},
    };
    return steps.at(name);
}

class tst_AmountWords : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void wordTables_data()
    {
        QTest::addColumn<int>("d");
        QTest::addColumn<QString>("neuter");
        QTest::addColumn<QString>("masculine");
        QTest::newRow("1") << 1 << "едно" << "един";
        QTest::newRow("2") << 2 << "две" << "два";
        QTest::newRow("3") << 3 << "три" << "три";
        QTest::newRow("4") << 4 << "четири" << "четири";
        QTest::newRow("5") << 5 << "пет" << "пет";
        QTest::newRow("6") << 6 << "шест" << "шест";
        QTest::newRow("7") << 7 << "седем" << "седем";
        QTest::newRow("8") << 8 << "осем" << "осем";
        QTest::newRow("9") << 9 << "девет" << "девет";
        QTest::newRow("10") << 10 << "десет" << "десет";
        QTest::newRow("0 has no word") << 0 << "" << "";
        QTest::newRow("11 has no word") << 11 << "" << "";
        QTest::newRow("-1 has no word") << -1 << "" << "";
        QTest::newRow("INT_MIN has no word") << INT_MIN << "" << "";
        QTest::newRow("INT_MAX has no word") << INT_MAX << "" << "";
    }
    void wordTables()
    {
        QFETCH(int, d);
        QFETCH(QString, neuter);
        QFETCH(QString, masculine);
        QCOMPARE(NumWordsNeuter[d].toString(), neuter);
        QCOMPARE(NumWordsMasculine[d].toString(), masculine);
    }

    void spellWholeNumber_data()
    {
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QString>("words");
        // Units, tens and teens.
        QTest::newRow("1") << "1" << "един";
        QTest::newRow("2") << "2" << "два";
        QTest::newRow("9") << "9" << "девет";
        QTest::newRow("10") << "10" << "десет";
        QTest::newRow("11") << "11" << "единадесет";
        QTest::newRow("12") << "12" << "дванадесет";
        QTest::newRow("15") << "15" << "петнадесет";
        QTest::newRow("19") << "19" << "деветнадесет";
        QTest::newRow("20") << "20" << "двадесет";
        QTest::newRow("21") << "21" << "двадесет и един";
        QTest::newRow("22") << "22" << "двадесет и два";
        QTest::newRow("90") << "90" << "деветдесет";
        QTest::newRow("99") << "99" << "деветдесет и девет";
        // Hundreds: a whole hundred ends in a blank; 10..19 after hundreds take "и ", 20..99 do not.
        QTest::newRow("100") << "100" << "сто ";
        QTest::newRow("101") << "101" << "сто и един";
        QTest::newRow("105") << "105" << "сто и пет";
        QTest::newRow("110") << "110" << "сто и десет";
        QTest::newRow("111") << "111" << "сто и единадесет";
        QTest::newRow("115") << "115" << "сто и петнадесет";
        QTest::newRow("120") << "120" << "сто двадесет";
        QTest::newRow("125") << "125" << "сто двадесет и пет";
        QTest::newRow("200") << "200" << "двеста ";
        QTest::newRow("302") << "302" << "триста и два";
        QTest::newRow("400") << "400" << "четиристотин ";
        QTest::newRow("512") << "512" << "петстотин и дванадесет";
        QTest::newRow("999") << "999" << "деветстотин деветдесет и девет";
        // Four digits: neuter thousands digit; "и " before a whole hundred only.
        QTest::newRow("1000") << "1000" << "хиляда ";
        QTest::newRow("1001") << "1001" << "хиляда и един";
        QTest::newRow("1010") << "1010" << "хиляда и десет";
        QTest::newRow("1015") << "1015" << "хиляда и петнадесет";
        QTest::newRow("1020") << "1020" << "хиляда двадесет";
        QTest::newRow("1025") << "1025" << "хиляда двадесет и пет";
        QTest::newRow("1100") << "1100" << "хиляда и сто ";
        QTest::newRow("1105") << "1105" << "хиляда сто и пет";
        QTest::newRow("1120") << "1120" << "хиляда сто двадесет";
        QTest::newRow("1234") << "1234" << "хиляда двеста тридесет и четири";
        QTest::newRow("2000") << "2000" << "две хиляди ";
        QTest::newRow("2005") << "2005" << "две хиляди и пет";
        QTest::newRow("2017") << "2017" << "две хиляди и седемнадесет";
        QTest::newRow("2300") << "2300" << "две хиляди и триста ";
        QTest::newRow("9999") << "9999" << "девет хиляди деветстотин деветдесет и девет";
        // Five digits: the thousands group by AddTens (masculine, no "и " before a teen).
        QTest::newRow("10000") << "10000" << "десет хиляди ";
        QTest::newRow("11000") << "11000" << "единадесет хиляди ";
        QTest::newRow("12000") << "12000" << "дванадесет хиляди ";
        QTest::newRow("12005") << "12005" << "дванадесет хиляди и пет";
        QTest::newRow("12010") << "12010" << "дванадесет хиляди и десет";
        QTest::newRow("12015") << "12015" << "дванадесет хиляди и петнадесет";
        QTest::newRow("12020") << "12020" << "дванадесет хиляди и двадесет";
        QTest::newRow("12025") << "12025" << "дванадесет хиляди и двадесет и пет";
        QTest::newRow("12100") << "12100" << "дванадесет хиляди и сто ";
        QTest::newRow("12345") << "12345" << "дванадесет хиляди и триста четиридесет и пет";
        QTest::newRow("21000") << "21000" << "двадесет и един хиляди ";
        QTest::newRow("22000") << "22000" << "двадесет и два хиляди ";
        QTest::newRow("99999") << "99999" << "деветдесет и девет хиляди и деветстотин деветдесет и девет";
        // Six digits: a whole-hundred thousands group gives two blanks.
        QTest::newRow("100000") << "100000" << "сто  хиляди ";
        QTest::newRow("100100") << "100100" << "сто  хиляди и сто ";
        QTest::newRow("101000") << "101000" << "сто и един хиляди ";
        QTest::newRow("102000") << "102000" << "сто и два хиляди ";
        QTest::newRow("110000") << "110000" << "сто и десет хиляди ";
        QTest::newRow("115015") << "115015" << "сто и петнадесет хиляди и петнадесет";
        QTest::newRow("123456") << "123456" << "сто двадесет и три хиляди и четиристотин петдесет и шест";
        QTest::newRow("200005") << "200005" << "двеста  хиляди и пет";
        QTest::newRow("900000") << "900000" << "деветстотин  хиляди ";
        QTest::newRow("999999") << "999999"
                                << "деветстотин деветдесет и девет хиляди и деветстотин деветдесет и девет";
        // Not a whole number of 1 to 6 digits: no words.
        QTest::newRow("empty") << "" << "";
        QTest::newRow("0") << "0" << "";
        QTest::newRow("leading zero") << "012" << "";
        QTest::newRow("7 digits") << "1234567" << "";
        QTest::newRow("sign") << "-5" << "";
        QTest::newRow("plus") << "+5" << "";
        QTest::newRow("blank") << " 5" << "";
        QTest::newRow("letter") << "12a" << "";
        QTest::newRow("non-ASCII digit") << "١٢" << "";
    }
    void spellWholeNumber()
    {
        QFETCH(QString, digits);
        QFETCH(QString, words);
        QCOMPARE(::spellWholeNumber(digits), words);
    }

    // Each step appends to the text it is given, reads only its own positions
    // from the right, and looks at the existing text only for 10..19 in AddTens.
    void steps_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("D");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("ones alone") << "AddOnes" << "7" << "" << "седем";
        QTest::newRow("ones of a long string") << "AddOnes" << "12345" << "" << "пет";
        QTest::newRow("ones appended") << "AddOnes" << "5" << "сто и " << "сто и пет";
        QTest::newRow("teen alone") << "AddTens" << "15" << "" << "петнадесет";
        QTest::newRow("teen after text") << "AddTens" << "15" << "сто " << "сто и петнадесет";
        QTest::newRow("ten after text") << "AddTens" << "10" << "хиляда " << "хиляда и десет";
        QTest::newRow("eleven after text") << "AddTens" << "11" << "x" << "xи единадесет";
        QTest::newRow("twenty after text") << "AddTens" << "20" << "сто " << "сто двадесет";
        QTest::newRow("twenty-five after text") << "AddTens" << "25" << "хиляда " << "хиляда двадесет и пет";
        QTest::newRow("tens of a long string") << "AddTens" << "12345" << "" << "четиридесет и пет";
        QTest::newRow("hundreds of a long string") << "AddHundreds" << "12345" << ""
                                                   << "триста четиридесет и пет";
        QTest::newRow("hundreds appended") << "AddHundreds" << "115" << "хиляда " << "хиляда сто и петнадесет";
        QTest::newRow("thousands of a long string") << "AddThousands" << "12345" << ""
                                                    << "две хиляди триста четиридесет и пет";
        QTest::newRow("tens of thousands of a long string") << "AddTensOfThousands" << "912345" << ""
                                                            << "дванадесет хиляди и триста четиридесет и пет";
        QTest::newRow("tens of thousands after text") << "AddTensOfThousands" << "12015" << "x "
                                                      << "x и дванадесет хиляди и петнадесет";
        QTest::newRow("hundreds of thousands of a long string")
            << "AddHundredsOfThousands" << "1123456" << ""
            << "сто двадесет и три хиляди и четиристотин петдесет и шест";
    }
    void steps()
    {
        QFETCH(QString, step);
        QFETCH(QString, D);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QString words = before;
        stepNamed(step)(D, words);
        QCOMPARE(words, after);
    }

    // Input no caller gives: a missing position or a non-digit reads as 0,
    // and a zero where a word is taken adds nothing.
    void stepsOutsideTheirInput_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("D");
        QTest::addColumn<QString>("words");
        QTest::newRow("ones of empty") << "AddOnes" << "" << "";
        QTest::newRow("ones of 0") << "AddOnes" << "0" << "";
        QTest::newRow("ones of a letter") << "AddOnes" << "a" << "";
        QTest::newRow("ones of a non-ASCII digit") << "AddOnes" << "٥" << "";
        QTest::newRow("tens of empty") << "AddTens" << "" << "";
        QTest::newRow("tens of one digit") << "AddTens" << "5" << "";
        QTest::newRow("tens of 00") << "AddTens" << "00" << "";
        QTest::newRow("tens with a letter") << "AddTens" << "x5" << "";
        QTest::newRow("hundreds of one digit") << "AddHundreds" << "5" << "и пет";
        QTest::newRow("hundreds of empty") << "AddHundreds" << "" << "";
        QTest::newRow("thousands of empty") << "AddThousands" << "" << " хиляди ";
        QTest::newRow("thousands with a letter") << "AddThousands" << "1a05" << "хиляда и пет";
        QTest::newRow("tens of thousands of empty") << "AddTensOfThousands" << "" << " хиляди ";
        QTest::newRow("hundreds of thousands of empty") << "AddHundredsOfThousands" << "" << " хиляди ";
        QTest::newRow("hundreds of thousands of 000000") << "AddHundredsOfThousands" << "000000" << " хиляди ";
    }
    void stepsOutsideTheirInput()
    {
        QFETCH(QString, step);
        QFETCH(QString, D);
        QFETCH(QString, words);
        QString result;
        stepNamed(step)(D, result);
        QCOMPARE(result, words);
    }

    // Every amount up to five digits, and every six-digit thousands group with
    // a spread of tails: distinct amounts get distinct words, never a stray
    // "и" or blank; a trailing blank exactly for whole hundreds, and a double
    // blank exactly before "хиляди" after a whole-hundred thousands group.
    void manyAmounts()
    {
        std::vector<int> amounts;
        for (int n = 1; n <= 99999; ++n)
            amounts.push_back(n);
        for (int group = 100; group <= 999; ++group) {
            for (int tail : {0, 1, 5, 10, 11, 15, 20, 21, 99, 100, 101, 110, 115, 120, 125, 200, 999})
                amounts.push_back(group * 1000 + tail);
        }
        std::vector<std::size_t> hashes;
        hashes.reserve(amounts.size());
        for (const int n : amounts) {
            const QString words = ::spellWholeNumber(QString::number(n));
            const bool wholeHundredGroup = n >= 100000 && (n / 1000) % 100 == 0;
            const QStringList tokens = words.split(u' ', Qt::SkipEmptyParts);
            bool strayAnd = tokens.isEmpty() || tokens.first() == u"и" || tokens.last() == u"и";
            for (qsizetype i = 1; i < tokens.size(); ++i)
                strayAnd = strayAnd || (tokens[i] == u"и" && tokens[i - 1] == u"и");
            const bool sound = !strayAnd && !words.startsWith(u' ') && !words.contains(u"   ")
                               && words.endsWith(u' ') == (n % 100 == 0)
                               && words.contains(u"  ") == wholeHundredGroup
                               && (!wholeHundredGroup || (words.count(u"  ") == 1 && words.contains(u"  хиляди ")));
            if (!sound)
                QFAIL(QStringLiteral("%1: \"%2\"").arg(n).arg(words).toUtf8().constData());
            hashes.push_back(qHash(words, 0));
        }
        std::sort(hashes.begin(), hashes.end());
        QVERIFY(std::adjacent_find(hashes.begin(), hashes.end()) == hashes.end());
    }

    void amountInWordsLine_data()
    {
        QTest::addColumn<QString>("total");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QString>("line");
        // Below 1: the label keeps what it showed.
        QTest::newRow("0.40") << "0.40" << false << "";
        QTest::newRow("0") << "0" << false << "";
        QTest::newRow("0.00") << "0.00" << false << "";
        QTest::newRow("0.99") << "0.99" << false << "";
        // Singular only for a whole part of exactly 1.
        QTest::newRow("1.00") << "1.00" << true << "един лев";
        QTest::newRow("1.50") << "1.50" << true << "един лев и 50 ст.";
        QTest::newRow("2.00") << "2.00" << true << "два лева";
        QTest::newRow("11.00") << "11.00" << true << "единадесет лева";
        QTest::newRow("21.00") << "21.00" << true << "двадесет и един лева";
        QTest::newRow("21.01") << "21.01" << true << "двадесет и един лева и 01 ст.";
        QTest::newRow("100.00") << "100.00" << true << "сто  лева";
        QTest::newRow("1234.05") << "1234.05" << true << "хиляда двеста тридесет и четири лева и 05 ст.";
        QTest::newRow("100000.10") << "100000.10" << true << "сто  хиляди  лева и 10 ст.";
        QTest::newRow("999999.99") << "999999.99" << true
                                   << "деветстотин деветдесет и девет хиляди и деветстотин деветдесет и девет"
                                      " лева и 99 ст.";
        // Seven digits and more: no words, still the currency and hundredths.
        QTest::newRow("1234567.00") << "1234567.00" << true << " лева";
        QTest::newRow("1234567.89") << "1234567.89" << true << " лева и 89 ст.";
        QTest::newRow("1000000.00") << "1000000.00" << true << " лева";
        // Forms the two-decimal rewrite can leave: completed with zeros.
        QTest::newRow("no point") << "1" << true << "един лев";
        QTest::newRow("no point, plural") << "35" << true << "тридесет и пет лева";
        QTest::newRow("one decimal") << "2.4" << true << "два лева и 40 ст.";
        QTest::newRow("point, no decimals") << "5." << true << "пет лева";
        // A credit note: the amount without its sign.
        QTest::newRow("credit note") << "-26.08" << true << "двадесет и шест лева и 08 ст.";
        QTest::newRow("credit note of 1") << "-1.00" << true << "един лев";
        QTest::newRow("credit note below 1") << "-0.40" << false << "";
        // Anything else clears the label.
        QTest::newRow("empty") << "" << true << "";
        QTest::newRow("two signs") << "--5.00" << true << "";
        QTest::newRow("sign alone") << "-" << true << "";
        QTest::newRow("plus") << "+5.00" << true << "";
        QTest::newRow("leading blank") << " 5.00" << true << "";
        QTest::newRow("trailing blank") << "5.00 " << true << "";
        QTest::newRow("comma") << "5,00" << true << "";
        QTest::newRow("two points") << "1.2.3" << true << "";
        QTest::newRow("three decimals") << "5.005" << true << "";
        QTest::newRow("sign in decimals") << "5.-1" << true << "";
        QTest::newRow("point first") << ".50" << true << "";
        QTest::newRow("text") << "abc" << true << "";
    }
    void amountInWordsLine()
    {
        QFETCH(QString, total);
        QFETCH(bool, written);
        QFETCH(QString, line);
        const std::optional<QString> result = ::amountInWordsLine(total);
        QCOMPARE(result.has_value(), written);
        if (result)
            QCOMPARE(*result, line);
    }
};

QTEST_GUILESS_MAIN(tst_AmountWords)
#include "tst_amountwords.moc"
