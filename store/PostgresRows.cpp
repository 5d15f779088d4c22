#include "store/PostgresRows.h"

#include "server/Libpq.h"
#include "server/ServerConnection.h"

#include <charconv>

namespace {

// The type number of bytea in the server's catalogue (pg_type.oid), fixed
// since PostgreSQL's first releases.
constexpr Oid ByteaType = 17;

} // namespace

PostgresRows::PostgresRows(const QSqlDatabase &database, const QString &sql)
    : PostgresRows(Server::handle(database), sql)
{
}

PostgresRows::PostgresRows(PGconn *connection, const QString &sql) : m_result(nullptr, libpq().PQclear)
{
    if (!connection) {
        m_error = QSqlError(QString(), QStringLiteral("server closed the connection"), QSqlError::ConnectionError);
        return;
    }
    m_result.reset(libpq().PQexec(connection, sql.toUtf8().constData()));
    if (m_result && libpq().PQresultStatus(m_result.get()) == PGRES_TUPLES_OK)
        return;
    const bool gone = libpq().PQstatus(connection) != CONNECTION_OK;
    const char *state = m_result ? libpq().PQresultErrorField(m_result.get(), PG_DIAG_SQLSTATE) : nullptr;
    m_error = QSqlError(QString(), QString::fromUtf8(libpq().PQerrorMessage(connection)).trimmed(),
                        gone ? QSqlError::ConnectionError : QSqlError::StatementError,
                        state ? QString::fromLatin1(state) : QString());
    m_result.reset();
}

PostgresRows::~PostgresRows() = default;

int PostgresRows::count() const
{
    return m_result ? libpq().PQntuples(m_result.get()) : 0;
}

bool PostgresRows::isBytes(int column) const
{
    return libpq().PQftype(m_result.get(), column) == ByteaType;
}

bool PostgresRows::isNull(int row, int column) const
{
    return libpq().PQgetisnull(m_result.get(), row, column) != 0;
}

qint64 PostgresRows::integer(int row, int column) const
{
    const QByteArrayView text = utf8(row, column);
    qint64 value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

QByteArrayView PostgresRows::utf8(int row, int column) const
{
    const Libpq &pq = libpq();
    return QByteArrayView(pq.PQgetvalue(m_result.get(), row, column), pq.PQgetlength(m_result.get(), row, column));
}
