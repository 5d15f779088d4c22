#pragma once

#include "common/Failure.h"
#include "common/Progress.h"

#include <QSqlDatabase>
#include <QString>
#include <memory>
#include <optional>

class QSqlError;
struct pg_conn;

// The PostgreSQL server that several machines share. A start folder whose
// data folder holds `server.conf` (one line, a connection string in libpq's
// own form: `postgresql://user@host:5432/db?sslmode=require` or
// `host=… dbname=…`), or a run with BILVARO_DATABASE set to such a string,
// keeps its tables and register on that server instead of in SQLite files.
// Passwords come the libpq way (~/.pgpass, pgpass.conf, PGPASSWORD) and never
// from the program's files; no message names one.
namespace Server {

// The file in the data folder that names the server.
inline constexpr char ConfigFileName[] = "server.conf";
// The variable that names a server for one run, over any server.conf.
inline constexpr char DatabaseVariable[] = "BILVARO_DATABASE";
// How long a connection to the server is tried before the command reports
// the server unreachable (libpq's connect_timeout, per address of the host).
inline constexpr int ConnectTimeoutSeconds = 3;
// How long a command waits for a server that vanished while the program was
// connected to it (its machine off, the network cut: nothing answers, not
// even a refusal) before it reports the connection lost: TCP's keepalive
// probes, the first 5 seconds after the server's last word and then 3 of
// them 2 seconds apart, and the limit for what was sent and never
// acknowledged. Without them the wait was TCP's own, on Linux about a
// quarter of an hour, with the window frozen. A server that is there but
// slow is not cut short: its machine answers the probes.
inline constexpr int KeepaliveIdleSeconds = 5;
inline constexpr int KeepaliveIntervalSeconds = 2;
inline constexpr int KeepaliveCount = 3;
inline constexpr int UnacknowledgedTimeoutSeconds = 10;
// The oldest server the program works with (PostgreSQL 13).
inline constexpr int OldestServerVersion = 130000;

// The connection string that the data folder (or the run) names; nothing
// when its tables are SQLite files. An unreadable or empty server.conf, or a
// string that names a password or cannot be read, fails.
std::optional<QString> connectionString(const QString &dataFolder);

// What a connection string names, as the user's messages show it.
struct Address {
    QString host;      // "localhost" when the string names none
    QString database;
    QString describe() const;  // "сървъра „host“, база „database“"
};
// Reads a connection string with libpq's own parser; a string it cannot
// read, or one that carries a password, fails.
Address address(const QString &connection);

// A connection to the server under the given Qt connection name, open. The
// first connection of a run (and the first after one was lost) is checked
// with libpq first, so that an unreachable server, a missing or wrong
// password, a missing database and a server older than PostgreSQL 13 each
// fail with their own message. A server that does not answer is reported
// after ConnectTimeoutSeconds. Writes wait up to the store's busy time for
// another machine's lock.
// The first check shows on waitProgress().
QSqlDatabase connect(const QString &name, const QString &connection);
inline const QString ConnectingText = QStringLiteral("Свързване със сървъра…");
// A command found the connection to this server lost: the next connection
// checks the server anew, and the connections kept for it are closed.
void lost(const QString &connection);
// The libpq connection under an open connection of Qt's PostgreSQL driver,
// for the reads that Qt's values would slow; null for any other.
pg_conn *handle(const QSqlDatabase &database);
// A connection of libpq's own, for a read on another thread (Qt's belong to
// the thread that made them), in UTF-8; the server is not checked again.
// Null when the server refuses it.
using Reader = std::unique_ptr<pg_conn, void (*)(pg_conn *)>;
Reader connectReader(const QString &connection);
// Closes the connection and forgets it.
void disconnect(QSqlDatabase &database, const QString &name);
// Hands back a connection whose table closed: the next connect() to the same
// server takes it while it is open, idle and answering, instead of a new
// one (see IdleConnections.h).
void release(QSqlDatabase &database, const QString &connection);

// The failure the user sees when the server refuses an action: the action
// and the reason in words, from the error's SQLSTATE; the server's own text
// goes to the log only.
Failure failure(const QString &action, const QSqlError &error);
// Whether the error means the connection is gone (the server restarted, the
// network dropped, the session was ended): the next command connects again.
bool connectionLost(const QSqlError &error);

} // namespace Server
