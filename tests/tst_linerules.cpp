#include "common/Amount.h"
#include "common/Failure.h"
#include "lines/LineRules.h"

#include <QLocale>
#include <QtTest>

using namespace LineRules;

class tst_LineRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void amountParse_data();
    void amountParse();
    void amountArithmetic_data();
    void amountArithmetic();
    void fixTwoDecimals_data();
    void fixTwoDecimals();
    void fixTwoDecimalsTwiceCompletes();
    void wrap_data();
    void wrap();
    void memoLines_data();
    void memoLines();
    void typedNumberUnderCommaLocale();
    void lineValue_data();
    void lineValue();
};

void tst_LineRules::amountParse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("units");
    QTest::addColumn<QString>("shortest");
    QTest::newRow("whole") << "7" << true << qint64(70000) << "7";
    QTest::newRow("half") << "2.50" << true << qint64(25000) << "2.5";
    QTest::newRow("four decimals") << "0.0001" << true << qint64(1) << "0.0001";
    QTest::newRow("fifth rounds up") << "0.00005" << true << qint64(1) << "0.0001";
    QTest::newRow("fifth rounds down") << "1.23454" << true << qint64(12345) << "1.2345";
    QTest::newRow("negative") << "-10.5" << true << qint64(-105000) << "-10.5";
    QTest::newRow("zero") << "0.0" << true << qint64(0) << "0";
    QTest::newRow("leading point") << ".5" << true << qint64(5000) << "0.5";
    QTest::newRow("trailing point") << "5." << true << qint64(50000) << "5";
    QTest::newRow("blanks around") << " 3 " << true << qint64(30000) << "3";
    QTest::newRow("lone minus") << "-" << false << qint64(0) << "";
    QTest::newRow("lone point") << "." << false << qint64(0) << "";
    QTest::newRow("inner minus") << "1-2" << false << qint64(0) << "";
    QTest::newRow("two points") << "1.2.3" << false << qint64(0) << "";
    QTest::newRow("comma") << "1,5" << false << qint64(0) << "";
    QTest::newRow("empty") << "" << false << qint64(0) << "";
    QTest::newRow("letters") << "abc" << false << qint64(0) << "";
    QTest::newRow("too large") << "99999999999999999999" << false << qint64(0) << "";
    QTest::newRow("largest") << "922337203685477.5807" << true << std::numeric_limits<qint64>::max()
                             << "922337203685477.5807";
    QTest::newRow("largest, negative") << "-922337203685477.5807" << true << -std::numeric_limits<qint64>::max()
                                       << "-922337203685477.5807";
    QTest::newRow("a ten-thousandth beyond") << "922337203685477.5808" << false << qint64(0) << "";
    QTest::newRow("whole part beyond") << "922337203685479.9999" << false << qint64(0) << "";
    QTest::newRow("rounding beyond") << "922337203685477.58075" << false << qint64(0) << "";
}

void tst_LineRules::amountArithmetic_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("sum");         // empty: fails
    QTest::addColumn<QString>("difference");  // empty: fails
    QTest::newRow("ordinary") << "2.5" << "0.75" << "3.25" << "1.75";
    QTest::newRow("sum beyond") << "922337203685477" << "1" << "" << "922337203685476";
    QTest::newRow("difference beyond") << "-922337203685477" << "1" << "-922337203685476" << "";
    QTest::newRow("negative minus largest") << "-1" << "922337203685477.5807" << "922337203685476.5807" << "";
}

void tst_LineRules::amountArithmetic()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, sum);
    QFETCH(QString, difference);
    const Amount x = Amount::parseOrThrow(a);
    const Amount y = Amount::parseOrThrow(b);
    if (sum.isEmpty())
        QVERIFY_THROWS_EXCEPTION(Failure, x + y);
    else
        QCOMPARE((x + y).text(), sum);
    if (difference.isEmpty())
        QVERIFY_THROWS_EXCEPTION(Failure, x - y);
    else
        QCOMPARE((x - y).text(), difference);
}

void tst_LineRules::amountParse()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    const auto amount = Amount::parse(text);
    QCOMPARE(amount.has_value(), valid);
    if (!valid) {
        QVERIFY_THROWS_EXCEPTION(Failure, Amount::parseOrThrow(text));
        return;
    }
    QTEST(qint64(amount->units()), "units");
    QTEST(amount->text(), "shortest");
}

void tst_LineRules::fixTwoDecimals_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("fixed");
    QTest::newRow("no point") << "5" << "5.00";
    QTest::newRow("one decimal") << "2.5" << "2.50";
    QTest::newRow("two decimals") << "7.55" << "7.55";
    QTest::newRow("ends in point") << "3." << "3.";
    QTest::newRow("third below five") << "1.114" << "1.11";
    QTest::newRow("third five") << "1.115" << "1.12";
    QTest::newRow("carries into units") << "2.395" << "2.4";
    QTest::newRow("carries into whole") << "0.995" << "1";
    QTest::newRow("fourth ignored") << "1.1149" << "1.11";
    QTest::newRow("negative down") << "-1.114" << "-1.11";
    QTest::newRow("negative up") << "-1.115" << "-1.12";
    QTest::newRow("negative below a cent") << "-0.005" << "-0.01";
    QTest::newRow("negative whole") << "-10" << "-10.00";
}

void tst_LineRules::fixTwoDecimals()
{
    QFETCH(QString, caption);
    QTEST(::fixTwoDecimals(caption), "fixed");
}

void tst_LineRules::fixTwoDecimalsTwiceCompletes()
{
    QCOMPARE(::fixTwoDecimals(::fixTwoDecimals("2.395")), QStringLiteral("2.40"));
    QCOMPARE(::fixTwoDecimals(::fixTwoDecimals("0.995")), QStringLiteral("1.00"));
}

namespace {

// A width where a capital takes two units and any other character one.
int unitsWide(QStringView text)
{
    int width = 0;
    for (const QChar c : text)
        width += c.isUpper() ? 2 : 1;
    return width;
}

} // namespace

void tst_LineRules::wrap_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("wrapped");
    QTest::addColumn<int>("widthLimit");  // in the units of unitsWide(); 0: characters only
    const QString a74(74, u'a');
    const QString b25(25, u'b');
    QTest::newRow("short stays") << QStringList{"Кафе"} << QStringList{"Кафе"} << 0;
    QTest::newRow("exactly 80") << QStringList{QString(80, u'x')} << QStringList{QString(80, u'x')} << 0;
    QTest::newRow("100 with space at 75") << QStringList{a74 + u' ' + b25} << QStringList{a74, b25} << 0;
    QTest::newRow("rest joins next line")
        << QStringList{a74 + u' ' + b25, "next"} << QStringList{a74, b25 + "next"} << 0;
    const QString word = QStringLiteral("дума ");  // 5 characters
    const QString long200 = word.repeated(40).trimmed();
    QTest::newRow("repeated wraps")
        << QStringList{long200}
        << QStringList{word.repeated(16).trimmed(), word.repeated(16).trimmed(), word.repeated(8).trimmed()} << 0;
    QTest::newRow("no space cut hard")
        << QStringList{QString(100, u'z')} << QStringList{QString(80, u'z'), QString(20, u'z')} << 0;
    QTest::newRow("space only first")
        << QStringList{u' ' + QString(99, u'z')} << QStringList{u' ' + QString(79, u'z'), QString(20, u'z')} << 0;
    QTest::newRow("no space 200")
        << QStringList{QString(200, u'q')}
        << QStringList{QString(80, u'q'), QString(80, u'q'), QString(40, u'q')} << 0;
    QTest::newRow("multi-line, second long")
        << QStringList{"first", a74 + u' ' + b25} << QStringList{"first", a74, b25} << 0;
    // Wrapped by the width as well: the longest beginning that fits, broken at its last space.
    const QString capitals = QStringLiteral("ЖЖЖ");  // 6 units
    QTest::newRow("capitals wider than the limit")
        << QStringList{QStringList(10, capitals).join(u' ')}
        << QStringList{QStringList(7, capitals).join(u' '), QStringList(3, capitals).join(u' ')} << 50;
    QTest::newRow("a wide word cut at the width")
        << QStringList{QString(30, u'Ж')} << QStringList{QString(25, u'Ж'), QString(5, u'Ж')} << 50;
    QTest::newRow("narrow text keeps 80 characters")
        << QStringList{QString(100, u'a')} << QStringList{QString(80, u'a'), QString(20, u'a')} << 1000;
    QTest::newRow("a character wider than the limit stays")
        << QStringList{QStringLiteral("ЖЖ")} << QStringList{QStringLiteral("Ж"), QStringLiteral("Ж")} << 1;
}

void tst_LineRules::wrap()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, wrapped);
    QFETCH(int, widthLimit);
    const auto fits = [widthLimit](QStringView line) { return unitsWide(line) <= widthLimit; };
    const QStringList result = widthLimit > 0 ? wrapNameLines(lines, fits) : wrapNameLines(lines);
    QCOMPARE(result, wrapped);
    QCOMPARE(result.join(QString()).remove(u' ').size(), lines.join(QString()).remove(u' ').size());
    for (const QString &line : result)
        QVERIFY(line.size() <= MaxNameLine && (widthLimit == 0 || line.size() == 1 || fits(line)));
}

void tst_LineRules::memoLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("one") << "Кафе" << QStringList{"Кафе"};
    QTest::newRow("crlf") << "a\r\nb" << QStringList{"a", "b"};
    QTest::newRow("cr") << "a\rb" << QStringList{"a", "b"};
    QTest::newRow("trailing break") << "a\nb\n" << QStringList{"a", "b"};
    QTest::newRow("empty middle") << "a\n\nb" << QStringList{"a", "", "b"};
}

void tst_LineRules::memoLines()
{
    QFETCH(QString, text);
    QTEST(LineRules::memoLines(text), "lines");
}

void tst_LineRules::typedNumberUnderCommaLocale()
{
    // A regional setting with a decimal comma and a point as group
    // separator must never read "2.50" as two hundred and fifty.
    const QLocale german(QLocale::German, QLocale::Germany);
    const auto point = readTypedNumber("2.50", german);
    const auto comma = readTypedNumber("2,50", german);
    QVERIFY(point);
    QCOMPARE(point->units(), 25000);
    QVERIFY(comma);
    QCOMPARE(comma->units(), 25000);
}

void tst_LineRules::lineValue_data()
{
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("cell");
    QTest::newRow("2.50 x 3") << "2.50" << "3" << "7.5" << "7.50";
    QTest::newRow("1.115 x 1") << "1.115" << "1" << "1.115" << "1.12";
    QTest::newRow("-5 x 2") << "-5" << "2" << "-10" << "-10.00";
    QTest::newRow("0.1 x 3") << "0.1" << "3" << "0.3" << "0.30";
    QTest::newRow("19.99 x 0.333") << "19.99" << "0.333" << "6.65667" << "6.66";
    QTest::newRow("0.05 x 0.001") << "0.05" << "0.001" << "0.00005" << "0.00";
    QTest::newRow("0.0001 x 0.0001") << "0.0001" << "0.0001" << "0.00000001" << "0.00";
    QTest::newRow("-0.09 x 0.001") << "-0.09" << "0.001" << "-0.00009" << "0.00";
    QTest::newRow("fifteen digits") << "1000000" << "100000000" << "100000000000000" << "100000000000000.00";
    QTest::newRow("sixteen digits") << "1000000" << "1000000000" << "1000000000000000" << "";
}

void tst_LineRules::lineValue()
{
    QFETCH(QString, price);
    QFETCH(QString, quantity);
    const QString value = lineValueText(*Amount::parse(price), *Amount::parse(quantity));
    QTEST(value, "value");
    QFETCH(QString, cell);
    if (cell.isEmpty())  // beyond what an amount holds
        QVERIFY_THROWS_EXCEPTION(Failure, valueCellText(::fixTwoDecimals(value)));
    else
        QCOMPARE(valueCellText(::fixTwoDecimals(value)), cell);
}

QTEST_GUILESS_MAIN(tst_LineRules)
#include "tst_linerules.moc"
