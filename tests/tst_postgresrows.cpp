// The keys of a server table come as one bigint[] in the server's binary
// form; how it is read, without a server (tst_tablestore reads real ones).

#include "store/PostgresRows.h"

#include <QtEndian>
#include <QtTest>

using Numbers = QList<qint64>;
Q_DECLARE_METATYPE(std::optional<Numbers>)

namespace {

template<typename Number>
void append(QByteArray &bytes, Number number)
{
    char big[sizeof(Number)];
    qToBigEndian(number, big);
    bytes.append(big, sizeof(Number));
}

// array_send's layout: dimensions, a flag for NULLs, the element type, each
// dimension's length and lower bound, then each element's length and bytes.
QByteArray binaryArray(const Numbers &numbers, qint32 withNulls = 0, quint32 type = 20)
{
    QByteArray bytes;
    append<qint32>(bytes, 1);
    append<qint32>(bytes, withNulls);
    append<quint32>(bytes, type);
    append<qint32>(bytes, qint32(numbers.size()));
    append<qint32>(bytes, 1);
    for (qint64 number : numbers) {
        append<qint32>(bytes, 8);
        append<qint64>(bytes, number);
    }
    return bytes;
}

} // namespace

class tst_PostgresRows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bigintArray_data()
    {
        QTest::addColumn<QByteArray>("binary");
        QTest::addColumn<std::optional<Numbers>>("numbers");  // nullopt: refused
        const Numbers keys{qint64(1) << 40, -7, 5};
        QTest::newRow("keys, negative among them") << binaryArray(keys) << std::optional(keys);
        QByteArray empty;
        append<qint32>(empty, 0);
        append<qint32>(empty, 0);
        append<quint32>(empty, 20);
        QTest::newRow("no dimensions: no keys") << empty << std::optional(Numbers());
        QTest::newRow("a NULL among them") << binaryArray(keys, 1) << std::optional<Numbers>();
        QTest::newRow("integer, not bigint") << binaryArray(keys, 0, 23) << std::optional<Numbers>();
        QTest::newRow("cut short") << binaryArray(keys).chopped(1) << std::optional<Numbers>();
        QTest::newRow("bytes after the end") << binaryArray(keys) + '\0' << std::optional<Numbers>();
        QByteArray twoDimensions = binaryArray(keys);
        twoDimensions[3] = 2;
        QTest::newRow("two dimensions") << twoDimensions << std::optional<Numbers>();
        QByteArray tooMany = binaryArray(keys);
        qToBigEndian<qint32>(1'000'000'000, tooMany.data() + 12);
        QTest::newRow("more numbers than bytes") << tooMany << std::optional<Numbers>();
        QTest::newRow("nothing") << QByteArray() << std::optional<Numbers>();
    }

    void bigintArray()
    {
        QFETCH(QByteArray, binary);
        QFETCH(std::optional<Numbers>, numbers);
        QCOMPARE(PostgresRows::bigintArray(binary), numbers);
    }
};

QTEST_GUILESS_MAIN(tst_PostgresRows)
#include "tst_postgresrows.moc"
