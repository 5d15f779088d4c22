// The log that takes what a windowed program writes to its error output: the
// newest file turns into .1 once full, each older one moves a number up, and
// the oldest beyond the kept ones goes.
#include "platform/ErrorLog.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class tst_ErrorLog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Each existing file is named by its number (0: the newest) and holds
    // that digit repeated; after one more line, which file holds what.
    void rotation_data()
    {
        QTest::addColumn<QList<int>>("existing");  // numbers of the files there before
        QTest::addColumn<int>("newestSize");        // bytes in the newest one
        QTest::addColumn<QStringList>("after");     // "number=content" after the line
        QTest::newRow("first line") << QList<int>{} << 0 << QStringList{"0=L"};
        QTest::newRow("room left") << QList<int>{0} << 9 << QStringList{"0=0L"};
        QTest::newRow("full") << QList<int>{0} << 10 << QStringList{"0=L", "1=0"};
        QTest::newRow("full, older ones move up") << QList<int>{0, 1, 2} << 10
                                                  << QStringList{"0=L", "1=0", "2=1", "3=2"};
        QTest::newRow("full, the oldest goes") << QList<int>{0, 1, 2, 3} << 12
                                               << QStringList{"0=L", "1=0", "2=1", "3=2"};
        QTest::newRow("a gap in the numbers") << QList<int>{0, 2} << 10 << QStringList{"0=L", "1=0", "3=2"};
    }

    void rotation()
    {
        QFETCH(QList<int>, existing);
        QFETCH(int, newestSize);
        QFETCH(QStringList, after);
        QTemporaryDir folder;
        const LogFiles files{folder.filePath(QStringLiteral("Bilvaro2007.log")), 10, 3};
        for (const int number : existing) {
            const QByteArray digit = QByteArray::number(number);
            writeFile(number == 0 ? files.path : files.path + u'.' + QString::number(number),
                      number == 0 ? digit.repeated(newestSize) : digit.repeated(10));
        }
        appendToLog(files, QStringLiteral("L"));
        QStringList found;
        for (int number = 0; number <= files.kept + 1; ++number) {
            const QString path = number == 0 ? files.path : files.path + u'.' + QString::number(number);
            if (!QFileInfo::exists(path))
                continue;
            // Only the first and last byte of each: the digit it came from, the line.
            const QByteArray bytes = readFile(path).trimmed();
            QByteArray shown = bytes.left(1);
            if (bytes.endsWith('L') && bytes != "L")
                shown += 'L';
            found << QString::number(number) + u'=' + QString::fromLatin1(shown);
        }
        QCOMPARE(found, after);
    }

    // Qt's messages from anywhere in the program land in the log, in UTF-8
    // with their kind; the data folder is made for the first one.
    void qtMessagesGoToTheLog()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("DB/Bilvaro2007.log"));
        sendMessagesToLog({path});
        qWarning("%s", "Шрифтът „Arial“ липсва");
        qInstallMessageHandler(nullptr);
        const QString logged = QString::fromUtf8(readFile(path));
        QVERIFY2(logged.trimmed().endsWith(QStringLiteral(" warning: Шрифтът „Arial“ липсва")), qPrintable(logged));
        QCOMPARE(logged.count(u'\n'), 1);
    }
};

QTEST_GUILESS_MAIN(tst_ErrorLog)
#include "tst_errorlog.moc"
