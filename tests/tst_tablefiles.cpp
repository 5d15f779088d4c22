// The table files as the table maker and its demo data make them, and the
// logo column with pictures of every kind. Apart from the store's own tests
// because pictures need Qt Gui, which the core never uses.

#include "common/Failure.h"
#include "common/BitmapCheck.h"
#include "reference/TableStore.h"
#include "support/TableFolder.h"
#include "tools/TableMaker.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QtTest>
#include <memory>

namespace {

QString picture(const char *format)
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(QColor(10, 120, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return QString::fromLatin1(bytes.toBase64());
}

} // namespace

class tst_TableFiles : public QObject, private TableFolder {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(emptyFolder());
    }

    void pictureStoresOnlyBitmaps_data()
    {
        QTest::addColumn<QString>("base64");
        QTest::addColumn<bool>("stored");
        QTest::newRow("BMP") << picture("BMP") << true;
        QTest::newRow("PNG") << picture("PNG") << false;
        QTest::newRow("icon") << picture("ICO") << false;
        QTest::newRow("bytes that only begin with BM") << QString::fromLatin1(QByteArray("BM12345").toBase64()) << false;
        QTest::newRow("nothing") << QString() << false;
    }
    void pictureStoresOnlyBitmaps()
    {
        QFETCH(QString, base64);
        QFETCH(bool, stored);
        const QByteArray bytes = QByteArray::fromBase64(base64.toLatin1());
        QCOMPARE(isBitmap(bytes), stored);
        const QByteArray earlier = QByteArray::fromBase64(picture("BMP").toLatin1());
        TableMaker::makeTable(data(), TableMaker::referenceTable(QStringLiteral("Firm.db")),
                              {{{QStringLiteral("Лого"), earlier}, {QStringLiteral("ДОСТАВЧИК"), QStringLiteral("А")}}});
        {
            auto table = open(QStringLiteral("Firm.db"));
            QCOMPARE(table->picture(QStringLiteral("Лого")), earlier);
            table->edit();
            table->setPicture(QStringLiteral("лого"), bytes);
            table->post();
            QVERIFY_THROWS_EXCEPTION(Failure, table->setText(QStringLiteral("Лого"), QStringLiteral("x")));
        }
        auto table = open(QStringLiteral("Firm.db"));
        QCOMPARE(table->picture(QStringLiteral("Лого")), stored ? bytes : QByteArray());
        QCOMPARE(table->text(QStringLiteral("ДОСТАВЧИК")), QStringLiteral("А"));
    }

    // ------------------------------------------------------------ the tool

    void makingTablesNeverOverwrites()
    {
        const QString start = path(QStringLiteral("start"));
        QVERIFY(QDir().mkpath(start + QStringLiteral("/DB")));
        const QString existing = start + QStringLiteral("/DB/stock.db");
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not to be touched");
        file.close();
        const QStringList made = TableMaker::makeTables(start, true);
        QCOMPARE(made, QStringList({QStringLiteral("Firm.db"), QStringLiteral("Details.db"), QStringLiteral("customer.db")}));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("not to be touched"));
        QCOMPARE(TableMaker::makeTables(start, true), QStringList());
        QCOMPARE(QDir(start + QStringLiteral("/DB")).entryList(QDir::Files).size(), 4);  // no leftovers
    }

    void demoDataSet()
    {
        const QString start = path(QStringLiteral("demo"));
        QDir(start).removeRecursively();
        TableMaker::makeTables(start, true);
        TableStore table;
        table.setDatabaseName(start + QStringLiteral("/DB/"));
        table.setTableName(QStringLiteral("Firm.db"));
        table.open();
        QCOMPARE(table.recordCount(), 2);
        QCOMPARE(column(table, QStringLiteral("Фактура №")), QStringList({QStringLiteral("41"), QStringLiteral("0")}));
        QCOMPARE(column(table, QStringLiteral("Проформа №")), QStringList({QStringLiteral("0"), QStringLiteral("0")}));
        // The caption on the page already says "BG": the numbers are digits only.
        const QRegularExpression digits(QStringLiteral("^[0-9]*$"));
        for (const QString &number : column(table, QStringLiteral("ИН по ЗДДС BG")))
            QVERIFY2(digits.match(number).hasMatch(), qPrintable(number));
        for (int record = 1; record <= 2; ++record) {
            table.setRecNo(record);
            QVERIFY(isBitmap(table.picture(QStringLiteral("Лого"))));
            QVERIFY(!QImage::fromData(table.picture(QStringLiteral("Лого")), "BMP").isNull());
        }
        table.close();
        table.setTableName(QStringLiteral("stock.db"));
        table.open();
        QVERIFY(table.recordCount() >= 5);
        QVERIFY(table.text(QStringLiteral("описание на стока/услуга")).contains(u'\n'));
        QVERIFY(column(table, QStringLiteral("К-во")).contains(QStringLiteral("0")));
        table.close();
        for (const QString &name : {QStringLiteral("Details.db"), QStringLiteral("customer.db")}) {
            table.setTableName(name);
            table.open();
            QVERIFY(table.recordCount() >= 2);
            if (name == u"customer.db") {
                for (const QString &number : column(table, QStringLiteral("ИН по ЗДДС BG")))
                    QVERIFY2(digits.match(number).hasMatch(), qPrintable(number));
            }
            table.close();
        }
    }
};

QTEST_MAIN(tst_TableFiles)
#include "tst_tablefiles.moc"
