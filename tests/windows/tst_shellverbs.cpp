#include "platform/Shell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The shell's "open" verb on Windows: a new copy of the program is the
// Bilvaro2007.exe of the current directory, whatever that folder is called.
// A probe program stands in for it and writes down how it was started.
// (The "print" verb runs the command the registry names for the file's type;
// Wine did not run one registered under HKEY_CURRENT_USER, so only a real
// Windows shows it.)
class tst_ShellVerbs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void openStartsTheCopyInTheCurrentDirectory_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("plain name") << QStringLiteral("program");
        QTest::newRow("blanks and Cyrillic") << QStringLiteral("Фактури 2007");
    }

    void openStartsTheCopyInTheCurrentDirectory()
    {
        QFETCH(QString, folder);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkdir(folder));
        const QString dir = root.filePath(folder);
        const QString probe = dir + QStringLiteral("/Bilvaro2007.exe");
        QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/shell_probe.exe"), probe));
        const QString out = root.filePath(QStringLiteral("probe.txt"));
        qputenv("BILVARO_PROBE_OUT", QDir::toNativeSeparators(out).toUtf8());
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir));
        shell().openNewCopy();
        QDir::setCurrent(before);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(out).size() > 0, 20000);
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        const QStringList expected = {probe, dir};
        QCOMPARE(lines.size(), expected.size());
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(QDir::cleanPath(lines[i]).toLower(), QDir::cleanPath(expected[i]).toLower());
    }
};

QTEST_GUILESS_MAIN(tst_ShellVerbs)
#include "tst_shellverbs.moc"
