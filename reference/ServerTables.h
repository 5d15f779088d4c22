#pragma once

#include "reference/Schema.h"
#include "store/PostgresTable.h"

#include <QSqlDatabase>
#include <QString>

// The four reference tables on a PostgreSQL server, laid out so that the
// table store works there as on the SQLite files:
//   - each table has the name it has inside its file ("Firm", "stock", …),
//     the same columns in the same order under the same (quoted) names, and
//     the hidden key column Schema::KeyColumn ("__order", bigint) that is the
//     record's place in the table's order, as the rowid is in a file;
//   - "<table>_serial" is the sequence of the serials that new keys are made
//     from (the file's user_version on SQLite): never reused;
//   - bilvaro_changes holds one counter per table, which a statement trigger
//     on the table raises with every write (SQLite's data_version): a program
//     that reads the counter it last saw knows nobody else wrote since;
//   - a write takes the table's lock (SHARE ROW EXCLUSIVE: readers go on,
//     writers wait, as for a file's write lock) before it reads the counter.
// Columns a user added keep their own types; the store shows them as on SQLite.
namespace ServerTables {

// The PostgreSQL type a column is made with: varchar(n), text, bytea, bigint.
inline QString serverType(const Schema::Column &column) { return Store::postgresType(column); }
// The name of a table's serial sequence and its counter row.
inline QString serialName(const QString &table) { return PostgresTable::serialName(table); }
// The table that counts the writes of each table.
inline constexpr const char *ChangesTable = PostgresTable::ChangesTable;

// Makes the four tables, their serials and counters on the database, inside
// the caller's transaction. A database that already has one of the tables
// is refused with a message that names it; nothing is changed.
void create(QSqlDatabase &database);
// Makes one table with the given columns (the first ones of the table maker's
// order, then any a user added).
void createTable(QSqlDatabase &database, const QString &table, const QList<Schema::Column> &columns);
// Whether the database holds a table of that name.
bool exists(QSqlDatabase &database, const QString &table);

} // namespace ServerTables
