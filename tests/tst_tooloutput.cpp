// The table tool's output encoding: UTF-8 by default, UTF-16 with a byte
// order mark for the Windows setup, which shows it in its log (and would
// garble UTF-8 as the machine's code page). Run on tables that exist already.
#include <QDir>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

class tst_ToolOutput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void encoding_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("bom");       // the output's first bytes
        QTest::addColumn<QString>("decoder");      // empty: refused with the usage
        QTest::newRow("default") << QStringList{} << QByteArray() << "UTF-8";
        QTest::newRow("utf-8") << QStringList{"--encoding", "utf-8"} << QByteArray() << "UTF-8";
        QTest::newRow("utf-16, for the setup") << QStringList{"--encoding", "utf-16"} << QByteArray("\xff\xfe")
                                               << "UTF-16LE";
        QTest::newRow("an encoding it does not write") << QStringList{"--encoding", "windows-1252"} << QByteArray()
                                                       << "";
        QTest::newRow("no encoding named") << QStringList{"--encoding"} << QByteArray() << "";
    }

    void encoding()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, bom);
        QFETCH(QString, decoder);
        QTemporaryDir root;
        const QString folder = root.filePath(QStringLiteral("Фирма"));
        QVERIFY(QDir().mkpath(folder));
        QProcess tool;
        tool.start(QStringLiteral(TABLE_TOOL), {folder});
        QVERIFY(tool.waitForFinished() && tool.exitCode() == 0);
        tool.start(QStringLiteral(TABLE_TOOL), QStringList{folder} + options);
        QVERIFY(tool.waitForFinished());
        if (decoder.isEmpty()) {
            QCOMPARE(tool.exitCode(), 2);
            QVERIFY(tool.readAllStandardOutput().isEmpty());
            return;
        }
        QCOMPARE(tool.exitCode(), 0);
        const QByteArray bytes = tool.readAllStandardOutput();
        QVERIFY(bytes.startsWith(bom));
        QStringDecoder decode(decoder.toLatin1().constData(), QStringDecoder::Flag::Stateless);
        QString text = decode(bytes.mid(bom.size()));
        QVERIFY(!decode.hasError());
        // A console program's text output ends its lines with CR LF on Windows.
        text.remove(u'\r');
        const QString stock = QDir::toNativeSeparators(QDir(folder).filePath(QStringLiteral("DB/stock.db")));
        QVERIFY2(text.split(u'\n').contains(QStringLiteral("Оставена както е: ") + stock), qPrintable(text));
        QCOMPARE(text.count(QStringLiteral("Оставена както е: ")), 4);
    }
};

QTEST_GUILESS_MAIN(tst_ToolOutput)
#include "tst_tooloutput.moc"
