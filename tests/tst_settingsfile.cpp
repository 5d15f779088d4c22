#include "common/Failure.h"
#include "lines/SettingsFile.h"
#include "tools/TableMaker.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The default settings as a Windows installation writes them, byte for byte.
static QByteArray defaultFileBytes()
{
    QByteArray bytes = "20%\r\n";
    bytes += QByteArray::fromHex("d4c0cad2d3d0c0") + "\r\n";  // ФАКТУРА
    bytes += "\r\n";
    bytes += QByteArray(76, '.') + "\r\n";
    // неначисляване на ДДС и за нулева ставка
    bytes += QByteArray::fromHex("EDE5EDE0F7E8F1EBFFE2E0EDE520EDE020C4C4D120E820E7E020EDF3EBE5E2E020F1F2E0E2EAE0")
             + "\r\n";
    return bytes;
}

class tst_SettingsFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void encodesDefaultsByteForByte()
    {
        QCOMPARE(SettingsFile::encode(SettingsFile::defaults()), defaultFileBytes());
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("windows file") << defaultFileBytes() << SettingsFile::defaults();
        QByteArray lf = defaultFileBytes();
        lf.replace("\r\n", "\n");
        QTest::newRow("LF only") << lf << SettingsFile::defaults();
        QByteArray cr = defaultFileBytes();
        cr.replace("\r\n", "\r");
        QTest::newRow("CR only") << cr << SettingsFile::defaults();
        QTest::newRow("no break after last") << QByteArray("18\r\nx") << QStringList{"18", "x"};
        QTest::newRow("three lines") << QByteArray("18\r\n\r\nkind\r\n") << QStringList{"18", "", "kind"};
        QTest::newRow("empty") << QByteArray() << QStringList{};
        QTest::newRow("one empty line") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("NUL ends the text") << QByteArray("18\r\nab\0cd\r\nef", 13) << QStringList{"18", "ab"};
        QTest::newRow("extra lines kept") << QByteArray("1\n2\n3\n4\n5\n6\n7\n")
                                          << QStringList{"1", "2", "3", "4", "5", "6", "7"};
        QTest::newRow("mixed ends") << QByteArray("a\rb\nc\r\nd") << QStringList{"a", "b", "c", "d"};
    }

    void parse()
    {
        QFETCH(QByteArray, bytes);
        QTEST(SettingsFile::parse(bytes), "items");
    }

    void unencodableCharacterBecomesQuestionMark_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("outside the code page") << QStringLiteral("ä✓Я") << QByteArray("??\xdf\r\n");
        QTest::newRow("lone high surrogate") << QStringLiteral("a") + QChar(0xD800) + u'b' << QByteArray("a?b\r\n");
        QTest::newRow("lone low surrogate") << QStringLiteral("a") + QChar(0xDC00) << QByteArray("a?\r\n");
        QTest::newRow("pair is one character") << QStringLiteral("a😀Я") << QByteArray("a?\xdf\r\n");
        // An item stays one line, whatever was pasted into it.
        QTest::newRow("line breaks in an item") << QStringLiteral("a\r\nb\nc\rЯ") << QByteArray("a  b c \xdf\r\n");
        QTest::newRow("zero in an item") << QStringLiteral("a") + QChar(0) + u'b' << QByteArray("a b\r\n");
    }
    void unencodableCharacterBecomesQuestionMark()
    {
        QFETCH(QString, item);
        QTEST(SettingsFile::encode({item}), "bytes");
    }

    void roundTripKeepsExtraLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("mem.txt");
        const QStringList items = {"18", "ПРОФОРМА ФАКТУРА", "", "чл. 113, ал. 9", "нулева ставка", "extra"};
        SettingsFile::save(path, items);
        QCOMPARE(SettingsFile::load(path), items);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().endsWith("extra\r\n"));
    }

    // The table tool gives a start folder without settings the defaults in
    // a currency; a file that is there stays as it is.
    void toolWritesMissingSettingsOnly_data()
    {
        QTest::addColumn<std::optional<QByteArray>>("before");
        QTest::addColumn<int>("currency");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QByteArray>("after");
        const std::optional<QByteArray> none;
        QTest::newRow("no file, euro") << none << int(Currency::Euro) << true << defaultFileBytes() + "EUR\r\n";
        QTest::newRow("no file, leva") << none << int(Currency::Leva) << true << defaultFileBytes() + "\xeb\xe2\r\n";
        QTest::newRow("a file") << std::optional(QByteArray("9%\r\n")) << int(Currency::Euro) << false
                                << QByteArray("9%\r\n");
        QTest::newRow("an empty file") << std::optional(QByteArray()) << int(Currency::Euro) << false << QByteArray();
    }
    void toolWritesMissingSettingsOnly()
    {
        QFETCH(std::optional<QByteArray>, before);
        QFETCH(int, currency);
        QTemporaryDir dir;
        QFile file(dir.filePath("mem.txt"));
        if (before) {
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(*before);
            file.close();
        }
        QTEST(TableMaker::makeSettings(dir.path(), Currency(currency)), "written");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTEST(file.readAll(), "after");
    }

    void saveIntoMissingFolderFails()
    {
        QTemporaryDir dir;
        QVERIFY_THROWS_EXCEPTION(Failure, SettingsFile::save(dir.filePath("no/such/mem.txt"), {"x"}));
    }

    void unreadableFileFails()
    {
        QTemporaryDir dir;
        // A folder in the file's place cannot be read as a file.
        QVERIFY(QDir(dir.path()).mkdir("mem.txt"));
        QVERIFY_THROWS_EXCEPTION(Failure, SettingsFile::load(dir.filePath("mem.txt")));
    }
};

QTEST_GUILESS_MAIN(tst_SettingsFile)
#include "tst_settingsfile.moc"
