#pragma once

#include "ledger/SalesLedger.h"
#include "common/Progress.h"

#include <QDate>
#include <QList>

class RegisterStore;

// The register's documents as the sales ledger and the accountant's export
// take them, in the order of the keys: the whole document as recorded,
// cancelled when it carries the cancel mark (on the day of the cancel's
// time, as the register recorded it), issued on the date of its page
// (the day it was printed where the page names none).
QList<LedgerDocument> ledgerDocuments(const RegisterStore &store, const QList<qint64> &ids);

// As above, read a part at a time and reported to `progress`; stopping
// there (nothing is written yet) is a Cancelled failure.
QList<LedgerDocument> ledgerDocuments(const RegisterStore &store, const QList<qint64> &ids, Progress &progress);

inline const QString ReadingDocumentsText = QStringLiteral("Четене на документите…");
inline const QString ReadingStoppedText = QStringLiteral("Четенето на документите е прекъснато.");

// The same for what a month's ledger reads from the day on
// (RegisterStore::recordedFrom): the documents dated from it, then those
// dated before it and cancelled, whose cancel may fall in the month.
// Reported to `progress` a document at a time, and stopped as above.
QList<LedgerDocument> ledgerDocumentsFrom(const RegisterStore &store, const QDate &from,
                                          Progress &progress = Progress::none());
