#include "register/RegisterStore.h"

#include "print/PrintRules.h"
#include "store/SqlDialect.h"
#include "register/IssuedRules.h"

#include <QSqlQuery>
#include <atomic>
#include <memory>

// What the register window's search keeps in memory, read from the register
// in UTF-8 as it is kept, through the store's fast read (RowScan).

namespace {

using namespace Schema::Register;

QString q(const Schema::Column &column) { return Schema::quoted(column.name); }
QString q(const Schema::Table &table) { return Schema::quoted(table.sqlName); }

const QString CannotRead = QStringLiteral("Регистърът на издадените документи не може да бъде прочетен");

} // namespace

void RegisterStore::readSearched(qint64 after, const std::function<void(const Searched &)> &each) const
{
    reconnectIfLost();
    const QString sql = QStringLiteral("SELECT %1, %2, %3, %4, %5 FROM %6 WHERE %7 > ? ORDER BY %7")
                            .arg(headColumns(), q(SortDate), q(SearchText), q(Company), q(Number), q(documents()),
                                 q(Id));
    const std::unique_ptr<RowScan> rows = SqlDialect::of(m_database).scan(m_database, sql, {after}, CannotRead);
    if (!rows->exec())
        throw failed(CannotRead, rows->lastError());
    Searched document;
    while (rows->next()) {
        readHead(*rows, document);
        document.sortDate = rows->utf8(8);
        document.searchText = rows->utf8(9);
        document.company = rows->utf8(10);
        document.number = rows->utf8(11);
        each(document);
    }
}

QList<qint64> RegisterStore::cancelledIds() const
{
    reconnectIfLost();
    QSqlQuery select(m_database);
    select.setForwardOnly(true);
    select.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 IS NOT NULL ORDER BY %1")
                       .arg(q(Id), q(documents()), q(CancelledAt)));
    run(select, CannotRead);
    QList<qint64> ids;
    while (select.next())
        ids << select.value(0).toLongLong();
    return ids;
}

qint64 RegisterStore::documentCount() const
{
    reconnectIfLost();
    QSqlQuery select(m_database);
    select.setForwardOnly(true);
    if (!select.exec(QStringLiteral("SELECT count(*) FROM %1").arg(q(documents()))) || !select.next())
        throw failed(CannotRead, select.lastError());
    return select.value(0).toLongLong();
}

qint64 RegisterStore::changeCount() const
{
    static std::atomic<qint64> calls{0};
    const QString statement = SqlDialect::of(m_database).dataVersion();
    if (statement.isEmpty())
        return ++calls;
    reconnectIfLost();
    QSqlQuery version(m_database);
    version.setForwardOnly(true);
    if (!version.exec(statement) || !version.next())
        throw failed(CannotRead, version.lastError());
    return version.value(0).toLongLong();
}
