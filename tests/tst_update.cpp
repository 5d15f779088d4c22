// The update against a real web server on 127.0.0.1: the version check of
// "Обновяване", and the download and install of "Инсталирай" into a private
// installation folder. This test program is stamped with version 1.1.0.9.
#include "app/Leftovers.h"
#include "app/Menu.h"
#include "platform/Executable.h"
#include "support/WindowTest.h"
#include "update/Signature.h"
#include "update/Updater.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <optional>

namespace {

const QString Current = QStringLiteral("Вашата версия на програмата е актуална!");
const QString Installed = QStringLiteral("Обновяването на програмата завърши успешно!");
const QString NotInstalled = QStringLiteral("Обновяването на програмата не може да бъде извършено!");

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Whether a program file starts and ends well.
bool starts(const QString &path)
{
    QProcess process;
    process.start(path, {});
    return process.waitForFinished() && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    QVERIFY2(process.waitForFinished() && process.exitCode() == 0, process.readAllStandardError().constData());
}

// An environment variable set for the lifetime of this object.
class Environment {
public:
    Environment(const char *name, const QString &value) : m_name(name) { qputenv(name, value.toUtf8()); }
    ~Environment() { qunsetenv(m_name); }

private:
    const char *m_name;
};

} // namespace

class tst_Update : public WindowTest {
    Q_OBJECT

    QTemporaryDir m_root;  // the server's files and the signing key
    QProcess m_server;
    int m_port = 0;
    int m_releases = 0;
    QByteArray m_oldProgram;  // a program that starts: the installed build
    QByteArray m_newProgram;  // another one of 1,500,000 bytes: the new build

    // Publishes a release under a folder of its own; its base address with
    // the server's behaviour.
    QString publish(const QString &behaviour, const QByteArray &version, const QByteArray &program = {},
                    const QByteArray &signature = {})
    {
        const QString release = QStringLiteral("release%1").arg(++m_releases);
        const QString folder = m_root.filePath(release + QStringLiteral("/VEZOZEVURE/"));
        if (!version.isNull())
            writeFile(folder + QStringLiteral("Bilvaro2007.txt"), version);
        if (!program.isNull())
            writeFile(folder + executableFileName(), program);
        if (!signature.isNull())
            writeFile(folder + executableFileName() + QStringLiteral(".sig"), signature);
        return QStringLiteral("http://127.0.0.1:%1/%2/%3").arg(m_port).arg(behaviour, release);
    }

    QByteArray sign(const QByteArray &bytes)
    {
        const QString file = m_root.filePath(QStringLiteral("signed"));
        writeFile(file, bytes);
        run(QStringLiteral("openssl"), {"pkeyutl", "-sign", "-inkey", m_root.filePath("key.pem"), "-rawin",
                                        "-in", file, "-out", file + ".sig"});
        return readFile(file + ".sig");
    }

private Q_SLOTS:
    void initTestCase()
    {
#ifdef Q_OS_WIN
        // The web server (Python) and the signing tool (openssl) of these
        // tests are Linux programs: on Windows only the tests without them run.
        return;
#endif
        m_server.start(QStringLiteral("python3"), {QStringLiteral(UPDATE_SERVER_SCRIPT), m_root.path()});
        QVERIFY(m_server.waitForReadyRead());
        m_port = m_server.readLine().trimmed().toInt();
        QVERIFY(m_port > 0);
        m_oldProgram = readFile(QStandardPaths::findExecutable(QStringLiteral("true")));
        QVERIFY(m_oldProgram.startsWith("\x7f" "ELF"));
        // The same program with other bytes after it still starts.
        m_newProgram = m_oldProgram + QByteArray(1500000 - m_oldProgram.size(), '\x5a');
        run(QStringLiteral("openssl"), {"genpkey", "-algorithm", "ed25519", "-out", m_root.filePath("key.pem")});
        run(QStringLiteral("openssl"), {"pkey", "-in", m_root.filePath("key.pem"), "-pubout", "-outform", "DER",
                                        "-out", m_root.filePath("key.der")});
    }

    void cleanupTestCase()
    {
        m_server.kill();
        m_server.waitForFinished();
    }

    void window()
    {
        app().start(prompter());
        QCOMPARE(UpdateI->windowTitle(), QStringLiteral("Обновяване на програмата"));
        QCOMPARE(UpdateI->size(), QSize(295, 74));
        QCOMPARE(UpdateI->minimumSize(), UpdateI->maximumSize());
        QVERIFY(!(UpdateI->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(UpdateI->palette().color(QPalette::Window), QColor(223, 223, 223));
        QCOMPARE(UpdateI->font().pixelSize(), 13);
        QCOMPARE(UpdateI->SpeedButton1->text(), QStringLiteral("Инсталирай"));
        QCOMPARE(UpdateI->SpeedButton1->geometry(), QRect(8, 48, 130, 22));
        QCOMPARE(UpdateI->SpeedButton1->palette().color(QPalette::ButtonText), QColor(Qt::blue));
        QCOMPARE(UpdateI->SpeedButton2->text(), QStringLiteral("Изход"));
        QCOMPARE(UpdateI->SpeedButton2->geometry(), QRect(160, 48, 130, 22));
        QCOMPARE(UpdateI->SpeedButton2->palette().color(QPalette::ButtonText), QColor(Qt::red));
        QVERIFY(UpdateI->SpeedButton1->font().bold() && UpdateI->SpeedButton2->font().bold());
        QVERIFY(UpdateI->Edit1->isHidden());
        QVERIFY(UpdateI->Edit1->text().endsWith(QStringLiteral("/VEZOZEVURE/") + executableFileName()));
        // The bar: orange from the left over its share, light grey after, no text.
        QProgressBar *bar = UpdateI->CGauge1;
        QCOMPARE(bar->geometry(), QRect(8, 16, 281, 17));
        QCOMPARE(bar->minimum(), 0);
        bar->setValue(bar->maximum() / 2);
        const QImage picture = bar->grab().toImage();
        QCOMPARE(picture.pixelColor(20, 8), QColor(255, 128, 0));
        QCOMPARE(picture.pixelColor(260, 8), QColor(211, 211, 211));
        UpdateI->show();
        UpdateI->SpeedButton2->click();
        QVERIFY(!UpdateI->isVisible());
    }

    void check_data()
    {
        QTest::addColumn<QString>("behaviour");  // of the server for the version file
        QTest::addColumn<QByteArray>("version"); // null: no version file
        QTest::addColumn<bool>("shown");         // the update window
        QTest::addColumn<QString>("error");      // the error box, instead of either answer
        QTest::newRow("newer build") << "ok" << QByteArray("1.1.0.10") << true << "";
        QTest::newRow("same build") << "ok" << QByteArray("1.1.0.9") << false << "";
        QTest::newRow("lower build") << "ok" << QByteArray("1.1.0.8") << false << "";
        QTest::newRow("only the build number counts") << "ok" << QByteArray("1.2.0.9") << false << "";
        QTest::newRow("empty answer") << "ok" << QByteArray("") << false << "";
        QTest::newRow("moved elsewhere on the server") << "txt-moved" << QByteArray("1.1.0.10") << true << "";
        // The update goes to its server directly, whatever proxy the environment names.
        QTest::newRow("a proxy in the environment") << "proxied" << QByteArray("1.1.0.10") << true << "";
        const QString noAnswer = QStringLiteral("Сървърът за обновяване не отговори или отговорът му е непълен: "
                                                "версията не е проверена. Проверете връзката с интернет и "
                                                "опитайте отново.");
        QTest::newRow("no server") << "closed" << QByteArray("1.1.0.10") << false << noAnswer;
        QTest::newRow("no Content-Length") << "txt-nolength" << QByteArray("1.1.0.10") << false << noAnswer;
        QTest::newRow("answer cut short") << "txt-short" << QByteArray("1.1.0.10") << false << noAnswer;
        QTest::newRow("never answers") << "txt-hang" << QByteArray("1.1.0.10") << false << noAnswer;
        // A byte now and then never trips the limit of a silent transfer.
        QTest::newRow("trickles past the deadline") << "txt-trickle" << QByteArray("1.1.0.10") << false << noAnswer;
        QTest::newRow("line break after the version")
            << "ok" << QByteArray("1.1.0.10\n") << false
            << "Версията на сървъра за обновяване „1.1.0.10\n“ не завършва с цяло число.";
        QTest::newRow("no version file") << "ok" << QByteArray() << false
                                         << "Сървърът за обновяване отговори с грешка 404.";
        // The launcher of the Debian package names the package manager.
        QTest::newRow("installed from packages") << "packaged" << QByteArray("1.1.0.10") << false
                                                 << "";
        QTest::newRow("not a web address") << "ftp" << QByteArray("1.1.0.10") << false
                                           << "Адресът на сървъра за обновяване „ftp://127.0.0.1/“ не е адрес "
                                              "http:// или https://.";
        // A build without an address, unless one is given when it runs.
        QTest::newRow("no update server") << "noserver" << QByteArray("1.1.0.10") << false
                                          << "Тази инсталация на програмата няма сървър за обновяване: "
                                             "програмата не може да се обнови оттук.";
        // This test program embeds no key: left as built, it looks for nothing.
        QTest::newRow("no release key") << "nokey" << QByteArray("1.1.0.10") << false
                                        << "Тази инсталация на програмата няма ключ, с който да провери "
                                           "подписа на обновяванията: обновяване не се инсталира.";
    }

    void check()
    {
        if (m_port == 0)
            QSKIP("no web server for the tests here");
        QFETCH(QString, behaviour);
        QFETCH(QByteArray, version);
        QFETCH(bool, shown);
        QFETCH(QString, error);
        const bool proxied = behaviour == u"proxied";
        QString base = publish(proxied ? QStringLiteral("ok") : behaviour, version);
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString closedAddress = QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort());
        closed.close();
        if (behaviour == u"closed")
            base = closedAddress;
        else if (behaviour == u"ftp")
            base = QStringLiteral("ftp://127.0.0.1/");
        Environment server("BILVARO_UPDATE_URL", base);
        Environment httpProxy("http_proxy", proxied ? closedAddress : QString());
        Environment anyProxy("ALL_PROXY", proxied ? closedAddress : QString());
        std::optional<Environment> packaged;
        if (behaviour == u"packaged")
            packaged.emplace("BILVARO_UPDATED_BY", QStringLiteral("apt"));
        app().start(prompter());
        if (behaviour != u"nokey")
            UpdateI->Settings.publicKey = readFile(m_root.filePath("key.der"));
        if (behaviour == u"noserver")
            UpdateI->Settings.baseAddress.clear();
        if (behaviour == u"txt-hang")
            UpdateI->Settings.transferTimeoutMs = 300;
        if (behaviour == u"txt-trickle")
            UpdateI->Settings.checkDeadlineMs = 300;
        // Two checks in a row give the same answer.
        for (int check = 0; check < 2; ++check) {
            if (!error.isEmpty())
                prompter().expectError(error);
            else if (packaged)
                prompter().expectInformation(packagedUpdateMessage(QStringLiteral("apt")));
            else if (!shown)
                prompter().expectMessage(Current, Prompter::Icon::Warning);
            Main->SpeedButton9->click();
            QCOMPARE(UpdateI->isVisible(), shown);
            QCOMPARE(UpdateI->UpdateAvailable, shown);
            UpdateI->hide();
        }
    }

    void install_data()
    {
        QTest::addColumn<QString>("behaviour");  // of the server for the program file
        QTest::addColumn<QString>("body");       // "program" or "page"
        // "good", "nokey" (good, but no key to check it), "missing",
        // "wrong" (other bytes), "alone" (the program without its version),
        // "older" (as 1.1.0.8)
        QTest::addColumn<QString>("signature");
        QTest::addColumn<bool>("installed");
        QTest::newRow("whole program") << "ok" << "program" << "good" << true;
        QTest::newRow("error status") << "404" << "program" << "good" << false;
        QTest::newRow("body cut short") << "short" << "program" << "good" << false;
        QTest::newRow("connection dropped") << "drop" << "program" << "good" << false;
        QTest::newRow("never answers") << "hang" << "program" << "good" << false;
        QTest::newRow("trickles past the deadline") << "trickle" << "program" << "good" << false;
        QTest::newRow("no Content-Length") << "nolength" << "program" << "good" << false;
        QTest::newRow("a terabyte announced") << "huge" << "program" << "good" << false;
        QTest::newRow("longer than the bound") << "ok" << "program" << "good" << false;
        QTest::newRow("not a program") << "ok" << "page" << "good" << false;
        // The key gone between the check and the install: nothing is valid.
        QTest::newRow("no release key") << "ok" << "program" << "nokey" << false;
        QTest::newRow("signature missing") << "ok" << "program" << "missing" << false;
        QTest::newRow("signature of other bytes") << "ok" << "program" << "wrong" << false;
        // An older build, validly signed, offered as the newer version.
        QTest::newRow("signature without the version") << "ok" << "program" << "alone" << false;
        QTest::newRow("signed as an older version") << "ok" << "program" << "older" << false;
    }

    void install()
    {
        if (m_port == 0)
            QSKIP("no web server for the tests here");
        QFETCH(QString, behaviour);
        QFETCH(QString, body);
        QFETCH(QString, signature);
        QFETCH(bool, installed);
        const QByteArray program = body == u"program" ? m_newProgram : QByteArray("<html>Няма такава страница</html>");
        QByteArray sig;
        if (signature == u"good" || signature == u"nokey")
            sig = sign(signedReleaseHead("1.1.0.10") + program);
        else if (signature == u"wrong")
            sig = sign(signedReleaseHead("1.1.0.10") + m_oldProgram);
        else if (signature == u"alone")
            sig = sign(program);
        else if (signature == u"older")
            sig = sign(signedReleaseHead("1.1.0.8") + program);
        const QString base = publish(behaviour, "1.1.0.10", program, sig);

        QTemporaryDir folder;
        const QString target = folder.filePath(executableFileName());
        const QString kept = folder.filePath(oldExecutableFileName());
        writeFile(target, m_oldProgram);
        QVERIFY(makeExecutable(target));
        Environment install("BILVARO_INSTALL_DIR", folder.path());
        Environment server("BILVARO_UPDATE_URL", base);
        app().start(prompter());
        UpdateI->Settings.publicKey = readFile(m_root.filePath("key.der"));
        Main->SpeedButton9->click();
        QVERIFY(UpdateI->isVisible());
        if (signature == u"nokey")
            UpdateI->Settings.publicKey.clear();
        if (behaviour == u"hang")
            UpdateI->Settings.transferTimeoutMs = 300;
        if (behaviour == u"trickle")
            UpdateI->Settings.downloadDeadlineMs = 500;
        const bool overBound = QTest::currentDataTag() == QByteArrayView("longer than the bound");
        if (overBound)
            UpdateI->Settings.maxProgramBytes = program.size() - 1;

        prompter().expectMessage(installed ? Installed : NotInstalled,
                                 installed ? Prompter::Icon::Warning : Prompter::Icon::Error);
        // The new build must start at the restart, while this run is still there.
        bool startsAtRestart = false;
        app().shell.onNewCopy = [&] { startsAtRestart = starts(target); };
        UpdateI->SpeedButton1->click();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(app().shell.newCopies, installed ? 1 : 0);
        QCOMPARE(app().shell.loopEnds, installed ? 1 : 0);
        const QStringList files = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        if (installed) {
            QVERIFY(startsAtRestart);
            QCOMPARE(UpdateI->windowTitle(), QStringLiteral("100%"));
            QCOMPARE(UpdateI->CGauge1->value(), UpdateI->CGauge1->maximum());
            QCOMPARE(files, QStringList({executableFileName(), oldExecutableFileName()}));
            QVERIFY(readFile(target) == program);
            QVERIFY(readFile(kept) == m_oldProgram);
        } else {
            // Nothing is left of the attempt: the installed build stands as it was.
            QCOMPARE(files, QStringList{executableFileName()});
            QVERIFY(readFile(target) == m_oldProgram);
        }
        if (behaviour == u"huge" || overBound) {
            // Refused before a byte was written: the progress never moved.
            QCOMPARE(UpdateI->windowTitle(), QStringLiteral("Обновяване на програмата"));
            QCOMPARE(UpdateI->CGauge1->value(), 0);
        }
        QVERIFY(starts(target));
    }

    // "Отказ" stops a download under way; meanwhile the other windows take no
    // input, and the installed build stands as it was.
    void cancel()
    {
        if (m_port == 0)
            QSKIP("no web server for the tests here");
        QTemporaryDir folder;
        const QString target = folder.filePath(executableFileName());
        writeFile(target, m_oldProgram);
        Environment install("BILVARO_INSTALL_DIR", folder.path());
        Environment server("BILVARO_UPDATE_URL", publish("trickle", "1.1.0.10", m_newProgram));
        app().start(prompter());
        UpdateI->Settings.publicKey = readFile(m_root.filePath("key.der"));
        Main->SpeedButton9->click();
        QVERIFY(UpdateI->isVisible());
        bool seen = false, duringDownload = false, menuClosed = true;
        // At the first byte written, from the event loop of the download.
        QObject::connect(UpdateI->CGauge1, &QProgressBar::valueChanged, UpdateI, [&] {
            if (seen)
                return;
            seen = true;
            duringDownload = UpdateI->SpeedButton3->isVisible() && UpdateI->SpeedButton2->isHidden()
                             && !UpdateI->SpeedButton1->isEnabled();
            QTimer::singleShot(0, UpdateI, [&] {
                menuClosed = Main->close();
                QTest::mouseClick(UpdateI->SpeedButton3, Qt::LeftButton);
            });
        });
        QElapsedTimer took;
        took.start();
        UpdateI->SpeedButton1->click();
        QVERIFY(duringDownload);
        QVERIFY2(!menuClosed, "the main menu closed during the download");
        QVERIFY2(took.elapsed() < 1500, "the download went on after the cancel");
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(app().shell.newCopies, 0);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{executableFileName()});
        QVERIFY(readFile(target) == m_oldProgram);
        QCOMPARE(UpdateI->windowTitle(), QStringLiteral("Обновяване на програмата"));
        QVERIFY(UpdateI->isVisible() && UpdateI->SpeedButton2->isVisible() && UpdateI->SpeedButton3->isHidden());
        QVERIFY(UpdateI->SpeedButton1->isEnabled());
    }

    void installAfterNothingNewerDoesNothing()
    {
        if (m_port == 0)
            QSKIP("no web server for the tests here");
        QTemporaryDir folder;
        const QString target = folder.filePath(executableFileName());
        writeFile(target, m_oldProgram);
        Environment install("BILVARO_INSTALL_DIR", folder.path());
        Environment server("BILVARO_UPDATE_URL", publish("ok", "1.1.0.9", m_newProgram));
        app().start(prompter());
        UpdateI->Settings.publicKey = readFile(m_root.filePath("key.der"));
        prompter().expectMessage(Current, Prompter::Icon::Warning);
        Main->SpeedButton9->click();
        UpdateI->SpeedButton1->click();
        QCOMPARE(UpdateI->windowTitle(), QStringLiteral("Обновяване на програмата"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{executableFileName()});
        QVERIFY(readFile(target) == m_oldProgram);
        QCOMPARE(app().shell.newCopies, 0);
    }

    // The temporary files of writers killed half-way, beside the files they
    // replace, go at the next start; a file of a writer still at work (written
    // since this run started) and anything else stays.
    void startRemovesLeftoversOfKilledWriters_data()
    {
        QTest::addColumn<QString>("folder");  // "start", "install" or "DB" (the install folder's)
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("earlier");    // last written before this run started
        QTest::addColumn<bool>("removed");
        const QString staged = executableFileName() + QStringLiteral(".1a2b3c4d.new");
        QTest::newRow("settings file's") << "start" << "mem.txt.Ab12Cd" << true << true;
        QTest::newRow("settings file's, written since") << "start" << "mem.txt.Ab12Cd" << false << false;
        QTest::newRow("settings file's, in another folder") << "install" << "mem.txt.Ab12Cd" << true << false;
        QTest::newRow("not a temporary name") << "start" << "mem.txt.Ab12C" << true << false;
        QTest::newRow("another file's") << "start" << "notes.txt.Ab12Cd" << true << false;
        QTest::newRow("staged program") << "install" << staged << true << true;
        QTest::newRow("staged program, written since") << "install" << staged << false << false;
        QTest::newRow("staged program, in the start folder") << "start" << staged << true << false;
        QTest::newRow("another program's") << "install" << "other.1a2b3c4d.new" << true << false;
        QTest::newRow("archive image's") << "DB" << "InvFirm1_0000000042_.bmp.x9Y8z7" << true << true;
        QTest::newRow("PDF copy's") << "DB" << "ProformFirm12_0000000007_copy.pdf.x9Y8z7" << true << true;
        QTest::newRow("archive image's, written since") << "DB" << "InvFirm1_0000000042_.bmp.x9Y8z7" << false << false;
        QTest::newRow("archive image") << "DB" << "InvFirm1_0000000042_.bmp" << true << false;
        QTest::newRow("a table's") << "DB" << "stock.db.x9Y8z7" << true << false;
    }

    void startRemovesLeftoversOfKilledWriters()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(bool, earlier);
        QTemporaryDir installation;
        Environment install("BILVARO_INSTALL_DIR", installation.path());
        const QString path = folder == u"start" ? app().path(name)
                             : folder == u"install" ? installation.filePath(name)
                                                    : installation.filePath(QStringLiteral("DB/") + name);
        writeFile(path, "left behind");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            const QDateTime written = earlier ? programStartTime().addSecs(-60) : QDateTime::currentDateTime();
            QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
        }
        app().start(prompter());
        QTEST(!QFileInfo::exists(path), "removed");
    }

    void nextStartDeletesTheKeptProgram()
    {
        QTemporaryDir folder;
        writeFile(folder.filePath(executableFileName()), m_newProgram);
        writeFile(folder.filePath(oldExecutableFileName()), m_oldProgram);
        Environment install("BILVARO_INSTALL_DIR", folder.path());
        app().start(prompter());
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{executableFileName()});
    }
};

QTEST_MAIN(tst_Update)
#include "tst_update.moc"
