#include "store/Transaction.h"

#include "store/StoreFailure.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

void run(const QSqlDatabase &database, const QString &statement)
{
    QSqlQuery query(database);
    if (!query.exec(statement))
        throw storeFailure(QStringLiteral("Записът не може да бъде съхранен"), query.lastError());
}

} // namespace

Transaction::Transaction(const QSqlDatabase &database) : m_database(database)
{
    // Take the write lock at once: a table that another program is writing
    // is waited for (busy timeout), and everything the write reads after
    // this is what it changes, with no other writer in between.
    run(m_database, QStringLiteral("BEGIN IMMEDIATE"));
    m_open = true;
}

Transaction::~Transaction()
{
    rollback();
}

void Transaction::rollback()
{
    if (m_open) {
        QSqlQuery query(m_database);
        query.exec(QStringLiteral("ROLLBACK"));
        m_open = false;
    }
}

void Transaction::commit()
{
    run(m_database, QStringLiteral("COMMIT"));
    m_open = false;
}
