#pragma once

// A data folder for tests that run once on SQLite files and once on the test
// server: "SQLite" keeps the register and the own companies in DB/*.db,
// "PostgreSQL" in a database of the server that DB/server.conf names.

#include "reference/Schema.h"
#include "reference/ServerTables.h"
#include "server/ServerConnection.h"
#include "support/SampleInvoice.h"
#include "support/SqlFile.h"
#include "support/TestServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

// Runs SQL on an open connection; the result as sqlOnFile gives it.
inline QStringList sqlOn(const QSqlDatabase &connection, const QStringList &statements)
{
    QStringList rows;
    if (!connection.isOpen())
        return {QStringLiteral("failed: cannot open ") + connection.databaseName()};
    QSqlQuery query(connection);
    for (const QString &statement : statements) {
        if (!query.exec(statement))
            rows << QStringLiteral("failed: ") + statement;
        while (query.isSelect() && query.next())
            rows << query.value(0).toString();
    }
    return rows;
}

class EngineFolder {
public:
    // The engines, as the rows of a global data table name them.
    static QStringList engines() { return {QStringLiteral("SQLite"), QStringLiteral("PostgreSQL")}; }

    explicit EngineFolder(const QString &engine) : m_engine(engine)
    {
        QDir().mkpath(data());
        if (engine == u"PostgreSQL") {
            m_server = std::make_unique<TestServer::Database>();
            // One connection for the test's own SQL, as another machine's:
            // a connection takes a good part of a second on a busy machine.
            m_sql = QStringLiteral("engine.folder.") + m_server->name();
            QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_sql);
            connection.setDatabaseName(m_server->name());
            connection.open();
            QFile config(QDir(data()).filePath(QLatin1String(Server::ConfigFileName)));
            if (config.open(QIODevice::WriteOnly))
                config.write(m_server->connection().toUtf8() + '\n');
        }
    }

    ~EngineFolder()
    {
        if (!m_sql.isEmpty()) {
            QSqlDatabase::database(m_sql, false).close();
            QSqlDatabase::removeDatabase(m_sql);
        }
    }
    EngineFolder(const EngineFolder &) = delete;
    EngineFolder &operator=(const EngineFolder &) = delete;

    QString engine() const { return m_engine; }
    bool onServer() const { return m_server != nullptr; }
    QString data() const { return m_dir.filePath(QStringLiteral("DB")); }
    QString folder() const { return m_dir.path(); }
    QString database() const { return m_server ? m_server->name() : QString(); }

    // Empties the folder (or the database) for the next test.
    bool clear() const
    {
        if (m_server)
            return sqlOnServer({QStringLiteral("SET client_min_messages = warning"),
                                QStringLiteral("DROP SCHEMA public CASCADE"), QStringLiteral("CREATE SCHEMA public")})
                .isEmpty();
        return QDir(data()).removeRecursively() && QDir().mkpath(data());
    }

    // The own company of sampleInvoice() as the first record of the own
    // companies, where the table maker (or the move to a server) puts it.
    bool makeOwnCompany(const QString &lastInvoice = QStringLiteral("0000000000")) const
    {
        if (!m_server)
            return ::makeOwnCompany(data(), lastInvoice);
        QSqlDatabase database = QSqlDatabase::database(m_sql);
        QList<Schema::Column> columns;
        for (const Schema::Table &table : Schema::tables()) {
            if (table.fileName == Schema::Firm::FileName)
                columns = table.columns;
        }
        ServerTables::createTable(database, QStringLiteral("Firm"), columns);
        QSqlQuery insert(database);
        insert.prepare(QStringLiteral("INSERT INTO \"Firm\" (\"__order\", \"ДОСТАВЧИК\", \"ИН\", \"Фактура №\", "
                                      "\"Проформа №\") VALUES (?, 'Доставчик ЕООД', '123456789', ?, '0000000000')"));
        insert.addBindValue(Schema::MakerKeyStep);
        insert.addBindValue(lastInvoice);
        return insert.exec();
    }

    // SQL on the register, and on the own companies, as another program runs it.
    QStringList sqlOnRegister(const QStringList &statements) const
    {
        return m_server ? sqlOnServer(statements) : sqlOnFile(QDir(data()).filePath(Schema::Register::FileName), statements);
    }
    QStringList sqlOnFirm(const QStringList &statements) const
    {
        return m_server ? sqlOnServer(statements) : sqlOnFile(QDir(data()).filePath(Schema::Firm::FileName), statements);
    }
    bool registerExists() const
    {
        if (m_server)
            return sqlOnServer({QStringLiteral("SELECT to_regclass('\"Документи\"') IS NOT NULL")})
                   == QStringList{QStringLiteral("true")};
        return QFileInfo::exists(QDir(data()).filePath(Schema::Register::FileName));
    }
    // What the engine calls the type of a whole number as stored.
    QString integerType() const { return m_server ? QStringLiteral("bigint") : QStringLiteral("integer"); }
    QString typeOf(const QString &column) const
    {
        return (m_server ? QStringLiteral("pg_typeof(%1)::text") : QStringLiteral("typeof(%1)")).arg(column);
    }
    // The order in which a table's rows were written.
    QString writeOrder() const { return m_server ? QStringLiteral("\"__order\"") : QStringLiteral("rowid"); }

    QStringList sqlOnServer(const QStringList &statements) const { return sqlOn(connection(), statements); }
    // The test's own connection to the server's database.
    QSqlDatabase connection() const { return QSqlDatabase::database(m_sql); }

private:
    QTemporaryDir m_dir;
    QString m_engine;
    std::unique_ptr<TestServer::Database> m_server;
    QString m_sql;  // the connection's name
};

// Fills a global data table with one row per engine.
inline void addEngineRows()
{
    QTest::addColumn<QString>("engine");
    for (const QString &engine : EngineFolder::engines())
        QTest::newRow(qPrintable(engine)) << engine;
}

// Skips a server row when the test command started no server.
#define REQUIRE_ENGINE(engine)                                                                                        \
    do {                                                                                                              \
        if ((engine) == u"PostgreSQL")                                                                                \
            REQUIRE_TEST_SERVER();                                                                                    \
    } while (false)
