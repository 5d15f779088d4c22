// Long commands show their progress: a dialog modal to the whole program, with the step's
// text and "%1 от %2", "Отказ" where stopping loses nothing, gone when the
// command ends; a stopped command leaves nothing half-made.

#include "app/Menu.h"
#include "app/ParadoxOffer.h"
#include "backup/Backup.h"
#include "ledger/LedgerDialog.h"
#include "ledger/LedgerFiles.h"
#include "paradox/MovingIn.h"
#include "platform/Handlers.h"
#include "platform/ProgressDialog.h"
#include "reference/Schema.h"
#include "reference/ServerTables.h"
#include "support/LedgerMonth.h"
#include "support/ParadoxWriter.h"
#include "support/ProgressWatch.h"
#include "support/RecordingProgress.h"
#include "reference/TableStore.h"
#include "server/ServerConnection.h"
#include "register/IssuedDocs.h"
#include "register/RegisterLedger.h"
#include "register/RegisterStore.h"
#include "support/SampleInvoice.h"
#include "support/SqlFile.h"
#include "support/TestServer.h"
#include "support/WindowTest.h"
#include "tools/ServerCopy.h"
#include "tools/TableMaker.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QLineEdit>
#include <QRegularExpression>
#include <QtTest>

namespace {

const QDateTime ConvertedAt = QDateTime(QDate(2026, 12, 8), QTime(17, 30, 5));
constexpr int StockRecords = 3000;
constexpr int ArchivePages = 80;
constexpr int RecordedDocuments = 700;  // read 500 at a time

// Every file under a folder with the hash of its bytes.
QMap<QString, QByteArray> filesUnder(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            files.insert(QDir(folder).relativeFilePath(file.fileName()),
                         QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256));
    }
    return files;
}

bool writePages(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return false;
    for (int page = 1; page <= ArchivePages; ++page) {
        QFile file(QDir(folder).filePath(QStringLiteral("InvFirm1_%1_.bmp").arg(page, 10, 10, QChar(u'0'))));
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(16 * 1024, char('A' + page % 26))) < 0)
            return false;
    }
    return true;
}

// What is wrong with the labels a dialog showed: each the text of one of
// the steps, in their order, over "done от total", done growing and total
// the same within a step.
QString labelProblem(const QStringList &labels, const QStringList &steps)
{
    if (labels.isEmpty())
        return QStringLiteral("no progress dialog was seen");
    static const QRegularExpression count(QStringLiteral("^(\\d+) от (\\d+)$"));
    qsizetype step = 0;
    qint64 done = 0, total = -1;
    for (const QString &label : labels) {
        const QRegularExpressionMatch match = count.match(label.section(u'\n', 1));
        const qsizetype at = steps.indexOf(label.section(u'\n', 0, 0));
        if (at < step || !match.hasMatch())
            return QStringLiteral("label \"%1\" among %2").arg(label, labels.join(u'|'));
        if (at > step) {
            step = at;
            done = 0;
            total = -1;
        }
        if (match.captured(1).toLongLong() < done || (total >= 0 && match.captured(2).toLongLong() != total)
            || match.captured(1).toLongLong() > match.captured(2).toLongLong())
            return QStringLiteral("count going wrong: %1").arg(labels.join(u'|'));
        done = match.captured(1).toLongLong();
        total = match.captured(2).toLongLong();
    }
    return QString();
}

} // namespace

class tst_Progress : public WindowTest {
    Q_OBJECT

    // The old program's folder with a catalogue of StockRecords goods,
    // written once (pxlib's writer is slow) and copied.
    QTemporaryDir m_oldFolder;
    // A register of RecordedDocuments invoices: one printed, the others
    // its copies under the next numbers (printing each would take minutes).
    QTemporaryDir m_register;
    QString m_file;  // the backup of a command
    QMap<QString, QByteArray> m_before;

    std::unique_ptr<TestServer::Database> m_server;  // of a move to or from a server

    struct Command {
        QStringList texts;  // its steps in order; stopped in the last
        bool stoppable;
        bool onServer;
        void (tst_Progress::*prepare)();
        void (tst_Progress::*run)(bool stop);
        QString (tst_Progress::*outcome)(bool stopped);
        // The logic alone, reporting to the given progress.
        void (tst_Progress::*direct)(Progress &progress);
    };
    static QMap<QString, Command> commands()
    {
        return {
            {QStringLiteral("Paradox"),
             {{MovingIn::ReadingParadoxText, MovingIn::ConvertingText}, true, false, &tst_Progress::oldFolder, &tst_Progress::convert,
              &tst_Progress::converted, &tst_Progress::convertAlone}},
            {QStringLiteral("backup"),
             {{Backup::BackingUpText}, true, false, &tst_Progress::archive, &tst_Progress::backUp, &tst_Progress::backedUp,
              &tst_Progress::backUpAlone}},
            {QStringLiteral("restore"),
             {{Backup::RestoringText}, true, false, &tst_Progress::backup, &tst_Progress::restore, &tst_Progress::restored,
              &tst_Progress::restoreAlone}},
            {QStringLiteral("ledger documents"),
             {{ReadingDocumentsText}, true, false, &tst_Progress::register_, &tst_Progress::openLedger,
              &tst_Progress::ledgerOpened, &tst_Progress::readLedgerAlone}},
            {QStringLiteral("ledger files"),
             {{WritingLedgersText}, false, false, &tst_Progress::nothing, &tst_Progress::writeLedger,
              &tst_Progress::ledgerWritten, nullptr}},
            {QStringLiteral("to a server"),
             {{ServerCopy::MovingToServerText}, true, true, &tst_Progress::startFolder, &tst_Progress::moveToServer,
              &tst_Progress::movedToServer, &tst_Progress::moveToServerAlone}},
            {QStringLiteral("from a server"),
             {{ServerCopy::MovingFromServerText}, true, true, &tst_Progress::serverTables, &tst_Progress::moveFromServer,
              &tst_Progress::movedFromServer, &tst_Progress::moveFromServerAlone}},
        };
    }

    QString data() { return app().path(QStringLiteral("DB")); }

    void nothing() {}

    void oldFolder()
    {
        QVERIFY(QDir().mkpath(data()));
        for (const QFileInfo &file : QDir(m_oldFolder.path()).entryInfoList(QDir::Files))
            QVERIFY(QFile::copy(file.filePath(), QDir(data()).filePath(file.fileName())));
        m_before = filesUnder(data());
    }
    void convert(bool stop)
    {
        prompter().expectQuestion(
            QStringLiteral("В папката „%1“ има таблици на Paradox от старата програма (Firm.db, Details.db, "
                           "stock.db, customer.db). Програмата работи със свои таблици и не може да ги отвори.\n\n"
                           "Да бъдат ли преобразувани сега? Всички записи, колони, бележки и картини ще бъдат "
                           "пренесени, а файловете на Paradox ще бъдат запазени непроменени в папка "
                           "„paradox-<дата>-<час>“ в „DB“.")
                .arg(QDir::toNativeSeparators(data())),
            true);
        if (stop) {
            prompter().expectInformation(MovingIn::ConversionStoppedText);
        } else {
            const QString kept = QDir::toNativeSeparators(QDir(data()).filePath("paradox-20261208-173005"));
            prompter().expectInformation(
                QStringLiteral("Таблиците на Paradox са преобразувани. Файловете им са запазени непроменени в „%1“.\n\n"
                               "Firm.db: записи 1, колони 12, картини 1. Нищо не е променено.\n"
                               "Details.db: записи 1, колони 3, картини 0. Нищо не е променено.\n"
                               "stock.db: записи %2, колони 6, картини 0. Нищо не е променено.\n"
                               "customer.db: записи 1, колони 7, картини 0. Нищо не е променено.")
                    .arg(kept)
                    .arg(StockRecords));
        }
        // As at start-up.
        runGuarded([&] { offerParadoxConversion(app().dir().path(), ConvertedAt); });
    }
    void convertAlone(Progress &progress) { MovingIn::convert(app().dir().path(), ConvertedAt, progress); }
    QString converted(bool stopped)
    {
        if (stopped) {
            // The Paradox files byte for byte, and no table of the program, whole or half.
            if (filesUnder(data()) != m_before)
                return QStringLiteral("the folder changed: %1").arg(filesUnder(data()).keys().join(u' '));
            return QDir(data()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty() ? QString()
                                                                                       : QStringLiteral("a folder was left");
        }
        TableStore goods;
        goods.setDatabaseName(data() + u'/');
        goods.setTableName(Schema::Goods::FileName);
        goods.open();
        return goods.recordCount() == StockRecords ? QString() : QStringLiteral("%1 goods").arg(goods.recordCount());
    }

    void archive()
    {
        app().start(prompter());
        QVERIFY(writePages(app().path(QStringLiteral("install/DB"))));
        m_file = app().path(QStringLiteral("copies/Bilvaro.tar"));
        QVERIFY(QDir().mkpath(QFileInfo(m_file).path()));
    }
    void backUp(bool stop)
    {
        prompter().expectSaveFile(QStringLiteral("Резервно копие"), m_file);
        prompter().expectInformation(
            stop ? Backup::BackupStoppedText
                 : QStringLiteral("Резервното копие „%1“ е записано: 0 таблици, %2 страници на архива. Пазете копие "
                                  "и на друг диск или компютър.")
                       .arg(QDir::toNativeSeparators(m_file))
                       .arg(ArchivePages));
        Main->SpeedButton12->click();
    }
    void backUpAlone(Progress &progress)
    {
        Backup::make({app().dir().path(), app().path(QStringLiteral("install/DB"))}, m_file, progress);
    }
    QString backedUp(bool stopped)
    {
        // Stopped, not even the half-written file under a passing name.
        const QStringList made = QDir(QFileInfo(m_file).path()).entryList(QDir::Files | QDir::Hidden);
        return made == (stopped ? QStringList() : QStringList{QFileInfo(m_file).fileName()})
                   ? QString()
                   : QStringLiteral("the folder holds %1").arg(made.join(u' '));
    }

    void backup()
    {
        const QString from = app().path(QStringLiteral("from"));
        QVERIFY(writePages(QDir(from).filePath(QStringLiteral("archive"))));
        m_file = app().path(QStringLiteral("Bilvaro.tar"));
        Backup::make({from, QDir(from).filePath(QStringLiteral("archive"))}, m_file);
    }
    Backup::Folders restoredFolders() { return {app().path(QStringLiteral("to")), app().path(QStringLiteral("to/archive"))}; }
    void restore(bool stop)
    {
        if (stop)
            prompter().expectInformation(Backup::RestoreStoppedText);
        // The table tool's command, with the program's dialog.
        runGuarded([&] {
            ProgressDialog progress;
            Backup::restore(m_file, restoredFolders(), progress);
        });
    }
    void restoreAlone(Progress &progress) { Backup::restore(m_file, restoredFolders(), progress); }
    QString restored(bool stopped)
    {
        const qsizetype pages = filesUnder(restoredFolders().archive).size();
        const qsizetype files = filesUnder(restoredFolders().start).size();
        if (stopped)
            return files == 0 ? QString() : QStringLiteral("%1 files restored").arg(files);
        return pages == ArchivePages ? QString() : QStringLiteral("%1 pages restored").arg(pages);
    }

    void register_()
    {
        QVERIFY(QDir().mkpath(data()));
        for (const QString &name : {QStringLiteral("Firm.db"), QStringLiteral("Register.db")})
            QVERIFY(QFile::copy(QDir(m_register.path()).filePath(name), QDir(data()).filePath(name)));
        app().start(prompter());
        Main->SpeedButton11->click();
    }
    void openLedger(bool stop)
    {
        if (stop)
            prompter().expectInformation(ReadingStoppedText);
        IssuedDocs->SpeedButton5->click();
    }
    void readLedgerAlone(Progress &progress)
    {
        const RegisterStore store(data());
        QCOMPARE(ledgerDocuments(store, store.find({}), progress).size(), RecordedDocuments);
    }
    QString ledgerOpened(bool stopped)
    {
        const auto *ledger = IssuedDocs->findChild<LedgerDialog *>();
        return (ledger && ledger->isVisible()) != stopped ? QString() : QStringLiteral("the ledger window is wrong");
    }

    void writeLedger(bool)
    {
        LedgerDialog dialog(december2025());
        dialog.setToday(QDate(2026, 1, 10));
        dialog.setPeriod({2025, 12});
        dialog.filerEdit->setText(QStringLiteral("7501010010"));
        dialog.show();
        const QString folder = app().path(QStringLiteral("ledger"));
        QVERIFY(QDir().mkpath(folder));
        const auto shown = [&](const char *name) { return QDir::toNativeSeparators(QDir(folder).filePath(QLatin1String(name))); };
        prompter()
            .expectQuestion(QStringLiteral("Справка-декларацията (DEKLAR.TXT) съдържа и покупките, а програмата не води "
                                           "дневник за покупки. Програмата я записва само за месец без покупки: без "
                                           "получени фактури и известия и без протоколи по чл. 117 ЗДДС. Месец 12.2025 "
                                           "без покупки ли е?"),
                            true)
            .expectFolder(LedgerFolderTitle, folder)
            .expectInformation(QStringLiteral("Записани:\n%1\n%2\n%3")
                                   .arg(shown(SalesLedgerFileName), shown(PurchaseLedgerFileName), shown(VatReturnFileName)));
        dialog.writeButton->click();
    }
    QString ledgerWritten(bool)
    {
        return filesUnder(app().path(QStringLiteral("ledger"))).size() == 3 ? QString()
                                                                              : QStringLiteral("not the three files");
    }

    // A start folder with StockRecords goods, and an empty database.
    void startFolder()
    {
        QVERIFY(QDir().mkpath(data()));
        QVERIFY(TableMaker::makeCatalogue(data(), StockRecords));
        TableMaker::makeTables(app().dir().path(), false);
        m_server = std::make_unique<TestServer::Database>();
    }
    // The goods on the server; -1 when it has no goods table.
    qsizetype serverGoods()
    {
        const QString name = QStringLiteral("tst_progress.server");
        qsizetype count = -1;
        {
            QSqlDatabase server = Server::connect(name, m_server->connection());
            QSqlQuery query(server);
            if (ServerTables::exists(server, QStringLiteral("stock")) && query.exec(QStringLiteral("SELECT count(*) FROM stock"))
                && query.next())
                count = query.value(0).toLongLong();
        }
        QSqlDatabase::removeDatabase(name);
        return count;
    }
    // The table tool's move, with the program's dialog.
    void move(bool stop, void (tst_Progress::*alone)(Progress &))
    {
        if (stop)
            prompter().expectInformation(ServerCopy::MoveStoppedText);
        runGuarded([&] {
            ProgressDialog progress;
            (this->*alone)(progress);
        });
    }
    void moveToServer(bool stop) { move(stop, &tst_Progress::moveToServerAlone); }
    void moveToServerAlone(Progress &progress) { ServerCopy::toServer(app().dir().path(), m_server->connection(), progress); }
    QString movedToServer(bool stopped)
    {
        if (stopped)
            return serverGoods() < 0 ? QString() : QStringLiteral("the server keeps the goods");
        return serverGoods() == StockRecords ? QString() : QStringLiteral("%1 goods on the server").arg(serverGoods());
    }

    // The same tables on the server, and an empty start folder to move them to.
    void serverTables()
    {
        startFolder();
        ServerCopy::toServer(app().dir().path(), m_server->connection());
        QVERIFY(QDir(data()).removeRecursively());
    }
    void moveFromServer(bool stop) { move(stop, &tst_Progress::moveFromServerAlone); }
    void moveFromServerAlone(Progress &progress) { ServerCopy::fromServer(app().dir().path(), m_server->connection(), progress); }
    QString movedFromServer(bool stopped)
    {
        const QStringList files = QDir(data()).entryList(QDir::Files | QDir::Hidden);
        if (stopped)
            return files.isEmpty() ? QString() : QStringLiteral("files left: %1").arg(files.join(u' '));
        TableStore goods;
        goods.setDatabaseName(data() + u'/');
        goods.setTableName(Schema::Goods::FileName);
        goods.open();
        return goods.recordCount() == StockRecords ? QString() : QStringLiteral("%1 goods").arg(goods.recordCount());
    }

    void makeRegister()
    {
        QVERIFY(makeOwnCompany(m_register.path()));
        RegisterStore(m_register.path())
            .recordPrint(sampleInvoice(DocumentKind::Invoice, NoteKind::None, Currency::Euro, QStringLiteral("0000000001")),
                         {}, PrintMode::Original);
        using namespace Schema::Register;
        const QString file = RegisterStore::filePath(m_register.path());
        const QString table = Schema::quoted(documents().sqlName);
        QStringList columns = sqlOnFile(file, {QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(documents().sqlName)});
        columns.removeOne(Id.name);
        QStringList values;
        for (const QString &column : std::as_const(columns))
            values << (column == Number.name ? QStringLiteral("printf('%010d', k)") : Schema::quoted(column));
        for (QString &column : columns)
            column = Schema::quoted(column);
        QCOMPARE(sqlOnFile(file, {QStringLiteral("INSERT INTO %1 (%2) WITH RECURSIVE n(k) AS (SELECT 2 UNION ALL SELECT k + 1 "
                                                 "FROM n WHERE k < %3) SELECT %4 FROM %1, n")
                                      .arg(table, columns.join(u','))
                                      .arg(RecordedDocuments)
                                      .arg(values.join(u',')),
                                  QStringLiteral("SELECT count(*) FROM %1").arg(table)}),
                 QStringList{QString::number(RecordedDocuments)});
    }

private Q_SLOTS:
    void initTestCase()
    {
        ProgressDialog::setShowDelay(0);
        makeRegister();
        ParadoxWriter::OldFolder::write(m_oldFolder.path());
        const QList<QVariantList> goods = ParadoxWriter::OldFolder::records(QStringLiteral("stock.db"));
        ParadoxWriter::writeTable(QDir(m_oldFolder.path()).filePath(QStringLiteral("stock.db")),
                                  ParadoxWriter::OldFolder::fields(QStringLiteral("stock.db")), StockRecords,
                                  [&](qsizetype record) {
                                      QVariantList values = goods[record % goods.size()];
                                      values[0] = QString::number(record + 1);
                                      return values;
                                  });
    }
    void init()
    {
        WindowTest::init();
        qputenv("BILVARO_INSTALL_DIR", app().path(QStringLiteral("install")).toLocal8Bit());
    }
    void cleanup()
    {
        m_server.reset();
        qunsetenv("BILVARO_INSTALL_DIR");
        WindowTest::cleanup();
    }

    void longCommandShowsItsProgress_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("stop");
        const QMap<QString, Command> all = commands();
        for (auto it = all.cbegin(); it != all.cend(); ++it) {
            QTest::addRow("%s", qPrintable(it.key())) << it.key() << false;
            if (it->stoppable)
                QTest::addRow("%s stopped", qPrintable(it.key())) << it.key() << true;
        }
    }
    void longCommandShowsItsProgress()
    {
        QFETCH(QString, command);
        QFETCH(bool, stop);
        const Command steps = commands().value(command);
        if (steps.onServer)
            REQUIRE_TEST_SERVER();
        (this->*steps.prepare)();
        if (QTest::currentTestFailed())
            return;
        ProgressWatch watch(stop ? steps.texts.last() : QString());
        (this->*steps.run)(stop);
        const QString labels = labelProblem(watch.labels, steps.texts);
        QVERIFY2(labels.isEmpty(), qPrintable(labels));
        QVERIFY(watch.modal);
        QCOMPARE(watch.stoppable, steps.stoppable);
        // A step without "Отказ" keeps its dialog against Esc and the X.
        QCOMPARE(watch.keptOnEscape, watch.escaped);
        QVERIFY(watch.escaped || steps.stoppable);
        QCOMPARE(watch.pressed, stop);
        QVERIFY(ProgressWatch::nothingLeft());
        const QString outcome = (this->*steps.outcome)(stop);
        QVERIFY2(outcome.isEmpty(), qPrintable(outcome));
    }

    // Stopped at its first report, or at its last when all but the end is
    // done, a command leaves nothing half-made.
    void stoppedAnywhereLeavesNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("stopAt");  // RecordingProgress's
        const QMap<QString, Command> all = commands();
        for (auto it = all.cbegin(); it != all.cend(); ++it) {
            if (!it->direct)
                continue;
            QTest::addRow("%s at the first report", qPrintable(it.key())) << it.key() << 1;
            QTest::addRow("%s at the last report", qPrintable(it.key())) << it.key() << -1;
        }
    }
    void stoppedAnywhereLeavesNothing()
    {
        QFETCH(QString, command);
        QFETCH(int, stopAt);
        const Command steps = commands().value(command);
        if (steps.onServer)
            REQUIRE_TEST_SERVER();
        (this->*steps.prepare)();
        if (QTest::currentTestFailed())
            return;
        RecordingProgress progress(steps.texts.last(), stopAt);
        QString stopped;
        try {
            (this->*steps.direct)(progress);
        } catch (const Cancelled &cancelled) {
            stopped = cancelled.text();
        }
        QVERIFY(progress.stopped);
        QVERIFY(!stopped.isEmpty());
        QCOMPARE(progress.open, 0);
        QVERIFY2(progress.steps.last().startsWith(steps.texts.last()), qPrintable(progress.steps.join(u'|')));
        const QString outcome = (this->*steps.outcome)(true);
        QVERIFY2(outcome.isEmpty(), qPrintable(outcome));
    }

    // A wait without a count (the first connection to a server, the reading
    // of the Paradox tables) shows the busy cursor, nested too, and takes it
    // back however the step ends.
    void waitsShowTheBusyCursor()
    {
        app().start(prompter());
        QVERIFY(!QGuiApplication::overrideCursor());
        try {
            ProgressStep connecting(waitProgress(), Server::ConnectingText, 0);
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            ProgressDialog progress;
            ProgressStep reading(progress, MovingIn::ConvertingText, 0);
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            Server::connect(QStringLiteral("refused"), QStringLiteral("host=127.0.0.1 port=1 dbname=firm"));
        } catch (const Failure &) {
        }
        QVERIFY(ProgressWatch::nothingLeft());
    }
};

QTEST_MAIN(tst_Progress)
#include "tst_progress.moc"
