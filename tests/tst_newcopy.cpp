// "Нова фактура" (and the restart after an update) starts the running
// program's own file again, with the start folder as its current directory,
// wherever the program is installed; when it cannot be started the user is
// told and this run goes on. A helper program stands in for the program.
#include "document/Document.h"
#include "support/WindowTest.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {

QString helperProgram()
{
    QString file = QCoreApplication::applicationDirPath() + QStringLiteral("/new_copy_helper");
#ifdef Q_OS_WIN
    file += QStringLiteral(".exe");
#endif
    return file;
}

QStringList linesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// Starts the helper from `program` in `startFolder`; it starts `copies` more.
void runHelper(QProcess &process, const QString &program, const QString &startFolder, const QString &out,
               int copies, bool removeSelf)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("BILVARO_PROBE_OUT"), out);
    environment.insert(QStringLiteral("BILVARO_PROBE_COPIES"), QString::number(copies));
    if (removeSelf)
        environment.insert(QStringLiteral("BILVARO_PROBE_REMOVE_SELF"), QStringLiteral("1"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(startFolder);
    process.start(program, {});
    QVERIFY(process.waitForFinished());
}

} // namespace

class tst_NewCopy : public WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void startsOwnFileInStartFolder_data()
    {
        QTest::addColumn<QString>("folder");  // the start folder, not the program's
        QTest::addColumn<int>("copies");
        QTest::newRow("start folder elsewhere") << "start" << 1;
        QTest::newRow("blanks and Cyrillic, a new copy of a new copy") << "Фактури 2007" << 2;
    }

    void startsOwnFileInStartFolder()
    {
        QFETCH(QString, folder);
        QFETCH(int, copies);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkdir(folder));
        const QString start = root.filePath(folder);
        const QString out = root.filePath(QStringLiteral("copies.txt"));
        QProcess first;
        runHelper(first, helperProgram(), start, out, copies, false);
        QCOMPARE(first.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(linesOf(out).size(), copies + 1, 20000);
        const QString expected = QDir::cleanPath(helperProgram()) + u'\t' + QDir::cleanPath(start);
        for (const QString &line : linesOf(out))
            QCOMPARE(line.toCaseFolded(), expected.toCaseFolded());
    }

    // The program's file is gone (an installation removed under it): the
    // running copy says so and stays.
    void programThatCannotStart()
    {
#ifdef Q_OS_WIN
        QSKIP("a running program's file cannot be deleted on Windows");
#endif
        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("Програма/new_copy_helper"));
        QVERIFY(QDir(root.path()).mkdir(QStringLiteral("Програма")));
        QVERIFY(QFile::copy(helperProgram(), program));
        const QString out = root.filePath(QStringLiteral("copies.txt"));
        QProcess first;
        runHelper(first, program, root.path(), out, 1, true);
        QCOMPARE(first.exitCode(), 3);
        QCOMPARE(QString::fromUtf8(first.readAllStandardOutput()),
                 QStringLiteral("Новото копие на програмата „%1“ не може да бъде стартирано. "
                                "Тази програма остава отворена.")
                     .arg(program));
        QCOMPARE(linesOf(out).size(), 1);
    }

    // The message loop ends only when the new copy has started.
    void newInvoice_data()
    {
        QTest::addColumn<QString>("failure");  // of the system; empty: the copy starts
        QTest::addColumn<int>("loopEnds");
        QTest::newRow("copy started") << "" << 1;
        QTest::newRow("copy not started") << "Новото копие на програмата не може да бъде стартирано." << 0;
    }

    void newInvoice()
    {
        QFETCH(QString, failure);
        QFETCH(int, loopEnds);
        app().start(prompter());
        app().shell.newCopyFailure = failure;
        if (!failure.isEmpty())
            prompter().expectError(failure);
        Doc->SpeedButton3->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(app().shell.loopEnds, loopEnds);
        QCOMPARE(app().shell.newCopies, failure.isEmpty() ? 1 : 0);
    }
};

QTEST_MAIN(tst_NewCopy)
#include "tst_newcopy.moc"
