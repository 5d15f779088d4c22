#include "register/RegisterStore.h"

#include "register/IssuedRules.h"
#include "store/SqlDialect.h"

#include <QSqlQuery>

// The register read for a month's ledger: every column a document needs,
// a query per table, the values taken by position. invoices() reads the
// same by key; this reads by date, so the ledger of a busy month does not
// hand thousands of keys back to the database.

namespace {

using namespace Schema::Register;

QString q(const Schema::Column &column) { return Schema::quoted(column.name); }
QString q(const Schema::Table &table) { return Schema::quoted(table.sqlName); }

const QString CannotRead = QStringLiteral("Регистърът на издадените документи не може да бъде прочетен");

// The columns of a document, in the order documentAt() takes them.
const QList<Schema::Column> &documentColumns()
{
    static const QList<Schema::Column> columns{
        Id, PrintedAt, CancelledAt, DocumentType, Note, NoteInvoiceNumber, NoteInvoiceDate, Number, IssueDate,
        CurrencySign, FirmRecord, Supplier, SupplierAddress, SupplierManager, SupplierVatNumber, SupplierEik, Heading,
        PlaceOfIssue, SupplierSecondLine, SupplierAddressSecondLine, Client, ClientAddress, ClientManager,
        ClientVatNumber, ClientEik, PaymentTerms, Bank, Iban, Bic, TaxBase, VatRate, Vat, Total, Words, VatBasis,
        VatBasisCaption, VehicleBasis, TaxEventDate, PaymentDate, Receiver, Composer};
    return columns;
}

QString columnList(const QList<Schema::Column> &columns)
{
    QStringList names;
    for (const Schema::Column &column : columns)
        names << q(column);
    return names.join(u',');
}

Amount amount(const QVariant &value) { return Amount::fromUnits(value.toLongLong()); }

RegisterStore::RecordedDocument documentAt(const QSqlQuery &query)
{
    int column = 0;
    const auto next = [&] { return query.value(column++); };
    const auto text = [&] { return next().toString(); };
    RegisterStore::RecordedDocument document;
    document.id = next().toLongLong();
    document.printedAt = text();
    document.cancelledAt = text();
    Invoice &invoice = document.invoice;
    invoice.kind = IssuedRules::kindFromText(text());
    invoice.note.kind = IssuedRules::noteFromText(text());
    invoice.note.invoiceNumber = text();
    invoice.note.invoiceDate = text();
    invoice.number = text();
    invoice.issueDate = text();
    invoice.currency = currencyFromText(text()).value_or(Currency::Leva);
    invoice.supplier.recordNo = next().toInt();
    invoice.supplier.party.name = text();
    invoice.supplier.party.address = text();
    invoice.supplier.party.manager = text();
    invoice.supplier.party.vatNumber = text();
    invoice.supplier.party.eik = text();
    invoice.heading = text();
    invoice.supplier.placeOfIssue = text();
    invoice.supplier.nameSecondLine = text();
    invoice.supplier.addressSecondLine = text();
    invoice.client.name = text();
    invoice.client.address = text();
    invoice.client.manager = text();
    invoice.client.vatNumber = text();
    invoice.client.eik = text();
    invoice.payment = {text(), text(), text(), text()};
    invoice.totals.taxBase = amount(next());
    invoice.totals.rate = text();
    invoice.totals.vat = amount(next());
    invoice.totals.total = amount(next());
    InvoiceTexts &texts = invoice.texts;
    texts.words = text();
    texts.vatBasis = text();
    texts.vatBasisCaption = text();
    texts.vehicleBasis = text();
    texts.taxEventDate = text();
    texts.paymentDate = text();
    texts.receiver = text();
    texts.composer = text();
    return document;
}

} // namespace

qsizetype RegisterStore::countFrom(const QDate &from) const
{
    reconnectIfLost();
    QSqlQuery select(m_database);
    select.prepare(from.isValid() ? QStringLiteral("SELECT count(*) FROM %1 WHERE %2 >= ? OR (%3 IS NOT NULL AND %2 < ?)")
                                        .arg(q(documents()), q(SortDate), q(CancelledAt))
                                  : QStringLiteral("SELECT count(*) FROM %1").arg(q(documents())));
    if (from.isValid()) {
        select.addBindValue(from.toString(Qt::ISODate));
        select.addBindValue(from.toString(Qt::ISODate));
    }
    run(select, CannotRead);
    return select.next() ? select.value(0).toLongLong() : 0;
}

QList<RegisterStore::RecordedDocument> RegisterStore::recordedFrom(const QDate &from,
                                                                   const std::function<void(qsizetype)> &read) const
{
    reconnectIfLost();
    const QString day = from.toString(Qt::ISODate);
    QList<RecordedDocument> found;
    QHash<qint64, qsizetype> positions;
    const auto readAll = [&](const QString &sql, const QVariantList &bind, const std::function<void(const QSqlQuery &)> &each) {
        QSqlQuery select(m_database);
        select.setForwardOnly(true);
        select.prepare(sql);
        for (const QVariant &value : bind)
            select.addBindValue(value);
        run(select, CannotRead);
        while (select.next())
            each(select);
    };
    const auto addDocument = [&](const QSqlQuery &select) {
        positions.insert(select.value(0).toLongLong(), found.size());
        found << documentAt(select);
        if (read)
            read(found.size());
    };
    const QString columns = columnList(documentColumns());
    if (from.isValid()) {
        readAll(QStringLiteral("SELECT %1 FROM %2 WHERE %3 >= ? ORDER BY %3 DESC, %4 DESC")
                 .arg(columns, q(documents()), q(SortDate), q(Id)),
             {day}, addDocument);
        readAll(QStringLiteral("SELECT %1 FROM %2 WHERE %3 IS NOT NULL AND %4 < ? ORDER BY %5")
                 .arg(columns, q(documents()), q(CancelledAt), q(SortDate), q(Id)),
             {day}, addDocument);
    } else {
        readAll(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3 DESC, %4 DESC").arg(columns, q(documents()), q(SortDate), q(Id)),
             {}, addDocument);
    }
    if (found.isEmpty())
        return found;

    // The lines and note rows of those documents, in the order they were written.
    const QString rowKey = SqlDialect::of(m_database).rowKey();
    const auto ofThem = [&](const Schema::Column &document) {
        if (!from.isValid())
            return QString();
        return QStringLiteral(" WHERE %1 IN (SELECT %2 FROM %3 WHERE %4 >= ? OR (%5 IS NOT NULL AND %4 < ?))")
            .arg(q(document), q(Id), q(documents()), q(SortDate), q(CancelledAt));
    };
    const QVariantList bind = from.isValid() ? QVariantList{day, day} : QVariantList{};
    const auto owner = [&](const QSqlQuery &select, int column) -> Invoice * {
        const auto position = positions.constFind(select.value(column).toLongLong());
        return position == positions.cend() ? nullptr : &found[*position].invoice;
    };
    readAll(QStringLiteral("SELECT %1, %2, %3, %4, %5, %6, %7 FROM %8%9 ORDER BY %7, %10")
             .arg(q(LineNumber), q(LineDescription), q(LineUnit), q(LineQuantity), q(LinePrice), q(LineValue),
                  q(LineDocument), q(lines()))
             .arg(ofThem(LineDocument), rowKey),
         bind, [&](const QSqlQuery &select) {
             if (Invoice *invoice = owner(select, 6))
                 invoice->lines << InvoiceLine{select.value(0).toInt(), select.value(1).toString(),
                                               select.value(2).toString(), amount(select.value(3)),
                                               amount(select.value(4)), amount(select.value(5))};
         });
    readAll(QStringLiteral("SELECT %1, %2, %3, %4 FROM %5%6 ORDER BY %4, %7")
             .arg(q(RowNumber), q(RowAccount), q(RowAmount), q(RowDocument), q(noteRows()),
                  ofThem(RowDocument), q(RowPlace)),
         bind, [&](const QSqlQuery &select) {
             if (Invoice *invoice = owner(select, 3))
                 invoice->note.references << NoteReference{select.value(0).toString(), select.value(1).toString(),
                                                           select.value(2).toString()};
         });
    return found;
}
