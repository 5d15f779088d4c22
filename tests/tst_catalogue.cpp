// The table tool's large goods catalogue, made by the real tool program.

#include "reference/TableStore.h"
#include "tools/TableMaker.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class tst_Catalogue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tool_data();
    void tool();
    void sameOnEveryRun();
};

namespace {

QStringList descriptions(const QString &dataFolder)
{
    TableStore table;
    table.setDatabaseName(dataFolder);
    table.setTableName(QStringLiteral("stock.db"));
    table.open();
    QStringList texts;
    for (int row = 0; row < table.rowCount(); ++row)
        texts << table.rowText(row, table.fieldByName(QStringLiteral("Описание на стока/услуга")));
    return texts;
}

} // namespace

void tst_Catalogue::tool_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("records");  // -1: no goods table made

    QTest::newRow("empty") << QStringList{QStringLiteral("--goods"), QStringLiteral("0")} << 0 << 0;
    QTest::newRow("catalogue") << QStringList{QStringLiteral("--goods"), QStringLiteral("400")} << 0 << 400;
    QTest::newRow("with demo tables") << QStringList{QStringLiteral("--demo"), QStringLiteral("--goods"), QStringLiteral("30")}
                                      << 0 << 30;
    QTest::newRow("not a number") << QStringList{QStringLiteral("--goods"), QStringLiteral("много")} << 2 << -1;
    QTest::newRow("negative") << QStringList{QStringLiteral("--goods"), QStringLiteral("-5")} << 2 << -1;
    QTest::newRow("no count") << QStringList{QStringLiteral("--goods")} << 2 << -1;
}

void tst_Catalogue::tool()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(int, records);
    QTemporaryDir start;
    QProcess tool;
    tool.start(QStringLiteral(TABLE_TOOL), QStringList{start.path()} + arguments);
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitCode(), exitCode);
    const QString data = start.filePath(QStringLiteral("DB"));
    QCOMPARE(QFileInfo::exists(data + QStringLiteral("/stock.db")), records >= 0);
    if (records < 0)
        return;
    TableStore table;
    table.setDatabaseName(data);
    table.setTableName(QStringLiteral("stock.db"));
    table.open();
    QCOMPARE(table.recordCount(), records);
    static const QRegularExpression cyrillic(QStringLiteral("^[А-Я][^„]+ „[А-Я][а-я]+“ [А-Я]{2}-\\d{4}, [а-я]"));
    for (int record = 1; record <= records; ++record) {
        table.setRecNo(record);
        QCOMPARE(table.text(QStringLiteral("Пор. №")), QString::number(record).rightJustified(6, u'0'));
        const QString description = table.text(QStringLiteral("Описание на стока/услуга"));
        QVERIFY2(description.contains(cyrillic), qPrintable(description));
        QVERIFY2(description.size() >= 45 && description.size() <= 140, qPrintable(description));
        QVERIFY(description.count(u'\n') == 1 || description.count(u'\n') == 2);
        bool number = false;
        QVERIFY(table.text(QStringLiteral("К-во")).toInt(&number) >= 0 && number);
        QVERIFY(table.text(QStringLiteral("Продажна цена")).toDouble(&number) > 0 && number);
        QVERIFY(!table.text(QStringLiteral("Мярка")).isEmpty());
    }
}

void tst_Catalogue::sameOnEveryRun()
{
    QTemporaryDir first, second;
    QVERIFY(TableMaker::makeCatalogue(first.path(), 300));
    QVERIFY(TableMaker::makeCatalogue(second.path(), 300));
    QVERIFY(!TableMaker::makeCatalogue(second.path(), 10));  // an existing table stays
    const QStringList texts = descriptions(first.path());
    QCOMPARE(texts.size(), 300);
    QCOMPARE(descriptions(second.path()), texts);
    QVERIFY(QSet<QString>(texts.cbegin(), texts.cend()).size() > 250);
}

QTEST_GUILESS_MAIN(tst_Catalogue)
#include "tst_catalogue.moc"
