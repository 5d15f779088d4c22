// The plain rules of the update: comparing builds, the progress caption, the
// version stamp of a program file, moving a new program file into place, and
// the release signature (a key pair and signature made once with openssl).
#include "common/Failure.h"
#include "platform/Executable.h"
#include "update/ExecutableInstall.h"
#include "update/ReleaseKey.h"
#include "update/Signature.h"
#include "update/UpdateRules.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

QString waitHelper()
{
    QString file = QCoreApplication::applicationDirPath() + QStringLiteral("/wait_helper");
#ifdef Q_OS_WIN
    file += QStringLiteral(".exe");
#endif
    return file;
}

// The base64 line of a PEM public key file.
QByteArray pemBase64(const QString &path)
{
    QByteArray line;
    for (const QByteArray &part : readFile(path).split('\n')) {
        if (!part.startsWith("-----"))
            line += part.trimmed();
    }
    return line;
}

} // namespace

class tst_UpdateRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newerBuild_data()
    {
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("remote");
        QTest::addColumn<bool>("newer");
        QTest::addColumn<QString>("failure");
        QTest::newRow("numbers, not texts") << "1.1.0.9" << "1.1.0.10" << true << "";
        QTest::newRow("older build") << "1.1.0.10" << "1.1.0.9" << false << "";
        QTest::newRow("no dots") << "9" << "10" << true << "";
        QTest::newRow("blank before the number") << "1.1.0.9" << "1.1.0. 10" << false
                                                 << "Версията на сървъра за обновяване „1.1.0. 10“ не завършва с цяло число.";
        QTest::newRow("too big to count") << "1.1.0.9" << "1.1.0.99999999999999999999" << false
                                          << "Версията на сървъра за обновяване „1.1.0.99999999999999999999“ не "
                                             "завършва с цяло число.";
        QTest::newRow("error page cut short")
            << "1.1.0.9" << QString(50, u'x') << false
            << "Версията на сървъра за обновяване „" + QString(40, u'x') + "…“ не завършва с цяло число.";
        QTest::newRow("no own version") << "" << "" << false << "Версията на програмата „“ не завършва с цяло число.";
    }

    void newerBuild()
    {
        QFETCH(QString, local);
        QFETCH(QString, remote);
        QFETCH(QString, failure);
        try {
            QTEST(isNewerBuild(local, remote), "newer");
            QVERIFY2(failure.isEmpty(), "no failure");
        } catch (const Failure &thrown) {
            QCOMPARE(thrown.text(), failure);
        }
    }

    void progressCaption_data()
    {
        QTest::addColumn<qint64>("written");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<QString>("caption");
        QTest::newRow("whole") << qint64(1500000) << qint64(1500000) << "100%";
        QTest::newRow("in whole kilobytes") << qint64(102400) << qint64(1500000) << "6.8306%";
        QTest::newRow("under a kilobyte written") << qint64(1023) << qint64(1500000) << "0%";
        QTest::newRow("under a kilobyte in all") << qint64(350) << qint64(700) << "50%";
        QTest::newRow("under a kilobyte, rounded") << qint64(1) << qint64(3) << "33.3333%";
    }

    void progressCaption()
    {
        QFETCH(qint64, written);
        QFETCH(qint64, length);
        QTEST(::progressCaption(written, length), "caption");
    }

    void versionStamp_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("version");
        QTest::newRow("stamp") << QByteArray("\x7f" "ELF..\nBILVARO-FILEVERSION=1.1.0.10\n...") << "1.1.0.10";
        static const char readerFirst[] = "\nBILVARO-FILEVERSION=\0..\nBILVARO-FILEVERSION=2.0\n";
        QTest::newRow("the reader's marker first") << QByteArray(readerFirst, sizeof readerFirst - 1) << "2.0";
        QTest::newRow("no stamp") << QByteArray("\x7f" "ELF....") << "";
        QTest::newRow("stamp without its end") << QByteArray("..\nBILVARO-FILEVERSION=1.1") << "";
    }

    void versionStamp()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows programs carry a version resource");
#endif
        QFETCH(QByteArray, contents);
        QTemporaryDir folder;
        writeFile(folder.filePath("program"), contents);
        QTEST(executableVersionText(folder.filePath("program")), "version");
    }

    void signature_data()
    {
        const QByteArray key = QByteArray::fromHex("302a300506032b6570032100b407439fd298928771c6c7a1bd5ab6d6"
                                                   "899713fc81a7c6d0c2842c659c619ca6");
        const QByteArray signature = QByteArray::fromHex(
            "c562e5d2841a5ea14b3d37b65c41635c233c9d355feeb9319ca37d4d92f6ff99"
            "de6b571ce4a9cee4abe6c061edeb99e1ef7eff2d10b34b5413cb2c874cd2bb0c");
        const QByteArray signedBytes("Bilvaro2007 1.1.0.10");
        QByteArray flipped = signature;
        flipped[10] = char(flipped[10] ^ 1);
        const QByteArray ed448Key = QByteArray::fromHex(
            "3043300506032b6571033a00339b43d02fee596ea6f62251ea25e41ccb55f2df99ff6799974ad621f24294c8"
            "7c2a0d315f339872c795c61ceaa788cea3dfb8de3cd6443f80");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("signature");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("valid");
        QTest::newRow("good signature") << key << signature << signedBytes << true;
        QTest::newRow("other bytes") << key << signature << QByteArray("Bilvaro2007 1.1.0.11") << false;
        QTest::newRow("one bit changed") << key << flipped << signedBytes << false;
        QTest::newRow("signature cut short") << key << signature.chopped(1) << signedBytes << false;
        QTest::newRow("key without its DER header") << key.right(32) << signature << signedBytes << false;
        QTest::newRow("Ed448 key") << ed448Key << signature << signedBytes << false;
        QTest::newRow("no key") << QByteArray() << signature << signedBytes << false;
    }

    void signature()
    {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, signature);
        QFETCH(QByteArray, data);
        QTEST(ed25519SignatureValid(key, signature, data), "valid");
    }

    // A release is signed as the release of its version: "Bilvaro2007
    // <version>" and a line feed, then the program file (a key pair and
    // signatures made once with openssl, as docs/admin-guide.md shows).
    void releaseSignature_data()
    {
        const QByteArray key = QByteArray::fromHex("302a300506032b6570032100f3b52c03ddd253692adcf3e491945c7447c768e3"
                                                   "9f0236bc71713980e5d1e08d");
        const QByteArray signedAsRelease = QByteArray::fromHex(
            "fd8f171dc05218432479e12efac0771b190f92c83d5c565b98c416efebb54dd0"
            "5f014eafd924e561403f10bcc7a5940244c76c9c13b24a8685fc091545fbee0d");
        const QByteArray signedAlone = QByteArray::fromHex(
            "a1310ab74bfd6a839580ef127a18c963fa34e3d298584730910a2c783e836ae4"
            "e12ab3004d3b61bbfb6b448c933a633a5ab519cad47b07cbbd12d4cda9b9c308");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("signature");
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("valid");
        QTest::newRow("signed as this version") << key << signedAsRelease << "1.1.0.10" << true;
        QTest::newRow("offered as a higher version") << key << signedAsRelease << "1.1.0.11" << false;
        QTest::newRow("offered as a lower version") << key << signedAsRelease << "1.1.0.9" << false;
        // An older release's kind of signature: the program file alone.
        QTest::newRow("signature without a version") << key << signedAlone << "1.1.0.10" << false;
    }

    void releaseSignature()
    {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, signature);
        QFETCH(QString, version);
        QTEST(releaseSignatureValid(key, signature, version, QByteArrayView("MZ program")), "valid");
    }

    // The stamp as the build puts it into a program file: on Windows the
    // "FileVersion" of the version resource.
    void executableVersion_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("version");
        QTest::newRow("a stamped program") << waitHelper() << "2.7.0.31";
        QTest::newRow("the program") << QStringLiteral(PROGRAM_FILE) << QStringLiteral(PROGRAM_VERSION);
#ifdef Q_OS_WIN
        // Elsewhere this test program holds stamps as test data.
        QTest::newRow("a program without a version") << QCoreApplication::applicationFilePath() << "";
#endif
        QTest::newRow("no such file") << waitHelper() + QStringLiteral("-missing") << "";
    }

    void executableVersion()
    {
        QFETCH(QString, file);
        QTEST(executableVersionText(file), "version");
    }

    // Every build embeds the project's release key, dist/release-key.pub, as
    // this test program does too; the end-to-end builds embed the tests' own.
    void embeddedReleaseKey_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("projectKey");
        QTest::newRow("the program") << QStringLiteral(PROGRAM_FILE) << true;
        QTest::newRow("a build with the tests' key") << QStringLiteral(TEST_KEY_BUILD) << false;
        QTest::newRow("a program without a key") << waitHelper() << false;
    }

    void embeddedReleaseKey()
    {
        QFETCH(QString, file);
        const QByteArray key = pemBase64(QStringLiteral(PROJECT_KEY_FILE));
        QCOMPARE(key.size(), 60);
        QCOMPARE(::embeddedReleaseKey(), QByteArray::fromBase64(key));
        QCOMPARE(buildUpdateSettings().publicKey, QByteArray::fromBase64(key));
        QTEST(readFile(file).contains(key), "projectKey");
    }

    // A program without a key, or without an update server, refuses to look
    // for an update, and says why.
    void refusedUpdates_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QString>("failure");
        const QByteArray key = QByteArray::fromBase64(pemBase64(QStringLiteral(PROJECT_KEY_FILE)));
        QTest::newRow("no server") << "" << key
                                   << "Тази инсталация на програмата няма сървър за обновяване: програмата не "
                                      "може да се обнови оттук.";
        QTest::newRow("no key") << "https://127.0.0.1/" << QByteArray()
                                << "Тази инсталация на програмата няма ключ, с който да провери подписа на "
                                   "обновяванията: обновяване не се инсталира.";
        QTest::newRow("server and key") << "https://127.0.0.1/" << key << "";
    }

    void refusedUpdates()
    {
        QFETCH(QString, address);
        QFETCH(QByteArray, key);
        QFETCH(QString, failure);
        QString said;
        try {
            checkBaseAddress(address);
            checkReleaseKey(key);
        } catch (const Failure &refused) {
            said = refused.text();
        }
        QCOMPARE(said, failure);
    }

    // The update moves the running program's file aside. A kept file whose
    // program still runs cannot be deleted on Windows: then nothing changes,
    // and the file goes once that program has ended (at the next start).
    void replaceRunningProgram_data()
    {
        QTest::addColumn<bool>("keptRuns");  // the kept program runs, not the installed one
        QTest::addColumn<bool>("replaced");
        QTest::newRow("installed program runs") << false << true;
#ifdef Q_OS_WIN
        QTest::newRow("kept program still runs") << true << false;
#else
        QTest::newRow("kept program still runs") << true << true;
#endif
    }

    void replaceRunningProgram()
    {
        QFETCH(bool, keptRuns);
        QFETCH(bool, replaced);
        QTemporaryDir folder;
        const QString target = folder.filePath("program.exe");
        const QString kept = folder.filePath("programold.exe");
        const QString staged = folder.filePath("program.new");
        // Bytes after a program do not stop it from starting.
        const QByteArray program = readFile(waitHelper());
        QVERIFY(looksLikeExecutable(program));
        writeFile(target, program);
        writeFile(kept, program + "earlier build");
        writeFile(staged, program + "new build");
        QVERIFY(makeExecutable(target) && makeExecutable(kept));
        QProcess running;
        running.start(keptRuns ? kept : target, {});
        QVERIFY2(running.waitForStarted(), qPrintable(running.errorString()));

        QCOMPARE(::replaceKeepingOld(staged, target, kept), replaced);
        QVERIFY(readFile(target) == (replaced ? program + "new build" : program));
        QVERIFY(readFile(kept) == (replaced ? program : program + "earlier build"));
        running.closeWriteChannel();
        QVERIFY(running.waitForFinished());
        QCOMPARE(running.exitStatus(), QProcess::NormalExit);
        QCOMPARE(running.exitCode(), 0);
        QVERIFY(QFile::remove(kept));
    }

    // The staged program is written through to the disk by the handle Qt
    // wrote it with (on Windows Qt gives a file it opened by name a C runtime
    // descriptor of that handle). Windows refuses to flush a handle opened
    // for reading only, which shows that the flush is really made there.
    void syncToDisk_data()
    {
        QTest::addColumn<QIODevice::OpenMode>("mode");
        QTest::addColumn<bool>("flushed");
        QTest::newRow("opened for writing") << QIODevice::OpenMode(QIODevice::WriteOnly) << true;
#ifdef Q_OS_WIN
        QTest::newRow("opened for reading") << QIODevice::OpenMode(QIODevice::ReadOnly) << false;
#else
        QTest::newRow("opened for reading") << QIODevice::OpenMode(QIODevice::ReadOnly) << true;
#endif
    }

    void syncToDisk()
    {
        QFETCH(QIODevice::OpenMode, mode);
        QTemporaryDir folder;
        const QString path = folder.filePath("Bilvaro2007.new");
        writeFile(path, "MZ program");
        QFile file(path);
        QVERIFY(file.open(mode));
        QVERIFY(file.handle() != -1);
        QTEST(::syncToDisk(file), "flushed");
    }

    void replaceKeepingOld_data()
    {
        QTest::addColumn<bool>("kept");     // an earlier kept file is there
        QTest::addColumn<bool>("staged");   // the new file is there
        QTest::addColumn<bool>("replaced");
        QTest::newRow("earlier kept file") << true << true << true;
        QTest::newRow("first update") << false << true << true;
        // The new file cannot be moved in: the installed one is put back.
        QTest::newRow("new file gone") << false << false << false;
    }

    void replaceKeepingOld()
    {
        QFETCH(bool, kept);
        QFETCH(bool, staged);
        QFETCH(bool, replaced);
        QTemporaryDir folder;
        const QString target = folder.filePath("Bilvaro2007");
        const QString old = folder.filePath("Bilvaro2007old");
        writeFile(target, "installed");
        if (kept)
            writeFile(old, "earlier");
        if (staged)
            writeFile(folder.filePath("new"), "new");
        QCOMPARE(::replaceKeepingOld(folder.filePath("new"), target, old), replaced);
        QCOMPARE(readFile(target), replaced ? QByteArray("new") : QByteArray("installed"));
        QCOMPARE(readFile(old), replaced ? QByteArray("installed") : QByteArray("(missing)"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), replaced ? 2 : 1);
    }
};

QTEST_GUILESS_MAIN(tst_UpdateRules)
#include "tst_updaterules.moc"
