#pragma once

#include "common/Progress.h"

#include <QString>
#include <QStringList>

// Moving a start folder's tables onto a PostgreSQL server, and back.
namespace ServerCopy {

// Makes the four reference tables and the register on the server's database,
// which must hold none of them, and copies the start folder's tables into
// them in one transaction: every column (those a user added too), every
// record under its key, the key serials, the logos, the register's documents
// under their ids. Each table is compared value by value before the
// transaction is committed; any difference leaves the database as it was.
// Returns the report's lines. Each table copied is reported to `progress`;
// stopping there rolls the transaction back (Cancelled).
QStringList toServer(const QString &startFolder, const QString &connection, Progress &progress = Progress::none());

// Writes the server's tables into the start folder's DB as SQLite files, as
// the table maker makes them (keys and key serials kept) with the register
// beside them: a backup the program opens as it is. Existing files are never
// overwritten. Returns the report's lines. Each table written is reported to
// `progress`; stopping there removes the files made (Cancelled).
QStringList fromServer(const QString &startFolder, const QString &connection, Progress &progress = Progress::none());

inline const QString MovingToServerText = QStringLiteral("Прехвърляне към сървъра…");
inline const QString MovingFromServerText = QStringLiteral("Сваляне от сървъра…");
inline const QString MoveStoppedText = QStringLiteral("Прехвърлянето е прекъснато. Таблиците са оставени, както бяха.");

} // namespace ServerCopy
