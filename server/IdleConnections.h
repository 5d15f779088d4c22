#pragma once

#include <QSqlDatabase>
#include <QString>
#include <optional>

// Open connections that a closed table handed back, kept for the next table
// of the same server. A new connection costs the server a process, the
// password check and the driver's set-up queries, which is most of opening a
// table; a kept one costs one round trip to see that it still answers.
namespace Server::IdleConnections {

// How many are kept at most, of all servers: each holds a process on the
// server that other machines share.
inline constexpr int Kept = 2;
// A connection idle for longer is closed rather than used again: a network
// that dropped it silently would make its first command wait.
inline constexpr int KeptMilliseconds = 60 * 1000;

// A kept connection to the string's server, made on this thread, that
// answered a round trip just now; nothing when there is none.
std::optional<QSqlDatabase> take(const QString &connection);
// Keeps a connection that is open, outside a transaction and made for the
// string's server; closes any other (and the oldest kept, beyond Kept).
void keep(QSqlDatabase &database, const QString &connection);
// Closes the kept connections of the string's server (it was found lost).
void drop(const QString &connection);

} // namespace Server::IdleConnections
