#include "register/RegisterLedger.h"

#include "register/IssuedRules.h"
#include "register/RegisterStore.h"

namespace {

LedgerDocument ledgerDocument(Invoice invoice, const QString &printedAt, const QString &cancelledAt)
{
    LedgerDocument document;
    document.invoice = std::move(invoice);
    document.cancelled = !cancelledAt.isEmpty();
    // The day of the cancel where it was made: the time is kept with the
    // offset it had, so the month never depends on the reading machine.
    document.cancelledOn = QDateTime::fromString(cancelledAt, Qt::ISODate).date();
    const QDate printed = QDateTime::fromString(printedAt, Qt::ISODate).date();
    document.issued = IssuedRules::pageDate(document.invoice.issueDate, printed);
    return document;
}

} // namespace

QList<LedgerDocument> ledgerDocuments(const RegisterStore &store, const QList<qint64> &ids)
{
    QList<LedgerDocument> documents;
    documents.reserve(ids.size());
    const QList<RegisterRow> rows = store.rows(ids);
    const QList<Invoice> invoices = store.invoices(ids);
    for (qsizetype i = 0; i < rows.size() && i < invoices.size(); ++i)
        documents.append(ledgerDocument(invoices[i], rows[i].printedAt, rows[i].cancelledAt));
    return documents;
}

QList<LedgerDocument> ledgerDocumentsFrom(const RegisterStore &store, const QDate &from, Progress &progress)
{
    ProgressStep step(progress, ReadingDocumentsText, store.countFrom(from), ReadingStoppedText, 100);
    QList<RegisterStore::RecordedDocument> recorded =
        store.recordedFrom(from, [&step](qsizetype read) { step.advance(read); });
    QList<LedgerDocument> documents;
    documents.reserve(recorded.size());
    for (RegisterStore::RecordedDocument &document : recorded)
        documents.append(ledgerDocument(std::move(document.invoice), document.printedAt, document.cancelledAt));
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
