#pragma once

#include <QString>
#include <QVariant>

struct Sqlite;
struct sqlite3;
struct sqlite3_stmt;
class FoldedColumn;

// A prepared statement on a connection's SQLite handle, for the reads that go
// through many records at once. A failure throws the store's Failure.
class SqliteStatement {
public:
    // `action` opens the message of a failure.
    SqliteStatement(sqlite3 *database, const QString &sql,
                    const QString &action = QStringLiteral("Таблицата не може да бъде прочетена"));
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // The next row; false after the last.
    bool step();
    void reset();
    void bind(int parameter, qint64 value);
    // Binds the text, which must stay as it is until the statement is reset.
    void bindText(int parameter, QByteArrayView utf8);
    qint64 key(int column) const;
    int columnCount() const;
    // The column's text as SQLite holds it (UTF-8), valid until the next step.
    QByteArrayView text(int column) const;

    // A value as the store holds it: a text (numbers as their shortest text),
    // the bytes of a picture, or nothing.
    QVariant value(int column) const;

    // Adds the value's text, folded as a search compares it (see foldCase).
    void appendFolded(int column, FoldedColumn &to) const;

private:
    [[noreturn]] void fail();

    const Sqlite &m_sqlite;
    sqlite3 *m_database;
    sqlite3_stmt *m_statement = nullptr;
    QString m_action;
};
