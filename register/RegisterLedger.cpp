#include "register/RegisterLedger.h"

#include "register/IssuedRules.h"
#include "register/RegisterStore.h"

QList<LedgerDocument> ledgerDocuments(const RegisterStore &store, const QList<qint64> &ids)
{
    QList<LedgerDocument> documents;
    documents.reserve(ids.size());
    for (const RegisterRow &row : store.rows(ids)) {
        LedgerDocument document;
        document.invoice = store.invoice(row.id);
        document.cancelled = !row.cancelledAt.isEmpty();
        const QDate printed = QDateTime::fromString(row.printedAt, Qt::ISODate).date();
        document.issued = IssuedRules::pageDate(document.invoice.issueDate, printed);
        documents.append(document);
    }
    return documents;
}
