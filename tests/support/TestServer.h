#pragma once

// The PostgreSQL server that the test command starts (scripts/test.sh runs the
// tests under pg_virtualenv, which sets PGHOST, PGPORT, PGUSER and PGPASSWORD),
// and a throw-away database on it for one test.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTest>
#include <QProcess>
#include <QUuid>

namespace TestServer {

// Whether the test command started a server. With BILVARO_TEST_SERVER set to
// "required" a missing one is a failure, not a skip.
inline bool available()
{
    return !qEnvironmentVariable("PGHOST").isEmpty() || !qEnvironmentVariable("PGPORT").isEmpty();
}
inline bool required()
{
    return qEnvironmentVariable("BILVARO_TEST_SERVER") == QLatin1String("required");
}

// Runs SQL on the server's maintenance database.
inline bool administer(const QString &sql, QString *error = nullptr)
{
    const QString name = QStringLiteral("test.server.admin");
    bool done = false;
    {
        QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        admin.setDatabaseName(QStringLiteral("postgres"));
        if (admin.open()) {
            QSqlQuery query(admin);
            done = query.exec(sql);
            if (!done && error)
                *error = query.lastError().text();
        } else if (error) {
            *error = admin.lastError().text();
        }
        admin.close();
    }
    QSqlDatabase::removeDatabase(name);
    return done;
}

// A new empty database, dropped with the object.
class Database {
public:
    Database() : m_name(QStringLiteral("bilvaro_test_") + QUuid::createUuid().toString(QUuid::Id128).left(16))
    {
        QString error;
        if (!administer(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'").arg(m_name), &error))
            qFatal("cannot make the test database %s: %s", qPrintable(m_name), qPrintable(error));
    }
    ~Database() { administer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name)); }
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    QString name() const { return m_name; }
    // A connection string naming it; the rest (host, port, user, password)
    // comes from the server's variables, the libpq way.
    QString connection() const { return QStringLiteral("dbname=") + m_name; }

private:
    QString m_name;
};

} // namespace TestServer

// Skips a test that needs the server when the test command started none (a
// failure when it was required).
#define REQUIRE_TEST_SERVER()                                                                                         \
    do {                                                                                                              \
        if (!TestServer::available()) {                                                                               \
            if (TestServer::required())                                                                               \
                QFAIL("the test command started no PostgreSQL server (PGHOST/PGPORT are not set)");                   \
            QSKIP("no PostgreSQL server: run the tests under pg_virtualenv");                                        \
        }                                                                                                             \
    } while (false)

namespace TestServer {

// Stops or starts again the cluster that the test command started (the one
// listening on PGPORT), as an outage of the office's server would.
inline bool setRunning(bool running)
{
    QProcess list;
    list.start(QStringLiteral("pg_lsclusters"), {QStringLiteral("--no-header")});
    if (!list.waitForFinished(30000))
        return false;
    const QString port = qEnvironmentVariable("PGPORT");
    for (const QString &line : QString::fromUtf8(list.readAllStandardOutput()).split(u'\n')) {
        const QStringList fields = line.simplified().split(u' ');
        if (fields.size() > 2 && fields[2] == port)
            return QProcess::execute(QStringLiteral("pg_ctlcluster"),
                                     {fields[0], fields[1], running ? QStringLiteral("start") : QStringLiteral("stop")})
                   == 0;
    }
    return false;
}

} // namespace TestServer
