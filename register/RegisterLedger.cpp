#include "register/RegisterLedger.h"

#include "register/IssuedRules.h"
#include "register/RegisterStore.h"

QList<LedgerDocument> ledgerDocuments(const RegisterStore &store, const QList<qint64> &ids)
{
    QList<LedgerDocument> documents;
    documents.reserve(ids.size());
    const QList<RegisterRow> rows = store.rows(ids);
    const QList<Invoice> invoices = store.invoices(ids);
    for (qsizetype i = 0; i < rows.size() && i < invoices.size(); ++i) {
        const RegisterRow &row = rows[i];
        LedgerDocument document;
        document.invoice = invoices[i];
        document.cancelled = !row.cancelledAt.isEmpty();
        // The day of the cancel where it was made: the time is kept with the
        // offset it had, so the month never depends on the reading machine.
        document.cancelledOn = QDateTime::fromString(row.cancelledAt, Qt::ISODate).date();
        const QDate printed = QDateTime::fromString(row.printedAt, Qt::ISODate).date();
        document.issued = IssuedRules::pageDate(document.invoice.issueDate, printed);
        documents.append(document);
    }
    return documents;
}
