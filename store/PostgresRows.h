#pragma once

#include <QByteArrayView>
#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <memory>
#include <optional>

struct pg_conn;
struct pg_result;

// All rows of one statement, read through libpq on the connection of Qt's
// PostgreSQL driver, every value as the server's text (or its binary form).
// Qt's driver makes a QVariant of each value, which was most of the time of
// reading the keys or a column of 100,000 records; this reads them as the
// bytes that came.
class PostgresRows {
public:
    enum class Values { Text, Binary };

    // Runs the statement (text values: several, separated by ";", of which
    // the last one's rows are read); a failure leaves no rows and its error
    // in error().
    PostgresRows(const QSqlDatabase &database, const QString &sql, Values values = Values::Text);
    // The same on a connection of libpq's own.
    PostgresRows(pg_conn *connection, const QString &sql, Values values = Values::Text);
    ~PostgresRows();
    PostgresRows(const PostgresRows &) = delete;
    PostgresRows &operator=(const PostgresRows &) = delete;

    bool ok() const { return !m_error.isValid(); }
    // Qt's form of the failure, with the SQLSTATE as its native code.
    QSqlError error() const { return m_error; }
    int count() const;
    // Whether the column holds bytes (bytea): its text is their hex form.
    bool isBytes(int column) const;
    bool isNull(int row, int column) const;
    qint64 integer(int row, int column) const;
    // The value's text in UTF-8, valid while the rows are (its bytes, where
    // the values are binary).
    QByteArrayView utf8(int row, int column) const;

    // The text as an SQL string literal for the connection's server (empty
    // when the connection is gone).
    static QString literal(pg_conn *connection, const QString &text);
    // The numbers of a one-dimensional bigint[] in the server's binary form
    // (array_send); nullopt for anything else or a NULL among them.
    static std::optional<QList<qint64>> bigintArray(QByteArrayView binary);

private:
    std::unique_ptr<pg_result, void (*)(pg_result *)> m_result;
    QSqlError m_error;
};
