// The store layer's two dialects, each on its real database: an SQLite file
// and a throw-away database of the test server. What the register and the
// move to a server rely on must hold on both alike.

#include "store/SqlDialect.h"

#include "support/SqlFile.h"
#include "support/TestServer.h"

#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

// A connection to an empty database of the engine: a file in a temporary
// folder, or a new database on the test server.
class Database {
public:
    explicit Database(const QString &engine) : m_name(QStringLiteral("dialect.") + engine)
    {
        if (engine == u"PostgreSQL") {
            m_server = std::make_unique<TestServer::Database>();
            m_database = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
            m_database.setDatabaseName(m_server->name());
        } else {
            m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
            // As the register opens its file: an attached file is named by URI,
            // which a build of SQLite without URIs by default (Windows) needs.
            m_database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
            m_database.setDatabaseName(path());
        }
        m_database.open();
        QSqlQuery(m_database).exec(QStringLiteral("SET client_min_messages = warning"));
    }
    ~Database()
    {
        m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }

    QSqlDatabase &database() { return m_database; }
    const SqlDialect &dialect() const { return SqlDialect::of(m_database); }
    QString path() const { return m_folder.filePath(QStringLiteral("main.db")); }
    QString folder() const { return m_folder.path(); }
    // Runs the statements; the first that fails gives its error.
    QString run(const QStringList &statements)
    {
        for (const QString &statement : statements) {
            QSqlQuery query(m_database);
            if (!query.exec(statement))
                return query.lastError().text();
        }
        return {};
    }
    // The first column of the first row.
    QVariant value(const QString &sql, const QVariantList &values = {})
    {
        QSqlQuery query(m_database);
        query.prepare(sql);
        for (const QVariant &value : values)
            query.addBindValue(value);
        return query.exec() && query.next() ? query.value(0) : QVariant();
    }

private:
    QTemporaryDir m_folder;
    std::unique_ptr<TestServer::Database> m_server;
    QString m_name;
    QSqlDatabase m_database;
};

#define OPEN_DATABASE(name)                                                                                  \
    QFETCH_GLOBAL(QString, engine);                                                                          \
    if (engine == u"PostgreSQL")                                                                             \
        REQUIRE_TEST_SERVER();                                                                               \
    [[maybe_unused]] const bool onServer = engine == u"PostgreSQL";                                          \
    Database name(engine);                                                                                   \
    QVERIFY2(name.database().isOpen(), qPrintable(name.database().lastError().text()))

// A table of documents with a key that never goes back, as the register's.
QStringList documentsTable(const SqlDialect &dialect)
{
    return {QStringLiteral(
                "CREATE TABLE \"Документи\" (\"Ид\" %1%2, \"Валута\" %3, \"Сума\" %1, \"Анулиран\" %3)")
                .arg(dialect.columnType({QStringLiteral("Ид"), Store::Kind::Integer, 0}), dialect.idKey(),
                     dialect.columnType({QStringLiteral("Валута"), Store::Kind::Text, 10}))};
}

} // namespace

class TestSqlDialect : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::newRow("SQLite") << QStringLiteral("SQLite");
        QTest::newRow("PostgreSQL") << QStringLiteral("PostgreSQL");
    }

    // The fast read gives every row as the statement orders it, with the
    // bound text, texts in Cyrillic and a NULL read as blank.
    void scanReadsEveryRow()
    {
        OPEN_DATABASE(db);
        const SqlDialect &dialect = db.dialect();
        QCOMPARE(db.run(documentsTable(dialect)), QString());
        QCOMPARE(
            db.run({QStringLiteral("INSERT INTO \"Документи\" (\"Валута\", \"Сума\", \"Анулиран\") VALUES "
                                   "('лв', 100, NULL), ('EUR', 250, 'да'), ('лв', 7, NULL)")}),
            QString());
        const auto rows =
            dialect.scan(db.database(),
                         QStringLiteral("SELECT \"Ид\", \"Валута\", \"Сума\", \"Анулиран\" IS NULL, "
                                        "\"Анулиран\" FROM \"Документи\" WHERE "
                                        "\"Валута\" = ? ORDER BY \"Сума\" DESC"),
                         {QStringLiteral("лв")}, QStringLiteral("Не се чете"));
        QVERIFY2(rows->exec(), qPrintable(rows->lastError().text()));
        QStringList read;
        while (rows->next()) {
            QVERIFY(rows->textIs(1, QByteArrayView("лв")));
            QVERIFY(!rows->textIs(1, QByteArrayView("EUR")));
            read << QStringLiteral("%1 %2 %3 %4 [%5]")
                        .arg(rows->integer(0))
                        .arg(rows->text(1))
                        .arg(rows->integer(2))
                        .arg(rows->integer(3))
                        .arg(rows->text(4));
        }
        QCOMPARE(read, (QStringList{QStringLiteral("1 лв 100 1 []"), QStringLiteral("3 лв 7 1 []")}));
    }

    // A statement the database refuses reaches the caller with the action's
    // message, never as an empty read.
    void scanFailureIsReported()
    {
        OPEN_DATABASE(db);
        const QString action = QStringLiteral("Регистърът не може да бъде прочетен");
        const auto rows =
            db.dialect().scan(db.database(), QStringLiteral("SELECT x FROM \"Няма такава\""), {}, action);
        try {
            if (rows->exec())
                QFAIL("a statement on a missing table ran");
            QVERIFY(db.dialect().failure(action, rows->lastError()).text().startsWith(action));
        } catch (const Failure &failure) {
            QVERIFY2(failure.text().startsWith(action), qPrintable(failure.text()));
        }
    }

    // The append-only triggers: a row is never deleted nor emptied away, a
    // mark is set once.
    void refusalKeepsRows()
    {
        OPEN_DATABASE(db);
        const SqlDialect &dialect = db.dialect();
        const QString table = Store::quoted(QStringLiteral("Документи"));
        QStringList statements = documentsTable(dialect);
        statements << dialect.refusalFunction()
                   << dialect.refusal(QStringLiteral("Не се трие"), QStringLiteral("DELETE"), table)
                   << dialect.refusal(QStringLiteral("Веднъж"), QStringLiteral("UPDATE OF \"Анулиран\""),
                                      table, QStringLiteral("OLD.\"Анулиран\" IS NOT NULL"))
                   << dialect.refuseTruncate(QStringLiteral("Не се изпразва"), table)
                   << QStringLiteral("INSERT INTO \"Документи\" (\"Валута\", \"Сума\") VALUES ('лв', 1)");
        QCOMPARE(db.run(statements), QString());
        QVERIFY(!db.run({QStringLiteral("DELETE FROM \"Документи\"")}).isEmpty());
        QCOMPARE(db.run({QStringLiteral("UPDATE \"Документи\" SET \"Анулиран\" = 'да'")}), QString());
        QVERIFY(!db.run({QStringLiteral("UPDATE \"Документи\" SET \"Анулиран\" = 'не'")}).isEmpty());
        if (onServer)
            QVERIFY(!db.run({QStringLiteral("TRUNCATE \"Документи\"")}).isEmpty());
        QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM \"Документи\"")).toInt(), 1);
        QCOMPARE(db.value(QStringLiteral("SELECT \"Анулиран\" FROM \"Документи\"")).toString(),
                 QStringLiteral("да"));
    }

    // What the catalogue tells: which tables and columns there are, in the
    // order they were made, and a key given after rows copied in with theirs.
    void catalogue()
    {
        OPEN_DATABASE(db);
        const SqlDialect &dialect = db.dialect();
        QStringList statements = documentsTable(dialect);
        statements << QStringLiteral("CREATE TABLE \"Редове\" (%1%2\"Документ\" %3)")
                          .arg(dialect.hiddenKeyColumn(),
                               dialect.hiddenKeyColumn().isEmpty() ? QString() : QStringLiteral(", "),
                               dialect.columnType({QString(), Store::Kind::Integer, 0}))
                   << QStringLiteral("CREATE TABLE \"__скрита\" (x %1)").arg(dialect.columnType({}));
        QCOMPARE(db.run(statements), QString());
        QCOMPARE(dialect.tables(db.database(), QString()),
                 (QStringList{QStringLiteral("Документи"), QStringLiteral("Редове")}));
        const auto exists = [&](const std::pair<QString, QVariantList> &query) {
            return db.value(query.first, query.second).toBool();
        };
        QVERIFY(exists(dialect.tableExists(QStringLiteral("Редове"))));
        QVERIFY(!exists(dialect.tableExists(QStringLiteral("Плащания"))));
        QVERIFY(exists(dialect.columnExists(QStringLiteral("Документи"), QStringLiteral("Сума"))));
        QVERIFY(!exists(dialect.columnExists(QStringLiteral("Документи"), QStringLiteral("Платено"))));

        QStringList columns;
        for (const SqlDialect::ColumnInfo &column :
             dialect.columns(db.database(), QStringLiteral("Документи"), QString()))
            columns << column.name + u' ' + column.type.toLower();
        QCOMPARE(columns,
                 onServer
                     ? (QStringList{
                         QStringLiteral("Ид bigint"), QStringLiteral("Валута character varying(10)"),
                         QStringLiteral("Сума bigint"), QStringLiteral("Анулиран character varying(10)")})
                     : (QStringList{QStringLiteral("Ид integer"), QStringLiteral("Валута varchar(10)"),
                                    QStringLiteral("Сума integer"), QStringLiteral("Анулиран varchar(10)")}));

        QCOMPARE(db.run({QStringLiteral("INSERT INTO \"Документи\" (\"Ид\", \"Сума\") VALUES (41, 1)")}),
                 QString());
        dialect.continueKeys(db.database(), QStringLiteral("Документи"), QStringLiteral("Ид"), QString());
        QCOMPARE(db.run({QStringLiteral("INSERT INTO \"Документи\" (\"Сума\") VALUES (2)")}), QString());
        QCOMPARE(db.value(dialect.lastId()).toLongLong(), 42);
    }

    // A reference table's serial and a column's remark come back as they were set.
    void serialAndRemark()
    {
        OPEN_DATABASE(db);
        const SqlDialect &dialect = db.dialect();
        QStringList statements{QStringLiteral("CREATE TABLE stock (\"Код\" %1)").arg(dialect.columnType({}))};
        if (onServer)
            statements << QStringLiteral("CREATE SEQUENCE stock_serial");
        statements << dialect.remark(QStringLiteral("stock"), QStringLiteral("Код"),
                                     QStringLiteral("VARCHAR(13)"));
        QCOMPARE(db.run(statements), QString());
        QCOMPARE(dialect.serial(db.database(), QStringLiteral("stock"), QString()), 0u);
        dialect.setSerial(db.database(), QStringLiteral("stock"), 3000000000u, QString());
        QCOMPARE(dialect.serial(db.database(), QStringLiteral("stock"), QString()), 3000000000u);
        const QList<SqlDialect::ColumnInfo> columns =
            dialect.columns(db.database(), QStringLiteral("stock"), QString());
        QCOMPARE(columns.size(), 1);
        QCOMPARE(columns.first().remark, onServer ? QStringLiteral("VARCHAR(13)") : QString());
    }

    // Another file of the folder, reached from the connection: its table
    // named like the file, whatever else it holds; a missing file is named.
    void attachedTable()
    {
        OPEN_DATABASE(db);
        const SqlDialect &dialect = db.dialect();
        const QString firm = QDir(db.folder()).filePath(QStringLiteral("Firm.db"));
        QCOMPARE(
            sqlOnFile(firm,
                      {QStringLiteral("CREATE TABLE other (x)"), QStringLiteral("CREATE TABLE firm (y)")}),
            QStringList());
        const QString action = QStringLiteral("Не се записва");
        if (!onServer) {
            QVERIFY_THROWS_EXCEPTION(Failure,
                                     dialect.attach(db.database(), QStringLiteral("firm"),
                                                    firm + QStringLiteral(".missing"), action));
        }
        const bool attached = dialect.attach(db.database(), QStringLiteral("firm"), firm, action);
        QCOMPARE(attached, !onServer);
        QCOMPARE(dialect.attachedTable(db.database(), QStringLiteral("firm"), QStringLiteral("Firm.db"),
                                       QStringLiteral("Firm"), action),
                 onServer ? QStringLiteral("\"Firm\"") : QStringLiteral("firm.\"firm\""));
        if (attached) {
            QCOMPARE(db.run({QStringLiteral("INSERT INTO firm.firm VALUES (5)")}), QString());
            dialect.detach(db.database(), QStringLiteral("firm"));
            QCOMPARE(sqlOnFile(firm, {QStringLiteral("SELECT y FROM firm")}),
                     QStringList{QStringLiteral("5")});
        }
    }

    // Another program's write lock is worth waiting for on a file; on a
    // server a lock is waited for by the server itself.
    void busyIsTheOtherWriter()
    {
        OPEN_DATABASE(db);
        if (onServer) {
            QVERIFY(!db.dialect().busy(
                QSqlError(QString(), QString(), QSqlError::StatementError, QStringLiteral("5"))));
            return;
        }
        QCOMPARE(db.run({QStringLiteral("CREATE TABLE t (x)")}), QString());
        QSqlDatabase other =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("dialect.other"));
        {
            other.setDatabaseName(db.path());
            other.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
            QVERIFY(other.open());
            QCOMPARE(db.run({db.dialect().begin()}), QString());
            QSqlQuery second(other);
            QVERIFY(!second.exec(db.dialect().begin()));
            QVERIFY(db.dialect().busy(second.lastError()));
            QVERIFY(!db.dialect().busy(
                QSqlError(QString(), QString(), QSqlError::StatementError, QStringLiteral("19"))));
            db.run({QStringLiteral("ROLLBACK")});
            other.close();
        }
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("dialect.other"));
    }

    // A server cuts a name to 63 bytes of UTF-8, in the statements and the
    // results alike; a file keeps it whole.
    void fieldName()
    {
        QFETCH_GLOBAL(QString, engine);
        const QString name = QString(40, QChar(u'Я'));  // 80 bytes
        if (engine == u"PostgreSQL") {
            QCOMPARE(
                SqlDialect::of(QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("names")))
                    .fieldName(name),
                QString(31, QChar(u'Я')));
        } else {
            QCOMPARE(
                SqlDialect::of(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("names")))
                    .fieldName(name),
                name);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("names"));
    }
};

QTEST_GUILESS_MAIN(TestSqlDialect)
#include "tst_sqldialect.moc"
