// Moving a start folder onto a PostgreSQL server and back: the demo tables
// (Cyrillic, logos), a column a user added, key serials and a register with
// documents of every kind come back file by file, value by value; a database
// that has the tables already, and a folder that has files already, are
// refused with nothing changed.

#include "common/Failure.h"
#include "reference/PriceConversion.h"
#include "reference/TableStore.h"
#include "register/RegisterStore.h"
#include "server/ServerConnection.h"
#include "support/EngineFolder.h"
#include "support/RecordingProgress.h"
#include "support/SampleInvoice.h"
#include "support/SqlFile.h"
#include "tools/ServerCopy.h"
#include "tools/TableMaker.h"

#include <QtTest>

namespace {

// Everything a file holds that the program reads: the layout of each table
// (columns with their declared types, indexes, triggers), the key serial,
// and every record under its key with each value's storage class.
QStringList fileContents(const QString &path)
{
    QStringList contents = sqlOnFile(path, {QStringLiteral("PRAGMA user_version"),
                                            QStringLiteral("SELECT type || ' ' || name || ' ' || coalesce(sql, '') "
                                                           "FROM sqlite_master WHERE type <> 'table' ORDER BY name")});
    const QStringList tables =
        sqlOnFile(path, {QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")});
    for (const QString &table : tables) {
        const QString quoted = Schema::quoted(table);
        contents << table
                 << sqlOnFile(path, {QStringLiteral("SELECT name || ' ' || type || ' ' || \"notnull\" || ' ' || pk "
                                                    "FROM pragma_table_info('%1')")
                                         .arg(QString(table).replace(u'\'', QStringLiteral("''")))});
        const QStringList columns = sqlOnFile(
            path, {QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(QString(table).replace(u'\'', QStringLiteral("''")))});
        QStringList values{QStringLiteral("rowid")};
        for (const QString &column : columns)
            values << QStringLiteral("typeof(%1) || ':' || coalesce(hex(%1), 'NULL')").arg(Schema::quoted(column));
        contents << sqlOnFile(path, {QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
                                         .arg(values.join(QStringLiteral(" || '|' || ")), quoted)});
    }
    return contents;
}

} // namespace

class tst_ServerCopy : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TestServer::Database> m_database;
    QString folder(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    QString data(const char *name) const { return QDir(folder(name)).filePath(QStringLiteral("DB")); }

    // The demo tables with a column and a serial of the user's, and a
    // register with an invoice, a proforma, a credit and a debit note, one
    // cancelled, one copied.
    void makeStartFolder(const QString &startFolder)
    {
        TableMaker::makeTables(startFolder, true);
        const QString data = QDir(startFolder).filePath(QStringLiteral("DB"));
        QCOMPARE(sqlOnFile(QDir(data).filePath(QStringLiteral("customer.db")),
                           {QStringLiteral("ALTER TABLE customer ADD COLUMN \"Ел. поща\" VARCHAR(60)"),
                            QStringLiteral("ALTER TABLE customer ADD COLUMN \"Бележка\" CLOB"),
                            QStringLiteral("UPDATE customer SET \"Ел. поща\" = 'офис@пример.бг', \"Бележка\" = "
                                           "'ред 1' || char(10) || 'ред 2' WHERE rowid = (SELECT min(rowid) FROM customer)"),
                            QStringLiteral("PRAGMA user_version = 7")}),
                 QStringList{});
        // Prices in euro: the mark goes with the goods.
        PriceConversion::convertGoodsToEuro(data);
        // The own company of the sample documents is the first demo company.
        QCOMPARE(sqlOnFile(QDir(data).filePath(QStringLiteral("Firm.db")),
                           {QStringLiteral("UPDATE Firm SET \"ИН\" = '123456789' WHERE rowid = (SELECT min(rowid) FROM Firm)")}),
                 QStringList{});
        RegisterStore store(data);
        const struct {
            DocumentKind kind;
            NoteKind note;
            Currency currency;
            const char *number;
        } documents[] = {{DocumentKind::Invoice, NoteKind::None, Currency::Leva, "1"},
                         {DocumentKind::Proforma, NoteKind::None, Currency::Euro, "1"},
                         {DocumentKind::Invoice, NoteKind::Credit, Currency::Euro, "2"},
                         {DocumentKind::Invoice, NoteKind::Debit, Currency::Leva, "3"}};
        for (const auto &document : documents)
            store.recordPrint(sampleInvoice(document.kind, document.note, document.currency,
                                            QLatin1String(document.number)),
                              {QStringLiteral("/архив/1.bmp"), QStringLiteral("/архив/1.pdf")}, PrintMode::Original);
        const QList<qint64> ids = store.find({});
        store.cancel(ids.value(0), QStringLiteral("грешен клиент"));
        store.countCopy(ids.value(1));
        store.recordPayment(paymentOf(ids.value(3), QDate(2026, 2, 20), Amount::fromUnits(50000), Currency::Euro,
                                      Currency::Leva, PaymentWay::Card, QStringLiteral("аванс")));
    }

private Q_SLOTS:
    void initTestCase()
    {
        REQUIRE_TEST_SERVER();
        makeStartFolder(folder("office"));
        m_database = std::make_unique<TestServer::Database>();
        const QStringList moved = ServerCopy::toServer(folder("office"), m_database->connection());
        QCOMPARE(moved.size(), 10);
        const QStringList back = ServerCopy::fromServer(folder("backup"), m_database->connection());
        QCOMPARE(back.size(), 10);
    }

    // Each file of the backup holds what the office's file held.
    void movedAndBack_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("records");  // of the file's main table, that it is not empty
        QTest::newRow("own companies, with logos") << "Firm.db" << 2;
        QTest::newRow("bank accounts") << "Details.db" << 3;
        QTest::newRow("goods") << "stock.db" << 8;
        QTest::newRow("clients, with the user's columns and serial") << "customer.db" << 5;
        QTest::newRow("register") << "Register.db" << 4;
    }
    void movedAndBack()
    {
        QFETCH(QString, file);
        QFETCH(int, records);
        const QString office = QDir(data("office")).filePath(file);
        const QString backup = QDir(data("backup")).filePath(file);
        const QStringList expected = fileContents(office);
        QVERIFY(expected.size() > records);
        QCOMPARE(fileContents(backup), expected);
    }

    // The moved tables have the statistics the server plans its reads by.
    void movedTablesHaveStatistics()
    {
        QSqlDatabase db = Server::connect(QStringLiteral("statistics"), m_database->connection());
        {
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral("SELECT count(DISTINCT tablename) FROM pg_stats WHERE tablename IN "
                                              "('stock', 'customer')")));
            QVERIFY(query.next());
            QCOMPARE(query.value(0).toInt(), 2);
        }
        Server::disconnect(db, QStringLiteral("statistics"));
    }

    // On the server the goods are in euro as they were in the file, and a
    // pick takes their prices as they are.
    void serverGoodsKeepTheirCurrency()
    {
        QTemporaryDir start;
        QFile config(QDir(start.path()).filePath(QLatin1String(Server::ConfigFileName)));
        QVERIFY(config.open(QIODevice::WriteOnly) && config.write(m_database->connection().toUtf8()) > 0);
        config.close();
        TableStore goods;
        goods.setDatabaseName(start.path());
        goods.setTableName(Schema::Goods::FileName);
        goods.open();
        QCOMPARE(PriceConversion::goodsCurrency(goods), Currency::Euro);
    }

    // The program opens the backup as it is: the register reads its documents.
    void backupOpensAsItIs()
    {
        RegisterStore office(data("office"));
        RegisterStore backup(data("backup"));
        const QList<qint64> ids = office.find({});
        QCOMPARE(backup.find({}), ids);
        for (qint64 id : ids)
            QCOMPARE(backup.invoice(id), office.invoice(id));
        QCOMPARE(backup.sums({}), office.sums({}));
    }

    // The register on the server goes on past the moved documents.
    void serverGoesOnPastTheMovedKeys()
    {
        QFile config(QDir(data("office")).filePath(QLatin1String(Server::ConfigFileName)));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(m_database->connection().toUtf8());
        config.close();
        RegisterStore onServer(data("office"));
        QCOMPARE(onServer.find({}).size(), 4);
        onServer.recordPrint(sampleInvoice(DocumentKind::Invoice, NoteKind::None, Currency::Leva, QStringLiteral("4")),
                             {}, PrintMode::Original);
        const QList<qint64> ids = onServer.find({});
        QCOMPARE(ids.size(), 5);
        QCOMPARE(*std::max_element(ids.begin(), ids.end()), 5);
        QVERIFY(config.remove());
    }

    void occupiedTargetIsRefused_data()
    {
        QTest::addColumn<QString>("direction");
        QTest::addColumn<QString>("occupied");  // a table on the server, or a file in the folder
        QTest::addColumn<QString>("refusal");
        QTest::newRow("server has goods") << "to" << "stock"
                                          << "Базата на сървъра вече има таблица „stock“; таблиците не са създадени.";
        QTest::newRow("server has a register")
            << "to" << "Документи"
            << "Таблиците не са прехвърлени на сървъра: базата на сървъра вече има регистъра на издадените документи.";
        QTest::newRow("folder has clients") << "from" << "customer.db" << "вече съществува";
        QTest::newRow("folder has a register") << "from" << "Register.db" << "вече съществува";
    }
    void occupiedTargetIsRefused()
    {
        QFETCH(QString, direction);
        QFETCH(QString, occupied);
        QFETCH(QString, refusal);
        TestServer::Database database;
        QTemporaryDir targetFolder;
        const QString target = targetFolder.path();
        QString text;
        if (direction == u"to") {
            QCOMPARE(sqlOnServerDatabase(database.name(), {QStringLiteral("CREATE TABLE %1 (x int)").arg(Schema::quoted(occupied))}),
                     QStringList{});
            try {
                ServerCopy::toServer(folder("office"), database.connection());
            } catch (const Failure &failure) {
                text = failure.text();
            }
            // Nothing but the table that was there.
            QCOMPARE(sqlOnServerDatabase(database.name(), {QStringLiteral("SELECT string_agg(relname, ',') FROM pg_class "
                                                                          "WHERE relnamespace = 'public'::regnamespace")}),
                     QStringList{occupied});
        } else {
            QVERIFY(QDir().mkpath(QDir(target).filePath(QStringLiteral("DB"))));
            QVERIFY(QFile::copy(QDir(data("office")).filePath(occupied), QDir(target).filePath(QStringLiteral("DB/") + occupied)));
            try {
                ServerCopy::fromServer(target, m_database->connection());
            } catch (const Failure &failure) {
                text = failure.text();
            }
            QCOMPARE(QDir(QDir(target).filePath(QStringLiteral("DB"))).entryList(QDir::Files), QStringList{occupied});
            QCOMPARE(fileContents(QDir(target).filePath(QStringLiteral("DB/") + occupied)),
                     fileContents(QDir(data("office")).filePath(occupied)));
        }
        QVERIFY2(text.contains(refusal), qPrintable(text));
    }

    // A column the user declared INTEGER holds what was put into it: a value
    // that is no whole number stops the move rather than being rounded.
    void noWholeNumberStopsTheMove()
    {
        QTemporaryDir start;
        TableMaker::makeTables(start.path(), true);
        QCOMPARE(sqlOnFile(QDir(start.path()).filePath(QStringLiteral("DB/stock.db")),
                           {QStringLiteral("ALTER TABLE stock ADD COLUMN \"Гаранция\" INTEGER"),
                            QStringLiteral("UPDATE stock SET \"Гаранция\" = 12.5 WHERE rowid = (SELECT max(rowid) FROM stock)")}),
                 QStringList{});
        TestServer::Database database;
        QString text;
        try {
            ServerCopy::toServer(start.path(), database.connection());
        } catch (const Failure &failure) {
            text = failure.text();
        }
        QVERIFY2(text.startsWith(QStringLiteral("Таблиците не са прехвърлени на сървъра (таблица „stock“)")),
                 qPrintable(text));
        QCOMPARE(sqlOnServerDatabase(database.name(), {QStringLiteral("SELECT count(*) FROM pg_class WHERE relnamespace = "
                                                                      "'public'::regnamespace")}),
                 QStringList{QStringLiteral("0")});
    }

    // A server without the clients' table: the backup stops there and takes
    // back the files it had written.
    void incompleteServerLeavesNoFiles()
    {
        TestServer::Database database;
        {
            const QString name = QStringLiteral("servercopy.tables");
            {
                QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
                connection.setDatabaseName(database.name());
                QVERIFY(connection.open());
                ServerTables::create(connection);
                QCOMPARE(sqlOn(connection, {QStringLiteral("DROP TABLE customer")}), QStringList{});
                connection.close();
            }
            QSqlDatabase::removeDatabase(name);
        }
        QTemporaryDir target;
        try {
            ServerCopy::fromServer(target.path(), database.connection());
            QFAIL("an incomplete server was backed up");
        } catch (const Failure &failure) {
            QVERIFY2(failure.text().endsWith(QStringLiteral("на сървъра няма таблица „customer“.")),
                     qPrintable(failure.text()));
        }
        QCOMPARE(QDir(QDir(target.path()).filePath(QStringLiteral("DB"))).entryList(QDir::Files), QStringList{});
    }

    // Stopped by the user at its first or last table, the move leaves the
    // server's database empty, the way back leaves no file, and the source
    // is never touched.
    void stoppedMoveLeavesBothSidesAsTheyWere_data()
    {
        QTest::addColumn<QString>("direction");
        QTest::addColumn<int>("stopAt");  // RecordingProgress's
        for (const char *direction : {"to", "from"}) {
            QTest::addRow("%s the server, at the first table", direction) << direction << 1;
            QTest::addRow("%s the server, at the last table", direction) << direction << -1;
        }
    }
    void stoppedMoveLeavesBothSidesAsTheyWere()
    {
        QFETCH(QString, direction);
        QFETCH(int, stopAt);
        RecordingProgress progress(direction == u"to" ? ServerCopy::MovingToServerText : ServerCopy::MovingFromServerText,
                                   stopAt);
        QString text;
        if (direction == u"to") {
            const QStringList office = fileContents(QDir(data("office")).filePath(QStringLiteral("Register.db")));
            TestServer::Database database;
            try {
                ServerCopy::toServer(folder("office"), database.connection(), progress);
            } catch (const Cancelled &cancelled) {
                text = cancelled.text();
            }
            QCOMPARE(sqlOnServerDatabase(database.name(), {QStringLiteral("SELECT count(*) FROM pg_class WHERE "
                                                                          "relnamespace = 'public'::regnamespace")}),
                     QStringList{QStringLiteral("0")});
            QCOMPARE(fileContents(QDir(data("office")).filePath(QStringLiteral("Register.db"))), office);
        } else {
            QTemporaryDir target;
            try {
                ServerCopy::fromServer(target.path(), m_database->connection(), progress);
            } catch (const Cancelled &cancelled) {
                text = cancelled.text();
            }
            QCOMPARE(QDir(QDir(target.path()).filePath(QStringLiteral("DB"))).entryList(QDir::Files | QDir::Hidden),
                     QStringList{});
        }
        QCOMPARE(text, ServerCopy::MoveStoppedText);
        QCOMPARE(progress.open, 0);
    }

private:
    static QStringList sqlOnServerDatabase(const QString &database, const QStringList &statements)
    {
        const QString name = QStringLiteral("servercopy.sql");
        QStringList rows;
        {
            QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            connection.setDatabaseName(database);
            connection.open();
            rows = sqlOn(connection, statements);
            connection.close();
        }
        QSqlDatabase::removeDatabase(name);
        return rows;
    }
};

QTEST_MAIN(tst_ServerCopy)
#include "tst_servercopy.moc"
