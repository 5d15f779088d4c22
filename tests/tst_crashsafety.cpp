// Writers killed with SIGKILL at many random points, and writers whose folder
// is full or read-only: the stock table, the settings file, the register of
// issued documents with the own-company table's invoice number,
// the archive image with its PDF copy and the installed program always open,
// pass their check and hold everything that had been reported written.

#include "lines/SettingsFile.h"
#include "reference/TableStore.h"
#include "tools/TableMaker.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {

QString helper(const QString &name)
{
    return QCoreApplication::applicationDirPath() + u'/' + name;
}

// What a program file's name ends in.
#ifdef Q_OS_WIN
const QString ProgramSuffix = QStringLiteral(".exe");
#else
const QString ProgramSuffix;
#endif

QString integrity(const QString &file)
{
    const QString name = QStringLiteral("integrity");
    QString answer;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(file);
        QSqlQuery check(database);
        if (database.open() && check.exec(QStringLiteral("PRAGMA integrity_check")) && check.next())
            answer = check.value(0).toString();
    }
    QSqlDatabase::removeDatabase(name);
    return answer;
}

// Number of each stock record -> how often it is there; records that are not
// whole (a text or stock of another post) count as -1000.
QMap<int, int> stockNumbers(const QString &folder)
{
    TableStore table;
    table.setDatabaseName(folder + u'/');
    table.setTableName(QStringLiteral("stock.db"));
    table.open();
    QMap<int, int> seen;
    for (int row = 0; row < table.rowCount(); ++row) {
        const int number = table.rowText(row, 0).toInt();
        const bool whole = table.rowText(row, 4) == QString::number(number * 2)
            && table.rowText(row, 1) == QStringLiteral("Стока %1\nвтори ред на стока %1").arg(number);
        seen[number] += whole ? 1 : -1000;
    }
    return seen;
}

// What the settings file holds now: the number every item carries, or -1.
int settingsNumber(const QString &file)
{
    const QStringList items = SettingsFile::load(file);
    if (items.size() != 5)
        return -1;
    const QString n = items[0].chopped(1);
    const QStringList expected{n + u'%', QStringLiteral("Фактура ") + n, QStringLiteral("Оригинал ") + n,
                               QStringLiteral("В брой ") + n, QString(n.toInt() % 300, u'Ж') + n};
    return items == expected ? n.toInt() : -1;
}

// The last invoice number of the first own company, or -1.
int lastInvoiceNumber(const QString &folder)
{
    TableStore firm;
    firm.setDatabaseName(folder + u'/');
    firm.setTableName(QStringLiteral("Firm.db"));
    firm.open();
    firm.first();
    bool ok = false;
    const int number = firm.text(QStringLiteral("Фактура №")).toInt(&ok);
    return ok ? number : -1;
}

// The numbers of the documents in the register, or {-1} when it does not
// read; a document without all of its two lines counts as -1000.
QList<int> registerNumbers(const QString &folder)
{
    const QString name = QStringLiteral("register");
    QList<int> numbers;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(folder + QStringLiteral("/Register.db"));
        QSqlQuery query(database);
        if (!database.open()
            || !query.exec(QStringLiteral("SELECT \"Номер\", (SELECT count(*) FROM \"Редове\" AS line "
                                          "WHERE line.\"Документ\" = document.\"Ид\") "
                                          "FROM \"Документи\" AS document ORDER BY \"Ид\"")))
            numbers << -1;
        while (query.next())
            numbers << (query.value(1).toInt() == 2 ? query.value(0).toInt() : -1000);
    }
    QSqlDatabase::removeDatabase(name);
    return numbers;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Which of two page numbers an archive image shows by its width (150 + n % 50
// pixels), or -1 when it is neither or does not open as a bitmap of the page.
int archiveImageNumber(const QString &path, int first, int second)
{
    const QImage image(path, "BMP");
    if (image.isNull() || image.height() != 60)
        return -1;
    return image.width() == 150 + first % 50 ? first : image.width() == 150 + second % 50 ? second : -1;
}

// The page number in the text of a PDF copy, or -1 when it is no whole PDF.
int pdfCopyNumber(const QString &path)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    if (!text.waitForFinished(30000) || text.exitCode() != 0)
        return -1;
    const QRegularExpressionMatch number =
        QRegularExpression(QStringLiteral("Фактура (\\d+)")).match(QString::fromUtf8(text.readAllStandardOutput()));
    return number.hasMatch() ? number.captured(1).toInt() : -1;
}

QProcessEnvironment faultEnvironment(const QString &folder, const QString &kind)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), helper(QStringLiteral("libfolder_fault.so")));
    environment.insert(QStringLiteral("FOLDER_FAULT_DIR"), folder);
    environment.insert(QStringLiteral("FOLDER_FAULT_KIND"), kind);
    // The shim comes before the sanitizer runtime in a sanitized build.
    const QString asan = environment.value(QStringLiteral("ASAN_OPTIONS"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       asan + (asan.isEmpty() ? QString() : QStringLiteral(":")) + QStringLiteral("verify_asan_link_order=0"));
    return environment;
}

bool hasCyrillic(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.script() == QChar::Script_Cyrillic; });
}

} // namespace

class tst_CrashSafety : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(TableMaker::makeTable(m_dir->path(), TableMaker::referenceTable(QStringLiteral("stock.db")), {}));
        QVERIFY(TableMaker::makeTable(m_dir->path(), TableMaker::referenceTable(QStringLiteral("Firm.db")),
                                      {{{QStringLiteral("Фактура №"), QStringLiteral("0000000001")},
                                        // the own company of the register's writer, by its name
                                        {QStringLiteral("ДОСТАВЧИК"), QStringLiteral("Доставчик ЕООД")}}}));
        SettingsFile::save(settings(), SettingsFile::defaults());
    }

    void killedWriterLosesNothing_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<int>("kills");
        QTest::newRow("stock posts") << QStringLiteral("post_loop_helper") << 50;
        QTest::newRow("settings file") << QStringLiteral("settings_loop_helper") << 50;
        QTest::newRow("register of issued documents") << QStringLiteral("register_loop_helper") << 50;
        QTest::newRow("archive image and copy") << QStringLiteral("archive_loop_helper") << 50;
#ifdef Q_OS_WIN
        // Each round starts the installer, about a second under Wine.
        QTest::newRow("program install") << QStringLiteral("install_loop_helper") << 20;
#else
        QTest::newRow("program install") << QStringLiteral("install_loop_helper") << 50;
#endif
    }

    void killedWriterLosesNothing()
    {
        QFETCH(QString, program);
        QFETCH(int, kills);
#ifdef Q_OS_WIN
        if (program == u"archive_loop_helper")
            QSKIP("the check of this row runs a Linux program (pdftotext)");
#endif
        const bool stock = program == QStringLiteral("post_loop_helper");
        const QString target = program == QStringLiteral("settings_loop_helper") ? settings()
                               : program == QStringLiteral("install_loop_helper") ? installed()
                                                                                   : m_dir->path();
        QStringList programs;  // the two programs installed in turn, A on even numbers
        if (program == QStringLiteral("install_loop_helper")) {
            programs = {helper(QStringLiteral("exit_zero_helper")) + ProgramSuffix,
                        helper(QStringLiteral("exit_one_helper")) + ProgramSuffix};
            QVERIFY(QFile::copy(programs[0], target));
        }
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("random kill points from seed %u", seed);
        QRandomGenerator random(seed);
        QSet<int> reported;
        for (int round = 0; round < kills; ++round) {
            const int from = (round + 1) * 100000;
            QProcess writer;
            writer.start(helper(program), QStringList{target} + programs + QStringList{QString::number(from), QStringLiteral("100000")});
            QVERIFY(writer.waitForStarted());
            // Kill after a random number of reported writes plus a random
            // fraction of the next one, which takes about as long as the
            // last one did.
            const int after = random.bounded(2, 5);
            QByteArray output;
            QElapsedTimer sinceReport;
            qint64 writeTime = 0;
            while (output.count('\n') < after) {
                QVERIFY2(writer.waitForReadyRead(30000), writer.readAllStandardError().constData());
                output += writer.readAllStandardOutput();
                writeTime = sinceReport.isValid() ? sinceReport.nsecsElapsed() / 1000 : 0;
                sinceReport.start();
            }
            QThread::usleep(random.bounded(std::clamp<qint64>(writeTime, 1000, 200000)));
            writer.kill();
            QVERIFY(writer.waitForFinished());
            output += writer.readAllStandardOutput();
            int last = 0;
            for (const QByteArray &line : output.split('\n')) {
                if (!line.isEmpty())
                    reported.insert(last = line.toInt());
            }

            if (stock) {
                QCOMPARE(integrity(target + QStringLiteral("/stock.db")), QStringLiteral("ok"));
                const QMap<int, int> seen = stockNumbers(target);
                for (int number : std::as_const(reported))
                    QVERIFY2(seen.value(number) == 1, qPrintable(QString::number(number)));
                for (auto it = seen.begin(); it != seen.end(); ++it)
                    QVERIFY2(it.value() == 1, qPrintable(QString::number(it.key())));
                // Besides the reported posts, at most the one under way per kill.
                QVERIFY(seen.size() <= reported.size() + round + 1);
            } else if (program == QStringLiteral("register_loop_helper")) {
                // Both files whole; every reported document there once, at most
                // the one under way besides; the own company's number is the
                // register's highest: the two files were written as one.
                QCOMPARE(integrity(target + QStringLiteral("/Register.db")), QStringLiteral("ok"));
                QCOMPARE(integrity(target + QStringLiteral("/Firm.db")), QStringLiteral("ok"));
                const QList<int> held = registerNumbers(target);
                const QSet<int> heldOnce(held.begin(), held.end());
                QCOMPARE(heldOnce.size(), held.size());
                for (int number : std::as_const(reported))
                    QVERIFY2(heldOnce.contains(number), qPrintable(QString::number(number)));
                QVERIFY(held.size() <= reported.size() + round + 1);
                QCOMPARE(lastInvoiceNumber(target), *std::max_element(held.begin(), held.end()));
            } else if (program == QStringLiteral("archive_loop_helper")) {
                // The image of the last reported page or of the one under
                // way; the copy of the same page or, while the image of the
                // next one is written, of the page before.
                const int image = archiveImageNumber(target + QStringLiteral("/Inv.bmp"), last, last + 1);
                QVERIFY2(image != -1, "the archive image is neither page");
                const int copy = pdfCopyNumber(target + QStringLiteral("/Inv.pdf"));
                QVERIFY2(copy == last || (copy == last + 1 && image == last + 1), qPrintable(QString::number(copy)));
            } else if (program == QStringLiteral("install_loop_helper")) {
                // The program installed last or the one under way, whole, and it starts.
                QFile file(target);
                QVERIFY2(file.open(QIODevice::ReadOnly), "no program under its name");
                const QByteArray now = file.readAll();
                const int which = now == fileBytes(programs[0]) ? 0 : now == fileBytes(programs[1]) ? 1 : -1;
                QVERIFY2(which == last % 2 || which == (last + 1) % 2, "the program is neither one whole");
#ifdef Q_OS_WIN
                // A start takes about a second under Wine: the whole bytes
                // of a program that starts are checked in every round, the
                // start itself once.
                if (round == kills - 1)
#endif
                    QCOMPARE(QProcess::execute(target, {}), which);
            } else {
                // The last reported save or the one under way, whole.
                const int now = settingsNumber(target);
                QVERIFY2(now == last || now == last + 1, qPrintable(QString::number(now)));
            }
        }
    }

    void fullOrReadOnlyFolderRefusesAndKeepsTheFile_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("kind");
        QTest::newRow("stock post, full disk") << QStringLiteral("post_loop_helper") << QStringLiteral("full");
        QTest::newRow("stock post, read-only") << QStringLiteral("post_loop_helper") << QStringLiteral("readonly");
        QTest::newRow("settings, full disk") << QStringLiteral("settings_loop_helper") << QStringLiteral("full");
        QTest::newRow("settings, read-only") << QStringLiteral("settings_loop_helper") << QStringLiteral("readonly");
        // The register and the own company's number, written as one.
        QTest::newRow("register, full disk") << QStringLiteral("register_loop_helper") << QStringLiteral("full");
        QTest::newRow("register, read-only") << QStringLiteral("register_loop_helper") << QStringLiteral("readonly");
        // The first page then is an 8-bit image smaller than a write buffer.
        QTest::newRow("archive image, full disk") << QStringLiteral("archive_loop_helper") << QStringLiteral("full");
        QTest::newRow("archive image, read-only") << QStringLiteral("archive_loop_helper") << QStringLiteral("readonly");
    }

    void fullOrReadOnlyFolderRefusesAndKeepsTheFile()
    {
#ifdef Q_OS_WIN
        QSKIP("the fault comes from a shim preloaded by the Linux dynamic linker");
#endif
        QFETCH(QString, program);
        QFETCH(QString, kind);
        const bool stock = program == QStringLiteral("post_loop_helper");
        const bool archive = program == QStringLiteral("archive_loop_helper");
        const bool issued = program == QStringLiteral("register_loop_helper");
        const QString target = stock || archive || issued ? m_dir->path() : settings();
        const QStringList archiveFiles{m_dir->filePath(QStringLiteral("Inv.bmp")), m_dir->filePath(QStringLiteral("Inv.pdf"))};
        // Something written before the folder filled up.
        {
            QProcess writer;
            writer.start(helper(program), {target, QStringLiteral("7"), QStringLiteral("3")});
            QVERIFY(writer.waitForFinished(30000));
            QCOMPARE(writer.exitCode(), 0);
        }
        const QMap<int, int> stockBefore = stock ? stockNumbers(target) : QMap<int, int>();
        if (stock)
            QCOMPARE(stockBefore.value(9), 1);
        else if (archive)
            QCOMPARE(archiveImageNumber(archiveFiles[0], 9, 9), 9);
        else if (issued)
            QCOMPARE(registerNumbers(target), QList<int>({7, 8, 9}));
        else
            QCOMPARE(settingsNumber(target), 9);
        const QByteArray imageBefore = fileBytes(archiveFiles[0]), copyBefore = fileBytes(archiveFiles[1]);

        QProcess writer;
        writer.setProcessEnvironment(faultEnvironment(m_dir->path(), kind));
        writer.start(helper(program), {target, QStringLiteral("21"), QStringLiteral("3")});
        QVERIFY(writer.waitForFinished(30000));
        const QString message = QString::fromUtf8(writer.readAllStandardError());
        QCOMPARE(writer.exitStatus(), QProcess::NormalExit);
        QCOMPARE(writer.exitCode(), 1);
        QVERIFY2(writer.readAllStandardOutput().isEmpty(), "a write reported done");
        QVERIFY2(hasCyrillic(message), qPrintable(message));
        if (stock) {
            QCOMPARE(integrity(target + QStringLiteral("/stock.db")), QStringLiteral("ok"));
            QCOMPARE(stockNumbers(target), stockBefore);
        } else if (archive) {
            QVERIFY(fileBytes(archiveFiles[0]) == imageBefore);
            QVERIFY(fileBytes(archiveFiles[1]) == copyBefore);
        } else if (issued) {
            // Neither the document nor its number: both files as they were.
            QCOMPARE(integrity(target + QStringLiteral("/Register.db")), QStringLiteral("ok"));
            QCOMPARE(integrity(target + QStringLiteral("/Firm.db")), QStringLiteral("ok"));
            QCOMPARE(registerNumbers(target), QList<int>({7, 8, 9}));
            QCOMPARE(lastInvoiceNumber(target), 9);
        } else {
            QCOMPARE(settingsNumber(target), 9);
        }
    }

private:
    QString settings() const { return m_dir->filePath(QStringLiteral("mem.txt")); }
    QString installed() const { return m_dir->filePath(QStringLiteral("Bilvaro2007") + ProgramSuffix); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(tst_CrashSafety)
#include "tst_crashsafety.moc"
