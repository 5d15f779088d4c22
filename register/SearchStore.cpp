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
    const QString sql = QStringLiteral("SELECT %1, %2, %3, %4, %5 IS NULL, %6, %7, %8, %9, %10 FROM %11 WHERE %1 > ? ORDER BY %1")
                            .arg(q(Id), q(CurrencySign), q(DocumentType), q(Note), q(CancelledAt), q(TaxBase), q(Vat),
                                 q(Total), q(SortDate))
                            .arg(q(SearchText), q(documents()));
    const std::unique_ptr<RowScan> rows = SqlDialect::of(m_database).scan(m_database, sql, {after}, CannotRead);
    if (!rows->exec())
        throw failed(CannotRead, rows->lastError());
    const QByteArray euro = selectorText(Currency::Euro).toUtf8();
    const QByteArray proforma = IssuedRules::kindText(DocumentKind::Proforma).toUtf8();
    const QByteArray credit = IssuedRules::noteText(NoteKind::Credit).toUtf8();
    Searched document;
    while (rows->next()) {
        document.id = rows->integer(0);
        document.euro = rows->textIs(1, euro);
        document.proforma = rows->textIs(2, proforma);
        document.credit = rows->textIs(3, credit);
        document.cancelled = rows->integer(4) == 0;
        document.taxBase = rows->integer(5);
        document.vat = rows->integer(6);
        document.total = rows->integer(7);
        document.sortDate = rows->utf8(8);
        document.searchText = rows->utf8(9);
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
