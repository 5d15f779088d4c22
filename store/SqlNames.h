#pragma once

#include <QString>

// What every table the program makes is described by, whichever database
// holds it: a column's name, kind and width, and the names SQL gives them.
// The table schema (reference/Schema.h) names its columns with these.
namespace Store {

enum class Kind { Text, Memo, Picture, Integer };

struct Column {
    QString name;
    Kind kind = Kind::Text;
    int width = 0;  // the characters a text column holds; 0 for a memo, a picture or no limit
};

// An SQL identifier in double quotes, with the quotes inside it doubled.
QString quoted(const QString &identifier);

// The key column of the tables the program makes; the program does not show it.
extern const QString KeyColumn;

// The type a column is made with in an SQLite file: VARCHAR(width), CLOB, BLOB, INTEGER.
QString sqliteType(const Column &column);
// The type a column is made with on a PostgreSQL server: varchar(n), text, bytea, bigint.
QString postgresType(const Column &column);

} // namespace Store
