// The goods' sale prices from leva to euro, on real table files.

#include "common/Failure.h"
#include "reference/PriceConversion.h"
#include "reference/Schema.h"
#include "reference/TableStore.h"
#include "support/SqlFile.h"
#include "tools/TableMaker.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Price = QStringLiteral("Продажна цена");

// A goods table in dataFolder with one record per price.
void makeGoods(const QString &dataFolder, const QStringList &prices)
{
    QList<QVariantMap> records;
    for (qsizetype i = 0; i < prices.size(); ++i)
        records.append({{QStringLiteral("Пор. №"), QString::number(i + 1)}, {Price, prices[i]}});
    QVERIFY(TableMaker::makeTable(dataFolder, TableMaker::referenceTable(QStringLiteral("stock.db")), records));
}

// The prices stored in a table file, in record order.
QStringList storedPrices(const QString &file)
{
    return sqlOnFile(file, {QStringLiteral("SELECT \"Продажна цена\" FROM stock ORDER BY rowid")});
}

QStringList copies(const QString &dataFolder)
{
    return QDir(dataFolder).entryList({QStringLiteral("stock-leva-*.db")}, QDir::Files);
}

} // namespace

class tst_PriceConversion : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void convertsEveryPrice_data()
    {
        QTest::addColumn<QString>("leva");
        QTest::addColumn<QString>("euro");
        QTest::newRow("the rate itself") << "1.95583" << "1.00";
        QTest::newRow("a hundred") << "100.00" << "51.13";
        QTest::newRow("one stotinka") << "0.01" << "0.01";
        QTest::newRow("a million") << "1000000.00" << "511291.88";
        QTest::newRow("third decimal 4 rounds down") << "0.968" << "0.49";   // 0.49493...
        QTest::newRow("third decimal 5 rounds up") << "0.969" << "0.50";     // 0.49544...
        QTest::newRow("a decimal comma") << "12,50" << "6.39";
        QTest::newRow("whole leva") << "39" << "19.94";
        QTest::newRow("negative, away from zero") << "-100" << "-51.13";
        QTest::newRow("no price stays empty") << "" << "";
        // Exactly, however large, as long as the euro text fits the 20 characters of the column.
        QTest::newRow("17 digits fill the column") << "99999999999999999" << "51129188119621848.01";
        QTest::newRow("16 digits and 2 decimals") << "9999999999999999.99" << "5112918811962184.85";
        QTest::newRow("-1e16") << "-10000000000000000" << "-5112918811962184.85";
        QTest::newRow("zeros in front") << "00000000000000100.00" << "51.13";
        QTest::newRow("18 decimals") << "0.000000000000000001" << "0.00";
    }
    void convertsEveryPrice()
    {
        QFETCH(QString, leva);
        QFETCH(QString, euro);
        QTemporaryDir dir;
        makeGoods(dir.path(), {leva, QStringLiteral("1.95583")});
        const auto outcome = PriceConversion::convertGoodsToEuro(dir.path());
        QCOMPARE(storedPrices(dir.filePath(QStringLiteral("stock.db"))), QStringList({euro, QStringLiteral("1.00")}));
        QCOMPARE(outcome.converted, leva.isEmpty() ? 1 : 2);
    }

    void convertsOnceAndKeepsTheCopy()
    {
        QTemporaryDir dir;
        makeGoods(dir.path(), {QStringLiteral("100.00"), QStringLiteral("0.01")});
        const auto outcome = PriceConversion::convertGoodsToEuro(dir.path());
        QCOMPARE(copies(dir.path()), QStringList{QFileInfo(outcome.copyPath).fileName()});
        QCOMPARE(storedPrices(outcome.copyPath), QStringList({"100.00", "0.01"}));

        QVERIFY_THROWS_EXCEPTION(Failure, PriceConversion::convertGoodsToEuro(dir.path()));
        QCOMPARE(storedPrices(dir.filePath(QStringLiteral("stock.db"))), QStringList({"51.13", "0.01"}));
        QCOMPARE(copies(dir.path()).size(), 1);
    }

    // A price that cannot be converted exactly into the column stops the
    // conversion before anything changes.
    void aPriceThatCannotBeConvertedChangesNothing_data()
    {
        QTest::addColumn<QString>("leva");
        QTest::addColumn<QString>("message");
        QTest::newRow("not a number") << "12 лв" << "„12 лв“ в запис 2 не е число";
        QTest::newRow("18 digits, 21 characters in euro")
            << "999999999999999999" << "в евро („511291881196218484.74“) не се побира в колоната от 20 знака";
        QTest::newRow("the column's 20 digits")
            << "99999999999999999999" << "в евро („51129188119621848524.16“) не се побира";
        QTest::newRow("19 digits and a sign") << "-9999999999999999999" << "„-9999999999999999999“ в запис 2 е твърде голяма";
        QTest::newRow("31 digits") << "1234567890123456789012345678901" << "има твърде много цифри";
        QTest::newRow("31 decimals") << "0.0000000000000000000000000000001" << "има твърде много цифри";
    }
    void aPriceThatCannotBeConvertedChangesNothing()
    {
        QFETCH(QString, leva);
        QFETCH(QString, message);
        QTemporaryDir dir;
        makeGoods(dir.path(), {QStringLiteral("100.00"), leva});
        try {
            PriceConversion::convertGoodsToEuro(dir.path());
            QFAIL("converted a price that it cannot convert exactly");
        } catch (const Failure &failure) {
            QVERIFY2(failure.text().contains(message), qPrintable(failure.text()));
        }
        QCOMPARE(storedPrices(dir.filePath(QStringLiteral("stock.db"))), QStringList({"100.00", leva}));
        QVERIFY(copies(dir.path()).isEmpty());
    }

    void toLeva_data()
    {
        QTest::addColumn<QString>("euro");
        QTest::addColumn<std::optional<QString>>("leva");
        const auto leva = [](const char *text) { return std::optional<QString>(QString::fromUtf8(text)); };
        QTest::newRow("one euro") << "1" << leva("1.96");          // 1.95583
        QTest::newRow("back from 51.13") << "51.13" << leva("100.00");  // 100.0016
        QTest::newRow("third decimal 5 rounds up") << "0.01" << leva("0.02");  // 0.0195583
        QTest::newRow("negative, away from zero") << "-1" << leva("-1.96");
        QTest::newRow("a decimal comma") << "6,39" << leva("12.50");   // 12.4977...
        QTest::newRow("empty stays empty") << "" << leva("");
        QTest::newRow("not a number") << "abc" << std::optional<QString>();
    }
    void toLeva()
    {
        QFETCH(QString, euro);
        QTEST(PriceConversion::toLeva(euro), "leva");
    }

    void theMarkTellsTheTablesCurrency()
    {
        QTemporaryDir dir;
        makeGoods(dir.path(), {QStringLiteral("100")});
        const auto currency = [&] {
            TableStore goods;
            goods.setDatabaseName(dir.path());
            goods.setTableName(Schema::Goods::FileName);
            goods.open();
            return PriceConversion::goodsCurrency(goods);
        };
        QCOMPARE(currency(), Currency::Leva);
        PriceConversion::convertGoodsToEuro(dir.path());
        QCOMPARE(currency(), Currency::Euro);
    }

    void aFolderOnAServerIsRefused()
    {
        QTemporaryDir dir;
        makeGoods(dir.path(), {QStringLiteral("100")});  // left behind by the move to the server
        QFile conf(QDir(dir.path()).filePath(QStringLiteral("server.conf")));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("host=office dbname=firm\n");
        conf.close();
        QString shown;
        try {
            PriceConversion::convertGoodsToEuro(dir.path());
        } catch (const Failure &failure) {
            shown = failure.text();
        }
        QVERIFY2(shown.contains(QStringLiteral("на сървъра „office“, база „firm“")), qPrintable(shown));
        QCOMPARE(storedPrices(QDir(dir.path()).filePath(QStringLiteral("stock.db"))), QStringList{"100"});
        QVERIFY(copies(dir.path()).isEmpty());
    }

    void aMissingTableIsAFailure()
    {
        QTemporaryDir dir;
        QVERIFY_THROWS_EXCEPTION(Failure, PriceConversion::convertGoodsToEuro(dir.path()));
        QVERIFY(QDir(dir.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_PriceConversion)
#include "tst_priceconversion.moc"
