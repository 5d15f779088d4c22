#include "store/PostgresRows.h"

#include "server/Libpq.h"
#include "server/ServerConnection.h"

#include <QtEndian>
#include <charconv>

namespace {

// The type numbers of bytea and bigint in the server's catalogue
// (pg_type.oid), fixed since PostgreSQL's first releases.
constexpr Oid ByteaType = 17;
constexpr Oid BigintType = 20;

// Reads big-endian numbers off the front of the bytes. (QDataStream does
// the same through a QBuffer, a virtual read for each of 200,000 values.)
class BinaryReader {
public:
    explicit BinaryReader(QByteArrayView bytes) : m_bytes(bytes) {}

    template<typename Number>
    std::optional<Number> next()
    {
        if (m_bytes.size() < qsizetype(sizeof(Number)))
            return std::nullopt;
        const Number number = qFromBigEndian<Number>(m_bytes.data());
        m_bytes = m_bytes.sliced(sizeof(Number));
        return number;
    }
    bool atEnd() const { return m_bytes.isEmpty(); }

private:
    QByteArrayView m_bytes;
};

} // namespace

PostgresRows::PostgresRows(const QSqlDatabase &database, const QString &sql, Values values)
    : PostgresRows(Server::handle(database), sql, values)
{
}

PostgresRows::PostgresRows(PGconn *connection, const QString &sql, Values values)
    : m_result(nullptr, libpq().PQclear)
{
    if (!connection) {
        m_error = QSqlError(QString(), QStringLiteral("server closed the connection"), QSqlError::ConnectionError);
        return;
    }
    const Libpq &pq = libpq();
    const QByteArray statement = sql.toUtf8();
    // Text through the simple protocol, which takes several statements at
    // once; binary values only through the extended one, which takes one.
    m_result.reset(values == Values::Binary
                       ? pq.PQexecParams(connection, statement.constData(), 0, nullptr, nullptr, nullptr, nullptr, 1)
                       : pq.PQexec(connection, statement.constData()));
    if (m_result && pq.PQresultStatus(m_result.get()) == PGRES_TUPLES_OK)
        return;
    const bool gone = pq.PQstatus(connection) != CONNECTION_OK;
    const char *state = m_result ? pq.PQresultErrorField(m_result.get(), PG_DIAG_SQLSTATE) : nullptr;
    m_error = QSqlError(QString(), QString::fromUtf8(pq.PQerrorMessage(connection)).trimmed(),
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

QString PostgresRows::literal(pg_conn *connection, const QString &text)
{
    if (!connection)
        return QString();
    const QByteArray utf8 = text.toUtf8();
    char *escaped = libpq().PQescapeLiteral(connection, utf8.constData(), size_t(utf8.size()));
    if (!escaped)
        return QString();
    const QString result = QString::fromUtf8(escaped);
    libpq().PQfreemem(escaped);
    return result;
}

QByteArrayView PostgresRows::utf8(int row, int column) const
{
    const Libpq &pq = libpq();
    return QByteArrayView(pq.PQgetvalue(m_result.get(), row, column), pq.PQgetlength(m_result.get(), row, column));
}

std::optional<QList<qint64>> PostgresRows::bigintArray(QByteArrayView binary)
{
    BinaryReader reader(binary);
    const auto dimensions = reader.next<qint32>();
    const auto withNulls = reader.next<qint32>();
    const auto type = reader.next<quint32>();
    if (!dimensions || !withNulls || !type || *type != BigintType || *withNulls != 0)
        return std::nullopt;
    if (*dimensions == 0)
        return reader.atEnd() ? std::optional(QList<qint64>()) : std::nullopt;
    const auto count = reader.next<qint32>();
    const auto lowerBound = reader.next<qint32>();
    // Each number takes 12 bytes: its length and itself; a count the bytes
    // cannot hold is refused before anything is reserved for it.
    if (*dimensions != 1 || !count || !lowerBound || *count < 0 || binary.size() < qsizetype(*count) * 12)
        return std::nullopt;
    QList<qint64> numbers;
    numbers.reserve(*count);
    for (qint32 i = 0; i < *count; ++i) {
        const auto length = reader.next<qint32>();
        const auto number = length == qint32(sizeof(qint64)) ? reader.next<qint64>() : std::nullopt;
        if (!number)
            return std::nullopt;
        numbers.append(*number);
    }
    return reader.atEnd() ? std::optional(std::move(numbers)) : std::nullopt;
}
