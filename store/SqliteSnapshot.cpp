#include "store/SqliteSnapshot.h"

#include "store/SqliteTable.h"
#include "store/Sqlite.h"
#include "store/StoreFailure.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>
#include <QUuid>

namespace SqliteSnapshot {

namespace {

Failure copyFailure(const QString &path, const QString &reason)
{
    return Failure(QStringLiteral("Файлът „%1“ не може да бъде копиран: %2").arg(QDir::toNativeSeparators(path), reason));
}

// One file into a new one through SQLite's online backup, inside the read
// transaction that the source connection holds.
void backUp(sqlite3 *source, const QByteArray &schema, const QString &from, const QString &to)
{
    const Sqlite &api = sqlite();
    sqlite3 *target = nullptr;
    const int opened = api.sqlite3_open_v2(QFile::encodeName(to).constData(), &target,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    struct Closer {
        sqlite3 *db;
        ~Closer() { sqlite().sqlite3_close(db); }
    } closer{target};
    if (opened != SQLITE_OK)
        throw copyFailure(from, QString::fromUtf8(api.sqlite3_errstr(opened)));
    sqlite3_backup *backup = api.sqlite3_backup_init(target, "main", source, schema.constData());
    if (!backup)
        throw copyFailure(from, QString::fromUtf8(api.sqlite3_errmsg(target)));
    const int stepped = api.sqlite3_backup_step(backup, -1);
    const int finished = api.sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE || finished != SQLITE_OK)
        throw copyFailure(from, QString::fromUtf8(api.sqlite3_errstr(stepped != SQLITE_DONE ? stepped : finished)));
}

} // namespace

void copy(const QList<std::pair<QString, QString>> &files)
{
    if (files.isEmpty())
        return;
    const QString name = QStringLiteral("bilvaro.snapshot.") + QUuid::createUuid().toString();
    QSqlDatabase database = SqliteTable::connect(name, files.first().first);
    struct Disconnect {
        QSqlDatabase &database;
        const QString &name;
        ~Disconnect() { SqliteTable::disconnect(database, name); }
    } disconnect{database, name};
    if (!database.open())
        throw copyFailure(files.first().first, database.lastError().text());
    QSqlQuery query(database);
    // The first file's layout is read now: an ATTACH reads every layout not
    // yet read, and would hold the attached file while it waits for the first.
    if (!query.exec(QStringLiteral("SELECT count(*) FROM main.sqlite_master")) || !query.next())
        throw copyFailure(files.first().first, query.lastError().text());
    query.finish();
    QList<QByteArray> schemas{"main"};
    for (qsizetype i = 1; i < files.size(); ++i)
        schemas << "f" + QByteArray::number(i);
    // The read transaction over every file: each file is attached and its
    // read lock taken by a read from it, held until the end. A lock that is
    // not free at once lets go of every file and tries again a moment later,
    // so that the copy never holds one file while it waits for another.
    query.exec(QStringLiteral("PRAGMA busy_timeout = 0"));
    const QDeadlineTimer deadline(std::chrono::seconds(30));
    for (;;) {
        qsizetype failed = -1;
        for (qsizetype i = 1; i < files.size() && failed < 0; ++i) {
            query.prepare(QStringLiteral("ATTACH DATABASE ? AS %1").arg(QString::fromLatin1(schemas[i])));
            query.addBindValue(QUrl::fromLocalFile(files[i].first).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
            if (!query.exec())
                failed = i;
        }
        if (failed < 0 && !query.exec(QStringLiteral("BEGIN")))
            failed = 0;
        for (qsizetype i = 0; i < files.size() && failed < 0; ++i) {
            if (!query.exec(QStringLiteral("SELECT count(*) FROM %1.sqlite_master").arg(QString::fromLatin1(schemas[i])))
                || !query.next())
                failed = i;
            query.finish();
        }
        if (failed < 0)
            break;
        const QSqlError error = query.lastError();
        query.finish();
        query.exec(QStringLiteral("ROLLBACK"));
        for (qsizetype i = 1; i < files.size(); ++i)
            query.exec(QStringLiteral("DETACH DATABASE %1").arg(QString::fromLatin1(schemas[i])));
        if (error.nativeErrorCode() != QString::number(SQLITE_BUSY) || deadline.hasExpired())
            throw copyFailure(files[failed].first, error.text());
        QThread::msleep(20);
    }
    sqlite3 *source = SqliteTable::handle(database);
    for (qsizetype i = 0; i < files.size(); ++i)
        backUp(source, schemas[i], files[i].first, files[i].second);
    query.exec(QStringLiteral("COMMIT"));
}

} // namespace SqliteSnapshot
