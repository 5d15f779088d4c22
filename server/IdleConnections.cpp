#include "server/IdleConnections.h"

#include "server/Libpq.h"
#include "server/ServerConnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QSqlQuery>
#include <QThread>

#include <algorithm>
#include <vector>

namespace Server::IdleConnections {

namespace {

struct Idle {
    QString connection;  // the connection string it was made for
    QString name;        // its name among Qt's connections
    QThread *thread;     // Qt's connections are used on the thread that made them
    QElapsedTimer since;
};

struct Pool {
    QMutex mutex;
    std::vector<Idle> idle;
    bool exitRoutineAdded = false;
};

Pool &pool()
{
    static Pool kept;
    return kept;
}

void close(const QString &name)
{
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

bool ofThisThread(const Idle &one)
{
    return one.thread == QThread::currentThread();
}

// Takes this thread's kept connections that `chosen` picks out of the pool.
template<typename Chosen>
std::vector<Idle> takeOut(Chosen chosen)
{
    QMutexLocker lock(&pool().mutex);
    std::vector<Idle> &idle = pool().idle;
    const auto out = std::stable_partition(idle.begin(), idle.end(),
                                           [&](const Idle &one) { return !ofThisThread(one) || !chosen(one); });
    std::vector<Idle> taken(std::make_move_iterator(out), std::make_move_iterator(idle.end()));
    idle.erase(out, idle.end());
    return taken;
}

void closeAll(const std::vector<Idle> &connections)
{
    for (const Idle &one : connections)
        close(one.name);
}

// A program that ends closes what it kept, before Qt's drivers go.
void closeAllAtExit()
{
    closeAll(takeOut([](const Idle &) { return true; }));
}

// Open, answering as far as libpq knows, and outside a transaction.
bool reusable(const QSqlDatabase &database)
{
    PGconn *connection = handle(database);
    return connection && libpq().PQstatus(connection) == CONNECTION_OK
           && libpq().PQtransactionStatus(connection) == PQTRANS_IDLE;
}

bool answers(const QSqlDatabase &database)
{
    QSqlQuery probe(database);
    return probe.exec(QStringLiteral("SELECT 1"));
}

} // namespace

std::optional<QSqlDatabase> take(const QString &connection)
{
    for (;;) {
        std::optional<Idle> one;
        {
            QMutexLocker lock(&pool().mutex);
            std::vector<Idle> &idle = pool().idle;
            const auto newest = std::find_if(idle.rbegin(), idle.rend(), [&](const Idle &kept) {
                return ofThisThread(kept) && kept.connection == connection;
            });
            if (newest == idle.rend())
                return std::nullopt;
            one = std::move(*newest);
            idle.erase(std::next(newest).base());
        }
        if (one->since.elapsed() < KeptMilliseconds) {
            QSqlDatabase database = QSqlDatabase::database(one->name, false);
            if (answers(database))
                return database;
        }
        close(one->name);
    }
}

void keep(QSqlDatabase &database, const QString &connection)
{
    const QString name = database.connectionName();
    const bool kept = reusable(database);
    database = QSqlDatabase();
    if (!kept) {
        close(name);
        return;
    }
    std::vector<Idle> beyond;
    {
        QMutexLocker lock(&pool().mutex);
        if (!std::exchange(pool().exitRoutineAdded, true))
            qAddPostRoutine(closeAllAtExit);
        std::vector<Idle> &idle = pool().idle;
        Idle one{connection, name, QThread::currentThread(), {}};
        one.since.start();
        idle.push_back(std::move(one));
        // Beyond the kept number, the oldest of this thread go.
        auto count = std::count_if(idle.begin(), idle.end(), ofThisThread);
        for (auto old = idle.begin(); old != idle.end() && count > Kept;) {
            if (!ofThisThread(*old)) {
                ++old;
                continue;
            }
            beyond.push_back(std::move(*old));
            old = idle.erase(old);
            --count;
        }
    }
    closeAll(beyond);
}

void drop(const QString &connection)
{
    closeAll(takeOut([&](const Idle &one) { return one.connection == connection; }));
}

} // namespace Server::IdleConnections
