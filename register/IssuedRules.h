#pragma once

#include "document/Invoice.h"

#include <QDate>
#include <QDateTime>
#include <QString>

// The plain rules of the register of issued documents, whatever store holds
// it: how a document is keyed, named, dated and searched, and what the user
// is told when the register refuses something.
namespace IssuedRules {

// The own company in the register's key: its ЕИК as printed, without blanks,
// or its name where the ЕИК is blank. A company's number sequence belongs to
// the firm, not to the place of its record in the table, which moves when
// records are added before it.
QString companyKey(const InvoiceSupplier &supplier);

// The series of the number: "Фактура" (invoices, credit and debit notes) or "Проформа".
QString seriesText(NumberSeries series);
QString kindText(DocumentKind kind);
QString noteText(NoteKind kind);
DocumentKind kindFromText(const QString &text);
NoteKind noteFromText(const QString &text);
// What the register window shows in its kind column.
QString shownKind(DocumentKind kind, NoteKind note);

// The date of the page ("8.12.2026 г.", "08.12.2026", "2026-12-08") as a
// date; `fallback` (the day it was printed) where the text names no date.
QDate pageDate(const QString &text, const QDate &fallback);

// The text the search looks in: client name, ЕИК and number, folded.
QString searchText(const Invoice &invoice);
QString searchProbe(const QString &typed);

// A time as stored: ISO 8601 with the offset from UTC, to the second.
QString timeText(const QDateTime &time);

// Who prints: the machine's name and the user's login name.
QString machineName();
QString userName();

// The client's e-mail address from the clients table of the data folder:
// the record whose "Идент №" is the ЕИК (else whose "Фирма" is the name), in
// the first column whose name says e-mail ("mail", "поща"); empty when the
// table has no such column or record.
QString clientEmail(const QString &dataFolder, const QString &name, const QString &eik);

// Printing an original whose number the register holds with other content.
QString numberTakenMessage(const QString &number, const QString &shownKind, const QString &date,
                           const QString &client);
// Printing an original of a cancelled document.
QString cancelledOriginalMessage(const QString &number, const QString &date);
// A second cancel: when the first was, as stored (timeText), told in the
// local date and time ("09.12.2026 03:09").
QString alreadyCancelledMessage(const QString &number, const QString &cancelledAt);
QString noReasonMessage();

} // namespace IssuedRules
