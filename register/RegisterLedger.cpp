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
        const QDate printed = QDateTime::fromString(row.printedAt, Qt::ISODate).date();
        document.issued = IssuedRules::pageDate(document.invoice.issueDate, printed);
        documents.append(document);
    }
    return documents;
}
