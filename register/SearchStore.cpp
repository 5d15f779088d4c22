#include "register/RegisterStore.h"

#include "print/PrintRules.h"
#include "reference/StoreFailure.h"
#include "register/IssuedRules.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <atomic>
#include <memory>
#include <sqlite3.h>

// What the register window's search keeps in memory, read from the register
// in UTF-8 as it is kept:
// from a file straight from SQLite on Qt's connection (a value through
// QSqlQuery costs a QVariant each, several times the reading itself), from a
// server through QSqlQuery.

namespace {

using namespace Schema::Register;

QString q(const Schema::Column &column) { return Schema::quoted(column.name); }
QString q(const Schema::Table &table) { return Schema::quoted(table.sqlName); }

const QString CannotRead = QStringLiteral("Регистърът на издадените документи не може да бъде прочетен");

sqlite3 *handle(const QSqlDatabase &database)
{
    return *static_cast<sqlite3 *const *>(database.driver()->handle().constData());
}

} // namespace

void RegisterStore::readSearched(qint64 after, const std::function<void(const Searched &)> &each) const
{
    reconnectIfLost();
    const QString sql = QStringLiteral("SELECT %1, %2, %3, %4, %5 IS NULL, %6, %7, %8, %9, %10 FROM %11 WHERE %1 > ? ORDER BY %1")
                            .arg(q(Id), q(CurrencySign), q(DocumentType), q(Note), q(CancelledAt), q(TaxBase), q(Vat),
                                 q(Total), q(SortDate))
                            .arg(q(SearchText), q(documents()));
    const QString euro = selectorText(Currency::Euro);
    const QString proforma = IssuedRules::kindText(DocumentKind::Proforma);
    const QString credit = IssuedRules::noteText(NoteKind::Credit);
    Searched document;
    if (m_server) {
        QSqlQuery select(m_database);
        select.setForwardOnly(true);
        select.prepare(sql);
        select.addBindValue(after);
        run(select, CannotRead);
        while (select.next()) {
            document.id = select.value(0).toLongLong();
            document.euro = select.value(1).toString() == euro;
            document.proforma = select.value(2).toString() == proforma;
            document.credit = select.value(3).toString() == credit;
            document.cancelled = !select.value(4).toBool();
            document.taxBase = select.value(5).toLongLong();
            document.vat = select.value(6).toLongLong();
            document.total = select.value(7).toLongLong();
            const QByteArray sortDate = select.value(8).toString().toUtf8(),
                             searchText = select.value(9).toString().toUtf8();
            document.sortDate = sortDate;
            document.searchText = searchText;
            each(document);
        }
        return;
    }

    sqlite3 *database = handle(m_database);
    const QByteArray statementText = sql.toUtf8();
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(database, statementText.constData(), int(statementText.size()), &statement, nullptr)
        != SQLITE_OK)
        throw storeFailure(CannotRead, sqlite3_errcode(database), QString::fromUtf8(sqlite3_errmsg(database)));
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> finalize(statement, sqlite3_finalize);
    sqlite3_bind_int64(statement, 1, after);
    const auto text = [statement](int column) {
        return QByteArrayView(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
                              sqlite3_column_bytes(statement, column));
    };
    const QByteArray euroText = euro.toUtf8(), proformaText = proforma.toUtf8(), creditText = credit.toUtf8();
    int result = SQLITE_ROW;
    while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
        document.id = sqlite3_column_int64(statement, 0);
        document.euro = text(1) == euroText;
        document.proforma = text(2) == proformaText;
        document.credit = text(3) == creditText;
        document.cancelled = sqlite3_column_int(statement, 4) == 0;
        document.taxBase = sqlite3_column_int64(statement, 5);
        document.vat = sqlite3_column_int64(statement, 6);
        document.total = sqlite3_column_int64(statement, 7);
        document.sortDate = text(8);
        document.searchText = text(9);
        each(document);
    }
    if (result != SQLITE_DONE)
        throw storeFailure(CannotRead, sqlite3_errcode(database), QString::fromUtf8(sqlite3_errmsg(database)));
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
    if (m_server)
        return ++calls;
    reconnectIfLost();
    QSqlQuery version(m_database);
    version.setForwardOnly(true);
    if (!version.exec(QStringLiteral("PRAGMA data_version")) || !version.next())
        throw failed(CannotRead, version.lastError());
    return version.value(0).toLongLong();
}
