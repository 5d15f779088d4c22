#include "platform/Shell.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// The shell's verbs on Windows: "open" on the program's relative name starts
// the copy in the current directory, "print" runs the print command that the
// registry names for the file's type. A probe program stands in for both.
class tst_ShellVerbs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void verb_data()
    {
        QTest::addColumn<QString>("verb");
        QTest::newRow("open") << QStringLiteral("open");
    }

    void verb()
    {
        QFETCH(QString, verb);
        QTemporaryDir dir;
        const QString probe = dir.filePath(QStringLiteral("Bilvaro2007.exe"));
        QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/shell_probe.exe"), probe));
        const QString out = dir.filePath(QStringLiteral("probe.txt"));
        qputenv("BILVARO_PROBE_OUT", QDir::toNativeSeparators(out).toUtf8());
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        QStringList expected = {probe, dir.path()};
        if (verb == QLatin1String("open")) {
            shell().openNewCopy();
        } else {
            QSettings classes(QStringLiteral("HKEY_CURRENT_USER\\Software\\Classes"), QSettings::NativeFormat);
            classes.setValue(QStringLiteral(".bvprobe/."), QStringLiteral("BilvaroProbe"));
            classes.setValue(QStringLiteral("BilvaroProbe/shell/print/command/."),
                             QStringLiteral("\"%1\" \"%2\"").arg(QDir::toNativeSeparators(probe), QStringLiteral("%1")));
            classes.sync();
            const QString page = dir.filePath(QStringLiteral("page 1.bvprobe"));
            QVERIFY(QFile(page).open(QIODevice::WriteOnly));
            shell().printFile(page);
            expected.append(QDir::toNativeSeparators(page));
            classes.remove(QStringLiteral(".bvprobe"));
            classes.remove(QStringLiteral("BilvaroProbe"));
        }
        QDir::setCurrent(before);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(out).size() > 0, 20000);
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        QCOMPARE(lines.size(), expected.size());
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(QDir::cleanPath(lines[i]).toLower(), QDir::cleanPath(expected[i]).toLower());
    }
};

QTEST_GUILESS_MAIN(tst_ShellVerbs)
#include "tst_shellverbs.moc"
