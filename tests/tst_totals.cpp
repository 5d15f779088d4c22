#include "common/Failure.h"
#include "document/FieldRules.h"
#include "lines/Totals.h"
#include "lines/VatRate.h"

#include <QtTest>

class tst_Totals : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rateRules_data();
    void rateRules();
    void rateNotANumber_data();
    void rateNotANumber();
    void totals_data();
    void totals();
    void totalsBeyondTheRange_data();
    void totalsBeyondTheRange();
};

void tst_Totals::rateRules_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("fraction");
    QTest::addColumn<double>("factor");
    QTest::newRow("20%") << "20%" << "Данъчна ставка 20%\nразмер на данъка:" << "0.20" << 0.2;
    QTest::newRow("18 without %") << "18" << "Данъчна ставка 18%\nразмер на данъка:" << "0.18" << 0.18;
    QTest::newRow("7") << "7" << "Данъчна ставка 7%\nразмер на данъка:" << "0.07" << 0.07;
    QTest::newRow("5.7 drops fraction") << "5.7" << "Данъчна ставка 5.7%\nразмер на данъка:" << "0.05" << 0.05;
    QTest::newRow("100") << "100%" << "Данъчна ставка 100%\nразмер на данъка:" << "1" << 1.0;
    QTest::newRow("150") << "150" << "Данъчна ставка 150%\nразмер на данъка:" << "0.150" << 0.15;
    QTest::newRow("0") << "0" << "Данъчна ставка 0%\nразмер на данъка:" << "0.00" << 0.0;
    QTest::newRow("text after %") << "20% ДДС" << "Данъчна ставка 20%\nразмер на данъка:" << "0.20" << 0.2;
}

void tst_Totals::rateRules()
{
    QFETCH(QString, answer);
    const QString rate = VatRate::withoutPercent(answer);
    QTEST(vatRateHeading(rate), "heading");
    const QString fraction = VatRate::fractionText(rate);
    QTEST(fraction, "fraction");
    QTEST(VatRate::factor(fraction), "factor");
}

void tst_Totals::rateNotANumber_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("letters") << "abc";
    QTest::newRow("empty") << "";
    QTest::newRow("only percent") << "%";
    QTest::newRow("negative") << "-5";
}

void tst_Totals::rateNotANumber()
{
    QFETCH(QString, answer);
    QVERIFY_THROWS_EXCEPTION(Failure, VatRate::factor(VatRate::fractionText(VatRate::withoutPercent(answer))));
}

void tst_Totals::totals_data()
{
    QTest::addColumn<double>("factor");
    QTest::addColumn<QStringList>("lineValues");
    QTest::addColumn<QString>("taxBase");
    QTest::addColumn<QString>("vat");
    QTest::addColumn<QString>("total");
    QTest::newRow("20% of 10 + 5.50") << 0.2 << QStringList{"10.00", "5.50"} << "15.5" << "3.10" << "18.6";
    QTest::newRow("VAT from the whole base") << 0.2 << QStringList{"0.02", "0.02"} << "0.04" << "0.01" << "0.05";
    QTest::newRow("10% of 0.25 rounds up") << 0.1 << QStringList{"0.25"} << "0.25" << "0.03" << "0.28";
    QTest::newRow("7% of 12.35") << 0.07 << QStringList{"12.35"} << "12.35" << "0.86" << "13.21";
    QTest::newRow("5% of 100") << 0.05 << QStringList{"100.00"} << "100" << "5.00" << "105";
    QTest::newRow("100%") << 1.0 << QStringList{"12.34"} << "12.34" << "12.34" << "24.68";
    QTest::newRow("150 gives 15%") << 0.15 << QStringList{"10.00"} << "10" << "1.50" << "11.5";
    QTest::newRow("zero rate") << 0.0 << QStringList{"99.99"} << "99.99" << "0.00" << "99.99";
    QTest::newRow("negative line") << 0.2 << QStringList{"10.00", "-2.50"} << "7.5" << "1.50" << "9";
    QTest::newRow("negative base rounds away") << 0.1 << QStringList{"-0.25"} << "-0.25" << "-0.03" << "-0.28";
    QTest::newRow("large base") << 0.2 << QStringList{"123456789.99"} << "123456789.99" << "24691358" << "148148147.99";
    QTest::newRow("VAT beyond a 64-bit product") << 0.2 << QStringList{"461168601843"} << "461168601843"
                                                 << "92233720368.60" << "553402322211.6";
}

void tst_Totals::totals()
{
    QFETCH(double, factor);
    QFETCH(QStringList, lineValues);
    LineTotals totals;
    for (const QString &value : lineValues)
        totals = addLineToTotals(totals, Amount::parseOrThrow(value), factor);
    QFETCH(QString, taxBase);
    QFETCH(QString, vat);
    QFETCH(QString, total);
    QCOMPARE(totals.taxBase.text(), Amount::parseOrThrow(taxBase).text());
    QCOMPARE(totals.vat.text(), Amount::parseOrThrow(vat).text());
    QCOMPARE(totals.total.text(), Amount::parseOrThrow(total).text());
}

void tst_Totals::totalsBeyondTheRange_data()
{
    QTest::addColumn<QString>("taxBase");
    QTest::addColumn<QString>("lineValue");
    QTest::addColumn<double>("factor");
    QTest::newRow("base") << "922337203685000" << "1000" << 0.0;
    QTest::newRow("total") << "0" << "800000000000000" << 0.2;
}

void tst_Totals::totalsBeyondTheRange()
{
    QFETCH(QString, taxBase);
    QFETCH(QString, lineValue);
    QFETCH(double, factor);
    QVERIFY_THROWS_EXCEPTION(
        Failure, addLineToTotals({Amount::parseOrThrow(taxBase), {}, {}}, Amount::parseOrThrow(lineValue), factor));
}

QTEST_GUILESS_MAIN(tst_Totals)
#include "tst_totals.moc"
