#pragma once

#include <QList>
#include <QString>
#include <utility>

// Copies of SQLite files that another program may be writing, taken at one
// moment: one connection attaches every file and holds one read transaction
// over all of them while SQLite's online backup copies each, so two files
// written in one transaction (the register and Firm.db) are copied both
// before or both after that transaction. A writer waits for the copy as for
// any reader (the store's busy time). The files are read-locked in the
// order given, which must be the order in which a writer of several of them
// locks them (the register before Firm.db, as a print commits): otherwise a
// print that holds the register and waits for Firm.db would wait for a copy
// that holds Firm.db and waits for the register.
namespace SqliteSnapshot {

// Copies each existing file (first) to a new file (second); every failure
// throws the store's Failure naming the file.
void copy(const QList<std::pair<QString, QString>> &files);

} // namespace SqliteSnapshot
