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

QList<LedgerDocument> ledgerDocuments(const RegisterStore &store, const QList<qint64> &ids, Progress &progress)
{
    constexpr qsizetype Part = 500;
    ProgressStep step(progress, ReadingDocumentsText, ids.size(), ReadingStoppedText);
    QList<LedgerDocument> documents;
    documents.reserve(ids.size());
    for (qsizetype from = 0; from < ids.size(); from += Part) {
        documents += ledgerDocuments(store, ids.mid(from, Part));
        step.advance(std::min(from + Part, ids.size()));
    }
    return documents;
}
