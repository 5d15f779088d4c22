// A folded column keeps every value it is given, across its blocks: the
// first small ones, the large ones after them, a value larger than a block,
// and the blocks of another column appended to it.

#include "store/FoldedColumn.h"

#include <QtTest>

namespace {

// The value of a record: Cyrillic and Latin in both cases, of some length.
QString record(int number, int length)
{
    return QStringLiteral("Стока „Витоша“ Model %1 ").arg(number).leftJustified(length, u'Я');
}

} // namespace

class tst_FoldedColumn : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void valuesSurviveEveryBlock_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("length");  // of each value, in characters
        QTest::newRow("within the first block") << 1000 << 40;
        // About 7 million characters: four small blocks, then huge pages.
        QTest::newRow("into the large blocks") << 70000 << 100;
        QTest::newRow("values larger than a block") << 3 << 1'500'000;
    }
    void valuesSurviveEveryBlock()
    {
        QFETCH(int, records);
        QFETCH(int, length);
        FoldedColumn first, second;
        for (int number = 0; number < records; ++number)
            (number < records / 2 ? first : second).appendUtf8(record(number, length).toUtf8());
        first.append(std::move(second));
        // And one more after the appended column's blocks.
        first.appendUtf8(record(records, length).toUtf8());
        QCOMPARE(first.size(), records + 1);
        for (int number = 0; number <= records; ++number) {
            if (first.value(number) != foldCase(record(number, length)))
                QFAIL(qPrintable(QStringLiteral("value %1 differs").arg(number)));
        }
    }
};

QTEST_GUILESS_MAIN(tst_FoldedColumn)
#include "tst_foldedcolumn.moc"
