// Backups: a consistent copy taken while another program prints, restored
// whole and equal; damaged files refused by the entry that fails; a backup
// killed half-way never left under its own name.

#include "backup/Backup.h"
#include "common/Failure.h"
#include "lines/SettingsFile.h"
#include "tools/TableMaker.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>
#include <QtTest>

namespace {

const QStringList TableFiles = {QStringLiteral("Firm.db"), QStringLiteral("Details.db"), QStringLiteral("stock.db"),
                                QStringLiteral("customer.db"), QStringLiteral("Register.db")};

QString helper(const QString &name) { return QCoreApplication::applicationDirPath() + u'/' + name; }

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "missing";
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

// Every row of every table of an SQLite file, in key order, and the file's
// integrity check: equal for two files holding the same records.
QByteArray contentHash(const QString &path)
{
    const QString name = QUuid::createUuid().toString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(path);
        QSqlQuery query(database);
        if (!database.open() || !query.exec(QStringLiteral("PRAGMA integrity_check")) || !query.next())
            return "unreadable";
        hash.addData(query.value(0).toString().toUtf8());
        QStringList tables;
        query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"));
        while (query.next())
            tables << query.value(0).toString();
        for (const QString &table : std::as_const(tables)) {
            query.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table));
            while (query.next())
                for (int i = 0; i < query.record().count(); ++i)
                    hash.addData(query.value(i).toString().toUtf8() + '\x1f');
        }
    }
    QSqlDatabase::removeDatabase(name);
    return hash.result().toHex();
}

QString integrity(const QString &path)
{
    const QString name = QUuid::createUuid().toString();
    QString result;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(path);
        QSqlQuery query(database);
        if (database.open() && query.exec(QStringLiteral("PRAGMA integrity_check")) && query.next())
            result = query.value(0).toString();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

QList<int> queryInts(const QString &path, const QString &statement)
{
    const QString name = QUuid::createUuid().toString();
    QList<int> values;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(path);
        QSqlQuery query(database);
        if (database.open() && query.exec(statement))
            while (query.next())
                values << query.value(0).toInt();
    }
    QSqlDatabase::removeDatabase(name);
    return values;
}

// The offset of an entry's bytes in a tar file.
qsizetype entryOffset(const QByteArray &tar, const QString &name)
{
    for (qsizetype at = 0; at + 512 <= tar.size(); at += 512)
        if (tar.mid(at, 100).startsWith(name.toUtf8() + '\0'))
            return at + 512;
    return -1;
}

QString failureOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Failure &failure) {
        return failure.text();
    }
    return {};
}

} // namespace

class tst_Backup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QDir().mkpath(data());
        QDir().mkpath(archive());
        for (const QString &file : TableFiles.mid(1, 3))
            QVERIFY(TableMaker::makeTable(data(), TableMaker::referenceTable(file), {}));
        QVERIFY(TableMaker::makeTable(data(), TableMaker::referenceTable(QStringLiteral("Firm.db")),
                                      {{{QStringLiteral("Фактура №"), QStringLiteral("0000000001")},
                                        {QStringLiteral("ДОСТАВЧИК"), QStringLiteral("Доставчик ЕООД")}}}));
        SettingsFile::save(m_dir->filePath(QStringLiteral("mem.txt")), SettingsFile::defaults());
        // Pages of random bytes, large enough that a backup takes a while.
        for (int page = 1; page <= 6; ++page) {
            QFile file(QDir(archive()).filePath(QStringLiteral("Inv%1.%2").arg(page).arg(page % 2 ? "bmp" : "pdf")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QByteArray bytes(3 << 20, '\0');
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
            file.write(bytes);
        }
        // An original's e-invoice beside its PDF copy is one of the pages too.
        QFile einvoice(QDir(archive()).filePath(QStringLiteral("Inv1.xml")));
        QVERIFY(einvoice.open(QIODevice::WriteOnly) && einvoice.write("<Invoice/>") > 0);
    }

    void backupWhileAnotherProgramPrintsRestoresEqual()
    {
        QProcess printer;
        printer.start(helper(QStringLiteral("register_loop_helper")), {data(), QStringLiteral("1"), QStringLiteral("100000")});
        QVERIFY(printer.waitForStarted());
        QByteArray output;
        QStringList backups;
        QList<int> reportedBefore;
        for (int round = 0; round < 5; ++round) {
            while (output.count('\n') < 3 * (round + 1)) {
                QVERIFY2(printer.waitForReadyRead(30000), printer.readAllStandardError().constData());
                output += printer.readAllStandardOutput();
            }
            reportedBefore << output.trimmed().split('\n').last().toInt();
            backups << m_dir->filePath(QStringLiteral("while%1.tar").arg(round));
            Backup::make({m_dir->path(), archive()}, backups.last());
        }
        printer.kill();
        QVERIFY(printer.waitForFinished());

        for (int round = 0; round < backups.size(); ++round) {
            QTemporaryDir empty;
            const Backup::Restored restored = Backup::restore(backups[round], {empty.path(), empty.filePath("DB")});
            QCOMPARE(restored.tables, 5);
            QCOMPARE(restored.pages, 7);
            QVERIFY(restored.settings);
            // One moment of both files: the own company's number is the
            // register's highest, and every document printed before is there.
            const QString registerFile = empty.filePath(QStringLiteral("DB/Register.db"));
            const QList<int> numbers = queryInts(registerFile, QStringLiteral("SELECT \"Номер\" FROM \"Документи\""));
            QVERIFY(numbers.contains(reportedBefore[round]));
            QCOMPARE(queryInts(empty.filePath(QStringLiteral("DB/Firm.db")), QStringLiteral("SELECT \"Фактура №\" FROM \"Firm\"")),
                     QList<int>{*std::max_element(numbers.begin(), numbers.end())});
            for (const QString &file : TableFiles)
                QCOMPARE(integrity(empty.filePath("DB/" + file)), QStringLiteral("ok"));
        }
        // Once the printing stopped, a backup restores every record, page and setting equal.
        const QString still = m_dir->filePath(QStringLiteral("still.tar"));
        Backup::make({m_dir->path(), archive()}, still);
        QTemporaryDir empty;
        Backup::restore(still, {empty.path(), empty.filePath(QStringLiteral("DB"))});
        for (const QString &file : TableFiles)
            QCOMPARE(contentHash(empty.filePath("DB/" + file)), contentHash(QDir(data()).filePath(file)));
        for (const QString &page : QDir(archive()).entryList(QDir::Files))
            QCOMPARE(fileHash(empty.filePath("DB/" + page)), fileHash(QDir(archive()).filePath(page)));
        QCOMPARE(fileHash(empty.filePath(QStringLiteral("mem.txt"))), fileHash(m_dir->filePath(QStringLiteral("mem.txt"))));
        // The system's own tar reads the file as it stands.
        if (!QStandardPaths::findExecutable(QStringLiteral("tar")).isEmpty()) {
            QTemporaryDir unpacked;
            QCOMPARE(QProcess::execute(QStringLiteral("tar"), {QStringLiteral("-xf"), still, QStringLiteral("-C"), unpacked.path()}), 0);
            QCOMPARE(fileHash(unpacked.filePath(QStringLiteral("archive/Inv2.pdf"))), fileHash(QDir(archive()).filePath(QStringLiteral("Inv2.pdf"))));
        }
    }

    void damagedBackupIsRefusedByName_data()
    {
        QTest::addColumn<QString>("entry");    // the entry damaged
        QTest::addColumn<QString>("damage");   // flip a byte of it, or cut the file there
        QTest::addColumn<QString>("message");  // what the refusal names
        QTest::newRow("register changed") << "DB/Register.db" << "flip" << "„DB/Register.db“ не съвпада с контролната си сума";
        QTest::newRow("own companies changed") << "DB/Firm.db" << "flip" << "„DB/Firm.db“ не съвпада";
        QTest::newRow("archive page changed") << "archive/Inv3.bmp" << "flip" << "„archive/Inv3.bmp“ не съвпада";
        QTest::newRow("settings changed") << "mem.txt" << "flip" << "„mem.txt“ не съвпада";
        QTest::newRow("cut inside a page") << "archive/Inv4.pdf" << "cut" << "„archive/Inv3.bmp“ е последният цял запис";
        QTest::newRow("cut before the manifest") << "manifest.json" << "cut" << "„archive/Inv6.pdf“ е последният цял запис";
        QTest::newRow("manifest changed") << "manifest.json" << "flip" << "не съвпада";
    }

    void damagedBackupIsRefusedByName()
    {
        QFETCH(QString, entry);
        QFETCH(QString, damage);
        QFETCH(QString, message);
        QProcess printer;
        printer.start(helper(QStringLiteral("register_loop_helper")), {data(), QStringLiteral("1"), QStringLiteral("3")});
        QVERIFY(printer.waitForFinished());
        const QString file = m_dir->filePath(QStringLiteral("backup.tar"));
        Backup::make({m_dir->path(), archive()}, file);
        QFile tar(file);
        QVERIFY(tar.open(QIODevice::ReadWrite));
        QByteArray bytes = tar.readAll();
        const qsizetype at = entryOffset(bytes, entry);
        QVERIFY(at > 0);
        if (damage == u"flip") {
            // A byte in the middle of the entry: for the manifest, a digit of a hash.
            const qsizetype inside = entry == u"manifest.json" ? bytes.indexOf("\"sha256\": \"", at) + 12 : at + 5;
            bytes[inside] = bytes[inside] == '0' ? '1' : '0';
        } else {
            bytes.truncate(at - 512 + (entry == u"manifest.json" ? 0 : 1000));
        }
        tar.resize(0);
        tar.write(bytes);
        tar.close();
        QTemporaryDir empty;
        const QString refusal = failureOf([&] { Backup::restore(file, {empty.path(), empty.filePath("DB")}); });
        QVERIFY2(refusal.contains(message), qPrintable(refusal));
        QVERIFY2(refusal.contains(QStringLiteral("Нищо не е възстановено")), qPrintable(refusal));
        // Nothing of it written.
        QCOMPARE(QDir(empty.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    void restoreKeepsAFolderThatHasData()
    {
        const QString file = m_dir->filePath(QStringLiteral("backup.tar"));
        Backup::make({m_dir->path(), archive()}, file);
        // The start folder itself has every file of the backup.
        const QString refusal = failureOf([&] { Backup::restore(file, {m_dir->path(), archive()}); });
        QVERIFY2(refusal.contains(QStringLiteral("само в празна папка")), qPrintable(refusal));
        QCOMPARE(integrity(QDir(data()).filePath(QStringLiteral("Firm.db"))), QStringLiteral("ok"));
    }

    void killDuringBackupLeavesNoCompleteLookingFile()
    {
        const QString target = m_dir->filePath(QStringLiteral("out/backup.tar"));
        QDir().mkpath(QFileInfo(target).path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("BILVARO_INSTALL_DIR"), m_dir->filePath(QStringLiteral("install")));
        const auto start = [&](QProcess &tool) {
            tool.setProcessEnvironment(environment);
            tool.start(QStringLiteral(TABLE_TOOL), {m_dir->path(), QStringLiteral("--backup"), target});
            return tool.waitForStarted();
        };
        // How long one whole backup takes here spreads the kill points over it.
        QElapsedTimer timer;
        timer.start();
        QProcess full;
        QVERIFY(start(full));
        QVERIFY(full.waitForFinished());
        QVERIFY2(full.exitCode() == 0, full.readAllStandardError().constData());
        QVERIFY(QFile::exists(target));
        const qint64 span = timer.nsecsElapsed() / 1000;
        const qint64 wholeSize = QFileInfo(target).size();
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("random kill points from seed %u over %lld us", seed, span);
        QRandomGenerator random(seed);
        int whole = 0;
        int cut = 0;
        const int rounds = 12;
        for (int round = 0; round < rounds; ++round) {
            QFile::remove(target);
            QProcess tool;
            QVERIFY(start(tool));
            QThread::usleep(span * round / rounds + random.bounded(span / rounds + 1));
            tool.kill();
            QVERIFY(tool.waitForFinished());
            cut += tool.exitStatus() == QProcess::CrashExit;
            // Under its own name only a whole backup; a cut-off file left beside it is refused.
            // (Linux keeps the temporary file nameless until it is whole; Windows leaves it named
            // and, when the kill falls between the last write and the rename, whole.)
            for (const QString &name : QDir(QFileInfo(target).path()).entryList(QDir::Files)) {
                QTemporaryDir empty;
                const QString path = QDir(QFileInfo(target).path()).filePath(name);
                const QString refusal = failureOf([&] { Backup::restore(path, {empty.path(), empty.filePath("DB")}); });
                if (path == target) {
                    QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
                    ++whole;
                } else {
                    QVERIFY2(!name.endsWith(QLatin1String(".tar")), qPrintable(name));
                    if (QFileInfo(path).size() < wholeSize)
                        QVERIFY2(!refusal.isEmpty(), qPrintable(name));
                    QFile::remove(path);
                }
            }
        }
        qInfo("%d whole backups, %d killed while writing", whole, cut);
        QVERIFY2(cut > 0, "no kill landed inside a backup");
    }

    void reminderOnceAWeek_data()
    {
        QTest::addColumn<int>("backupDaysAgo");    // -1: never
        QTest::addColumn<int>("reminderDaysAgo");  // -1: never
        QTest::addColumn<bool>("due");
        QTest::newRow("never made, never reminded: the first run starts the week") << -1 << -1 << false;
        QTest::newRow("made six days ago") << 6 << -1 << false;
        QTest::newRow("made a week ago") << 7 << -1 << true;
        QTest::newRow("reminded yesterday") << 30 << 1 << false;
        QTest::newRow("reminded a week ago") << 30 << 7 << true;
    }

    void reminderOnceAWeek()
    {
        QFETCH(int, backupDaysAgo);
        QFETCH(int, reminderDaysAgo);
        const QDate today(2026, 3, 10);
        const auto ago = [&](int days) { return days < 0 ? std::nullopt : std::optional(today.addDays(-days)); };
        Backup::remember(data(), {ago(backupDaysAgo), 3, ago(reminderDaysAgo)});
        const Backup::Memory memory = Backup::remembered(data());
        QCOMPARE(memory.keep, 3);
        QTEST(Backup::reminderDue(memory, today), "due");
    }

    void onlyTheNewestAutomaticBackupsAreKept_data()
    {
        QTest::addColumn<QString>("keepLine");  // the second line of DB/backup.txt
        QTest::addColumn<int>("kept");
        QTest::newRow("two") << "2" << 2;
        QTest::newRow("no line: the default") << "" << Backup::DefaultKeep;
    }

    void onlyTheNewestAutomaticBackupsAreKept()
    {
        QFETCH(QString, keepLine);
        QFETCH(int, kept);
        for (const QString &page : QDir(archive()).entryList(QDir::Files))
            QFile::remove(QDir(archive()).filePath(page));
        QFile memory(QDir(data()).filePath(QStringLiteral("backup.txt")));
        QVERIFY(memory.open(QIODevice::WriteOnly));
        memory.write("\n" + keepLine.toLatin1() + "\n");
        memory.close();
        const QDateTime first(QDate(2026, 1, 5), QTime(9, 0));
        QStringList made;
        for (int day = 0; day < 7; ++day)
            made << QFileInfo(Backup::makeAutomatic({m_dir->path(), archive()}, first.addDays(day)).file).fileName();
        QCOMPARE(QDir(Backup::automaticFolder(m_dir->path())).entryList(QDir::Files, QDir::Name), made.mid(made.size() - kept));
        QCOMPARE(Backup::remembered(data()).lastBackup, std::optional(first.addDays(6).date()));
    }

private:
    QString data() const { return m_dir->filePath(QStringLiteral("DB")); }
    QString archive() const { return m_dir->filePath(QStringLiteral("install/DB")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(tst_Backup)
#include "tst_backup.moc"
