#include "reference/Transaction.h"

#include "common/Failure.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

void run(const QSqlDatabase &database, const QString &statement)
{
    QSqlQuery query(database);
    if (!query.exec(statement))
        throw Failure(QStringLiteral("Записът не може да бъде съхранен: %1").arg(query.lastError().text()));
}

} // namespace

Transaction::Transaction(const QSqlDatabase &database) : m_database(database)
{
    // Take the write lock at once: a table that another program is writing
    // waits for it (busy timeout) instead of failing half-way.
    run(m_database, QStringLiteral("BEGIN IMMEDIATE"));
    m_open = true;
}

Transaction::~Transaction()
{
    if (m_open) {
        QSqlQuery query(m_database);
        query.exec(QStringLiteral("ROLLBACK"));
    }
}

void Transaction::commit()
{
    run(m_database, QStringLiteral("COMMIT"));
    m_open = false;
}
