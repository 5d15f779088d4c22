// The arithmetic of record keys, without a table.

#include "store/RecordKeys.h"

#include <QtTest>

using namespace RecordKeys;

namespace {

constexpr qint64 Period = qint64(1) << SerialBits;
constexpr qint64 Maker = qint64(1) << 24;  // the spacing of tables made by earlier builds
constexpr qint64 MakerStep = RecordKeys::makerStep(3);

} // namespace

class tst_RecordKeys : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keyWithSerial_data()
    {
        QTest::addColumn<qint64>("low");
        QTest::addColumn<qint64>("high");
        QTest::addColumn<quint32>("serial");
        QTest::addColumn<qint64>("key");  // -1: none
        QTest::newRow("near the middle of a wide gap") << qint64(0) << 2 * AppendGap << 1u << AppendGap - Period + 1;
        QTest::newRow("the middle itself") << qint64(0) << qint64(10) << 5u << qint64(5);
        QTest::newRow("a gap without the serial") << qint64(0) << qint64(10) << 20u << qint64(-1);
        QTest::newRow("below zero") << qint64(-100) << qint64(100) << 7u << qint64(7);
        QTest::newRow("never a bound") << qint64(5) << qint64(6) << 5u << qint64(-1);
    }
    void keyWithSerial()
    {
        QFETCH(qint64, low);
        QFETCH(qint64, high);
        QFETCH(quint32, serial);
        QFETCH(qint64, key);
        QCOMPARE(RecordKeys::keyWithSerial(low, high, serial).value_or(-1), key);
    }

    void nextSerial_data()
    {
        QTest::addColumn<quint32>("serial");
        QTest::addColumn<quint32>("next");
        QTest::newRow("counts on") << 0u << 1u;
        QTest::newRow("passes over a maker's key") << quint32(Maker - 1) << quint32(Maker + 1);
        QTest::newRow("wraps past zero") << 0xFFFFFFFFu << 1u;
    }
    void nextSerial()
    {
        QFETCH(quint32, serial);
        QTEST(RecordKeys::nextSerial(serial), "next");
    }

    void gapBefore_data()
    {
        QTest::addColumn<QList<qint64>>("keys");
        QTest::addColumn<int>("position");
        QTest::addColumn<qint64>("low");
        QTest::addColumn<qint64>("high");
        const QList<qint64> made{Maker, 2 * Maker};
        QTest::newRow("empty table") << QList<qint64>{} << 0 << qint64(0) << 2 * AppendGap;
        QTest::newRow("first") << made << 0 << qint64(0) << Maker;
        QTest::newRow("between") << made << 1 << Maker << 2 * Maker;
        QTest::newRow("at the end") << made << 2 << 2 * Maker << 2 * Maker + 2 * AppendGap;
        QTest::newRow("first below zero") << QList<qint64>{-5, 10} << 0 << qint64(-6) << qint64(-5);
        QTest::newRow("at the end of the range")
            << QList<qint64>{std::numeric_limits<qint64>::max() - 1} << 1 << std::numeric_limits<qint64>::max() - 1
            << std::numeric_limits<qint64>::max();
    }
    void gapBefore()
    {
        QFETCH(QList<qint64>, keys);
        QFETCH(int, position);
        const Gap gap = RecordKeys::gapBefore(keys, position);
        QTEST(gap.low, "low");
        QTEST(gap.high, "high");
    }

    // A key for a new record lies between its neighbours and ends in a
    // serial of its own; records are spread out only when the gap is used up.
    void allocate_data()
    {
        QTest::addColumn<QList<qint64>>("keys");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("moved");  // records spread out
        QTest::newRow("into an empty table") << QList<qint64>{} << 0 << 0;
        QTest::newRow("between appended keys") << QList<qint64>{AppendGap, 2 * AppendGap, 3 * AppendGap} << 1 << 0;
        QTest::newRow("after maker's keys") << QList<qint64>{Maker, 2 * Maker} << 2 << 0;
        // Those gaps hold no serial: the first record between spreads them out.
        QTest::newRow("between an earlier maker's keys") << QList<qint64>{Maker, 2 * Maker, 3 * Maker} << 1 << 3;
        QTest::newRow("between maker's keys")
            << QList<qint64>{MakerStep, 2 * MakerStep, 3 * MakerStep} << 1 << 0;
        QTest::newRow("between neighbours one apart") << QList<qint64>{1, 2, 3, 4} << 2 << 4;
        QTest::newRow("before the first of tight keys") << QList<qint64>{1, 2} << 0 << 2;
    }
    // However large the table, its keys leave a record room between any two
    // and as many again after them, and end in no serial.
    void makerStepLeavesRoom_data()
    {
        QTest::addColumn<qint64>("records");
        QTest::newRow("none") << qint64(0);
        QTest::newRow("one") << qint64(1);
        QTest::newRow("a million") << qint64(1'000'000);
        QTest::newRow("the most at the append gap") << qint64(2'097'152);
        QTest::newRow("one more") << qint64(2'097'153);
        QTest::newRow("a hundred million") << qint64(100'000'000);
    }
    void makerStepLeavesRoom()
    {
        QFETCH(qint64, records);
        const qint64 step = RecordKeys::makerStep(records);
        QCOMPARE(step & qint64(MakerKeyBits), qint64(0));
        QVERIFY(step >= MinimumGap);
        QVERIFY(step <= AppendGap);
        QVERIFY(__int128(step) * records * 2 <= std::numeric_limits<qint64>::max() / 2);
        QList<qint64> keys{step * (records - 1), step * records};
        quint32 serial = 0;
        const auto between = RecordKeys::allocate(keys, 1, [&serial] { return serial = RecordKeys::nextSerial(serial); });
        QVERIFY(between && between->moves.isEmpty());
    }

    void allocate()
    {
        QFETCH(QList<qint64>, keys);
        QFETCH(int, position);
        QFETCH(int, moved);
        const QList<qint64> before = keys;
        quint32 serial = 0;
        const auto allocation = RecordKeys::allocate(keys, position, [&serial] { return serial = RecordKeys::nextSerial(serial); });
        QVERIFY(allocation);
        QCOMPARE(quint32(allocation->key % Period), serial);
        QVERIFY(position == 0 || keys[position - 1] < allocation->key);
        QVERIFY(position == keys.size() || allocation->key < keys[position]);
        QVERIFY(std::is_sorted(keys.cbegin(), keys.cend()));
        int spread = 0;
        for (const Allocation::Move &move : allocation->moves) {
            QCOMPARE(move.to.size(), move.from.size());
            spread += int(move.from.size());
        }
        QCOMPARE(spread, moved);
        if (moved == 0) {
            QCOMPARE(keys, before);
        } else {
            // The records moved were neighbours, and are where the keys say now.
            const QList<qint64> &from = allocation->moves.first().from;
            const qsizetype first = before.indexOf(from.first());
            QCOMPARE(before.mid(first, from.size()), from);
            QCOMPARE(keys.mid(first, from.size()), allocation->moves.last().to);
        }
    }
};

QTEST_GUILESS_MAIN(tst_RecordKeys)
#include "tst_recordkeys.moc"
