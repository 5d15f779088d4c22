#include "server/ServerConnection.h"

#include "common/BusyWait.h"
#include "common/Logging.h"
#include "server/IdleConnections.h"
#include "server/Libpq.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QStringList>

#include <memory>
#include <vector>

namespace Server {

namespace {

const QString PasswordPlaces = QStringLiteral(
    "във файла с пароли на PostgreSQL (~/.pgpass; в Windows %APPDATA%\\postgresql\\pgpass.conf) "
    "или в променливата PGPASSWORD");

// The options of a connection string, keyword by keyword, as libpq reads them.
struct Options {
    std::vector<std::pair<QString, QString>> values;

    QString value(const char *keyword) const
    {
        for (const auto &[key, value] : values) {
            if (key == QLatin1String(keyword))
                return value;
        }
        return {};
    }
};

Options parse(const QString &connection)
{
    char *error = nullptr;
    std::unique_ptr<PQconninfoOption, void (*)(PQconninfoOption *)> parsed(
        libpq().PQconninfoParse(connection.toUtf8().constData(), &error), libpq().PQconninfoFree);
    if (!parsed) {
        const QString reason = error ? QString::fromUtf8(error).trimmed() : QStringLiteral("няма памет");
        libpq().PQfreemem(error);
        throw Failure(QStringLiteral("Адресът на сървъра с таблиците не може да бъде прочетен (%1). Пример за "
                                     "верен адрес: postgresql://потребител@сървър:5432/база")
                          .arg(reason));
    }
    Options options;
    for (const PQconninfoOption *option = parsed.get(); option->keyword; ++option) {
        if (option->val && *option->val)
            options.values.emplace_back(QString::fromUtf8(option->keyword), QString::fromUtf8(option->val));
    }
    if (!options.value("password").isEmpty())
        throw Failure(QStringLiteral("Адресът на сървъра с таблиците съдържа парола. Програмата не пази пароли: "
                                     "махнете я от адреса и я запишете %1.")
                          .arg(PasswordPlaces));
#ifdef Q_OS_WIN
    const QString ssl = options.value("sslmode");
    if (ssl == QLatin1String("require") || ssl.startsWith(QLatin1String("verify")))
        throw Failure(QStringLiteral("Адресът на сървъра иска шифрована връзка (sslmode=%1), а програмата за "
                                     "Windows я няма: тя е построена с libpq без TLS. Използвайте сървъра в "
                                     "защитена мрежа или през VPN с sslmode=prefer или disable.")
                          .arg(ssl));
#endif
    return options;
}

QString firstLine(const char *text)
{
    return QString::fromUtf8(text).trimmed().section(u'\n', 0, 0);
}

using Connection = std::unique_ptr<PGconn, void (*)(PGconn *)>;

// libpq's options of every connection, before the string's own, which may
// change them.
const std::pair<const char *, QByteArray> ConnectionOptions[] = {
    {"connect_timeout", QByteArray::number(ConnectTimeoutSeconds)},
    {"keepalives", "1"},
    {"keepalives_idle", QByteArray::number(KeepaliveIdleSeconds)},
    {"keepalives_interval", QByteArray::number(KeepaliveIntervalSeconds)},
    {"keepalives_count", QByteArray::number(KeepaliveCount)},
    {"tcp_user_timeout", QByteArray::number(UnacknowledgedTimeoutSeconds * 1000)},
};

// The servers checked in this run: each is checked once, and again only
// after a command found its connection lost.
struct Checked {
    QMutex mutex;
    QSet<QString> connections;
};
Checked &checked()
{
    static Checked servers;
    return servers;
}
bool wasChecked(const QString &connection)
{
    QMutexLocker lock(&checked().mutex);
    return checked().connections.contains(connection);
}
void markChecked(const QString &connection, bool ok)
{
    QMutexLocker lock(&checked().mutex);
    if (ok)
        checked().connections.insert(connection);
    else
        checked().connections.remove(connection);
}

// Whether a failed try ended well before its time ran out: the server (or
// the machine's network) answered. One that did not answer is not tried
// again within the same command, which would double the wait. libpq counts
// that time in whole seconds, so a try that ran out took at least one
// second less than the timeout.
bool answered(const QElapsedTimer &timer)
{
    return timer.elapsed() < ConnectTimeoutSeconds * 1000 / 2;
}

// A libpq connection to the string's server; `database`, when given, over
// the string's own.
Connection connectDirectly(const QString &connection, const QString &database = {})
{
    const QByteArray info = connection.toUtf8(), name = database.toUtf8();
    std::vector<const char *> keys, values;
    for (const auto &[key, value] : ConnectionOptions) {
        keys.push_back(key);
        values.push_back(value.constData());
    }
    keys.insert(keys.end(), {"dbname", "client_encoding"});
    values.insert(values.end(), {info.constData(), "UTF8"});
    if (!database.isEmpty()) {
        keys.push_back("dbname");
        values.push_back(name.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    return Connection(libpq().PQconnectdbParams(keys.data(), values.data(), 1), libpq().PQfinish);
}

Failure unreachable(const Address &where, const QString &reason)
{
    return Failure(QStringLiteral("Няма връзка със %1: %2. Проверете дали сървърът работи, дали мрежата до него е "
                                  "наред и дали адресът в %3 е верен.")
                       .arg(where.describe(), reason, QLatin1String(ConfigFileName)));
}

// Connects once with libpq, so that each reason a connection fails gets its
// own message; Qt's driver reports them all alike.
void check(const QString &connection, const Address &where)
{
    const Libpq &pq = libpq();
    QElapsedTimer timer;
    timer.start();
    const Connection conn = connectDirectly(connection);
    if (pq.PQstatus(conn.get()) == CONNECTION_OK) {
        const int version = pq.PQserverVersion(conn.get());
        if (version < OldestServerVersion)
            throw Failure(QStringLiteral("Сървърът „%1“ (база „%2“) е PostgreSQL %3, а програмата иска поне "
                                         "PostgreSQL 13. Обновете сървъра.")
                              .arg(where.host, where.database, QString::number(version / 10000)));
        return;
    }
    qCWarning(lcServer).noquote() << "connection to" << where.host << where.database << "failed:"
                                  << pq.PQerrorMessage(conn.get());
    if (pq.PQconnectionNeedsPassword(conn.get()))
        throw Failure(QStringLiteral("Сървърът иска парола за връзка със %1, а такава не е дадена. Запишете я %2.")
                          .arg(where.describe(), PasswordPlaces));
    if (answered(timer) && pq.PQstatus(connectDirectly(connection, QStringLiteral("template1")).get()) == CONNECTION_OK)
        throw Failure(QStringLiteral("На сървъра „%1“ няма база „%2“ (или потребителят няма право да я отвори). "
                                     "Създайте я (createdb) или поправете адреса в %3.")
                          .arg(where.host, where.database, QLatin1String(ConfigFileName)));
    if (pq.PQconnectionUsedPassword(conn.get()))
        throw Failure(QStringLiteral("Сървърът не прие потребителя или паролата за връзка със %1. Проверете "
                                     "паролата %2.")
                          .arg(where.describe(), PasswordPlaces));
    throw unreachable(where, firstLine(pq.PQerrorMessage(conn.get())));
}

QString quotedOption(const QString &value)
{
    QString escaped = value;
    escaped.replace(u'\\', QLatin1String("\\\\")).replace(u'\'', QLatin1String("\\'"));
    return u'\'' + escaped + u'\'';
}

} // namespace

std::optional<QString> connectionString(const QString &dataFolder)
{
    const QString fromRun = qEnvironmentVariable(DatabaseVariable).trimmed();
    if (!fromRun.isEmpty())
        return fromRun;
    QFile file(QDir(dataFolder).filePath(QLatin1String(ConfigFileName)));
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Файлът „%1“ с адреса на сървъра не може да бъде прочетен.")
                          .arg(QDir::toNativeSeparators(file.fileName())));
    const QString line = QString::fromUtf8(file.readLine(64 * 1024)).trimmed();
    if (line.isEmpty())
        throw Failure(QStringLiteral("Файлът „%1“ е празен, а трябва да съдържа адреса на сървъра с таблиците "
                                     "(например postgresql://потребител@сървър:5432/база).")
                          .arg(QDir::toNativeSeparators(file.fileName())));
    return line;
}

QString Address::describe() const
{
    return QStringLiteral("сървъра „%1“, база „%2“").arg(host, database);
}

Address address(const QString &connection)
{
    const Options options = parse(connection);
    Address where;
    where.host = options.value("host");
    if (where.host.isEmpty())
        where.host = options.value("hostaddr");
    if (where.host.isEmpty())
        where.host = qEnvironmentVariable("PGHOST", QStringLiteral("localhost"));
    where.database = options.value("dbname");
    if (where.database.isEmpty())
        where.database = qEnvironmentVariable("PGDATABASE");
    if (where.database.isEmpty())
        where.database = options.value("user");
    if (where.database.isEmpty())
        where.database = qEnvironmentVariable("PGUSER");
    return where;
}

QSqlDatabase connect(const QString &name, const QString &connection)
{
    if (std::optional<QSqlDatabase> kept = IdleConnections::take(connection))
        return *kept;
    const Address where = address(connection);
    const bool checkedBefore = wasChecked(connection);
    if (!checkedBefore) {
        // One blocking connection, without a count to show.
        ProgressStep waiting(waitProgress(), ConnectingText, 0);
        check(connection, where);
        markChecked(connection, true);
    }

    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    QStringList extra{QStringLiteral("application_name=Bilvaro2007"),
                      QStringLiteral("options=") + quotedOption(QStringLiteral("-c lock_timeout=%1s")
                                                                    .arg(BusyTimeoutSeconds))};
    for (const auto &[key, value] : ConnectionOptions)
        extra << QLatin1String(key) + u'=' + QString::fromLatin1(value);
    for (const auto &[key, value] : parse(connection).values) {
        if (key == QLatin1String("host"))
            database.setHostName(value);
        else if (key == QLatin1String("port"))
            database.setPort(value.toInt());
        else if (key == QLatin1String("dbname"))
            database.setDatabaseName(value);
        else if (key == QLatin1String("user"))
            database.setUserName(value);
        else if (key != QLatin1String("options"))
            extra << key + u'=' + quotedOption(value);
    }
    // Qt's driver turns the semicolons into the blanks of libpq's own list.
    database.setConnectOptions(extra.join(u';'));
    QElapsedTimer timer;
    timer.start();
    if (!database.open()) {
        const QSqlError error = database.lastError();
        disconnect(database, name);
        markChecked(connection, false);
        // A server checked earlier in the run that refuses now is checked
        // anew for the reason, unless it let this try run out of time.
        if (checkedBefore && answered(timer))
            check(connection, where);
        if (checkedBefore)
            throw unreachable(where, error.databaseText().trimmed().section(u'\n', 0, 0));
        throw failure(QStringLiteral("Няма връзка със %1").arg(where.describe()), error);
    }
    return database;
}

Reader connectReader(const QString &connection)
{
    Connection reader = connectDirectly(connection);
    if (libpq().PQstatus(reader.get()) != CONNECTION_OK)
        reader.reset();
    return reader;
}

void lost(const QString &connection)
{
    markChecked(connection, false);
    IdleConnections::drop(connection);
}

void release(QSqlDatabase &database, const QString &connection)
{
    IdleConnections::keep(database, connection);
}

pg_conn *handle(const QSqlDatabase &database)
{
    if (!database.isOpen() || database.driverName() != QLatin1String("QPSQL"))
        return nullptr;
    const QVariant handle = database.driver()->handle();
    return handle.isValid() ? *static_cast<PGconn *const *>(handle.constData()) : nullptr;
}

void disconnect(QSqlDatabase &database, const QString &name)
{
    database.close();
    database = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

bool connectionLost(const QSqlError &error)
{
    const QString state = error.nativeErrorCode();
    return error.type() == QSqlError::ConnectionError || state.startsWith(QLatin1String("08"))
           || state == QLatin1String("57P01") || state == QLatin1String("57P02") || state == QLatin1String("57P03")
           || (state.isEmpty() && error.type() != QSqlError::NoError
               && error.databaseText().contains(QLatin1String("server closed the connection")));
}

namespace {

QString reason(const QSqlError &error)
{
    const QString state = error.nativeErrorCode();
    if (connectionLost(error))
        return QStringLiteral("връзката със сървъра прекъсна и командата не е изпълнена. Програмата ще се свърже "
                              "отново при следващата команда.");
    if (state == QLatin1String("55P03") || state == QLatin1String("57014") || state == QLatin1String("40P01")
        || state == QLatin1String("40001"))
        return QStringLiteral("таблицата е заета от друга програма и не се освободи за %1 секунди. "
                              "Опитайте отново след малко.")
            .arg(BusyTimeoutSeconds);
    if (state == QLatin1String("25006") || state == QLatin1String("42501"))
        return QStringLiteral("потребителят на сървъра няма право да пише в таблицата.");
    if (state == QLatin1String("53100"))
        return QStringLiteral("дискът на сървъра е пълен.");
    if (state == QLatin1String("42P01") || state == QLatin1String("42703"))
        return QStringLiteral("таблицата на сървъра няма нужната колона или таблица.");
    if (state.startsWith(QLatin1String("22")) || state.startsWith(QLatin1String("23")))
        return QStringLiteral("таблицата не приема тази стойност.");
    return QStringLiteral("грешка на сървъра (код %1).").arg(state.isEmpty() ? QStringLiteral("няма") : state);
}

} // namespace

Failure failure(const QString &action, const QSqlError &error)
{
    qCWarning(lcServer).noquote() << action << "- PostgreSQL:" << error.nativeErrorCode() << error.text();
    return Failure(action + QStringLiteral(": ") + reason(error));
}

} // namespace Server
