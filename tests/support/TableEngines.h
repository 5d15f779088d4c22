#pragma once

// Tests that run once on SQLite files and once on the test server: the rows
// of an "engine" column (a test object's global data, from engineRows()) and
// a start folder whose tables are on that engine.

#include "reference/Schema.h"
#include "reference/ServerTables.h"
#include "support/SqlFile.h"
#include "support/TableFolder.h"
#include "support/TestServer.h"
#include "tools/TableMaker.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

enum class Engine { Sqlite, Server };
Q_DECLARE_METATYPE(Engine)

inline const QList<Engine> &engines()
{
    static const QList<Engine> all{Engine::Sqlite, Engine::Server};
    return all;
}
inline const char *engineName(Engine engine)
{
    return engine == Engine::Sqlite ? "sqlite" : "server";
}
// The data of a test that has none of its own: a row per engine.
inline void engineRows()
{
    QTest::addColumn<Engine>("engine");
    for (Engine engine : engines())
        QTest::newRow(engineName(engine)) << engine;
}

// Runs SQL on a database of the test server, as another program would, and
// returns the first column of the rows selected; a failure gives a row
// "failed: …", as sqlOnFile() does.
inline QStringList sqlOnServer(const QString &database, const QStringList &statements)
{
    QStringList rows;
    const QString name = QStringLiteral("sql.on.server");
    {
        QSqlDatabase server = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        server.setDatabaseName(database);
        if (!server.open())
            rows << QStringLiteral("failed: cannot open ") + database;
        QSqlQuery query(server);
        for (const QString &statement : statements) {
            if (!server.isOpen())
                break;
            if (!query.exec(statement))
                rows << QStringLiteral("failed: ") + statement + QStringLiteral(": ") + query.lastError().text();
            while (query.isSelect() && query.next())
                rows << query.value(0).toString();
        }
        query.finish();
        server.close();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

// A start folder whose tables are SQLite files in its DB folder, or tables on
// a database of the test server that DB/server.conf names. The server's
// tables hold what the files would: each is made as a file first and copied,
// keys and all.
class EngineFolder : public TableFolder {
public:
    Engine engine() const { return m_engine; }

    // An empty DB folder and, for the server, an empty database named in it.
    bool use(Engine engine)
    {
        m_engine = engine;
        if (!emptyFolder())
            return false;
        if (engine == Engine::Sqlite)
            return true;
        if (!m_database)
            m_database = std::make_unique<TestServer::Database>();
        QFile conf(QDir(data()).filePath(QStringLiteral("server.conf")));
        return sqlOnServer(m_database->name(), {QStringLiteral("DROP SCHEMA public CASCADE"),
                                                QStringLiteral("CREATE SCHEMA public")})
                   .isEmpty()
               && conf.open(QIODevice::WriteOnly) && conf.write(m_database->connection().toUtf8()) > 0;
    }

    // Makes a table as the table maker does, on the engine in use.
    void makeTable(const TableMaker::TableDefinition &definition, const QList<QVariantMap> &records = {}) const
    {
        if (m_engine == Engine::Sqlite) {
            TableMaker::makeTable(data(), definition, records);
            return;
        }
        QTemporaryDir scratch;
        TableMaker::makeTable(scratch.path(), definition, records);
        copyToServer(QDir(scratch.path()).filePath(definition.fileName), definition.tableName);
    }

    // Runs SQL on the table named by its file, as another program would; on
    // the server "rowid" stands for the record's key and ifnull() for coalesce().
    QStringList sql(const QString &fileName, const QStringList &statements) const
    {
        if (m_engine == Engine::Sqlite)
            return sqlOnFile(QDir(data()).filePath(fileName), statements);
        static const QRegularExpression rowid(QStringLiteral("\\browid\\b")), ifnull(QStringLiteral("\\bifnull\\("));
        QStringList translated;
        for (QString statement : statements)
            translated << statement.replace(rowid, Schema::quoted(Schema::KeyColumn))
                              .replace(ifnull, QStringLiteral("coalesce("));
        return sqlOnServer(m_database->name(), translated);
    }

    QString serverDatabase() const { return m_database ? m_database->name() : QString(); }

private:
    // The table of an SQLite file on the server, in ServerTables' layout.
    void copyToServer(const QString &file, const QString &table) const
    {
        const QString name = QStringLiteral("copy.to.server");
        {
            QSqlDatabase server = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            server.setDatabaseName(m_database->name());
            QVERIFY(server.open());
            QVERIFY(server.transaction());
            QList<Schema::Column> columns;
            for (const QString &declared : sqlOnFile(file, {QStringLiteral("SELECT name || '|' || upper(type) FROM "
                                                                           "pragma_table_info('%1')").arg(table)})) {
                const QString type = declared.section(u'|', 1);
                if (declared.section(u'|', 0, 0) == Schema::KeyColumn)
                    continue;  // the file's rowid
                Schema::Column column{declared.section(u'|', 0, 0), Schema::Kind::Text, 0};
                if (type == QLatin1String("CLOB"))
                    column.kind = Schema::Kind::Memo;
                else if (type == QLatin1String("BLOB"))
                    column.kind = Schema::Kind::Picture;
                else if (type.startsWith(QLatin1String("VARCHAR(")))
                    column.width = type.mid(8).chopped(1).toInt();
                columns << column;
            }
            ServerTables::createTable(server, table, columns);
            QStringList names{Schema::quoted(Schema::KeyColumn)}, marks{QStringLiteral("?")};
            for (const Schema::Column &column : std::as_const(columns))
                names << Schema::quoted(column.name), marks << QStringLiteral("?");
            {
                QSqlQuery insert(server);
                QVERIFY(insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                           .arg(Schema::quoted(table), names.join(u','), marks.join(u','))));
                QSqlDatabase source = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name + QStringLiteral(".file"));
                source.setDatabaseName(file);
                QVERIFY(source.open());
                {
                    QSqlQuery rows(source);
                    QVERIFY(rows.exec(QStringLiteral("SELECT rowid, %1 FROM %2")
                                          .arg(names.mid(1).join(u','), Schema::quoted(table))));
                    while (rows.next()) {
                        for (int i = 0; i < names.size(); ++i)
                            insert.addBindValue(rows.value(i));
                        QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
                    }
                }
                source.close();
            }
            QVERIFY(server.commit());
            server.close();
        }
        QSqlDatabase::removeDatabase(name + QStringLiteral(".file"));
        QSqlDatabase::removeDatabase(name);
    }

    Engine m_engine = Engine::Sqlite;
    std::unique_ptr<TestServer::Database> m_database;
};

// A case about SQLite files themselves, or about no table at all: run once, on the files.
#define FILES_ONLY()                                                                                                  \
    if (engine() == Engine::Server)                                                                                   \
    QSKIP("a case of the SQLite files alone")
