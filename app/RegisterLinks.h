#pragma once

#include "register/IssuedDocs.h"

#include <QPixmap>

struct Invoice;
struct InvoiceSupplier;
struct RegisterRow;

// The own company's logo from its record, found by its identity; none
// where the record has none.
QPixmap ownCompanyLogo(const InvoiceSupplier &supplier);

// What the register of issued documents does with the windows of one
// invoice, handed to the register's windows and the document by whoever
// creates the windows.

// "Към фактура" beside a note: offers the register's invoices of the page's
// own company to the page's client, and the one picked becomes the note's
// reference (its date and number).
void pickNoteInvoice();

// "Фактура от проформа": the proforma's client onto the page and its lines
// into the empty line table as an invoice in the proforma's currency, each
// line's goods taken from the stock as a pick takes them.
void invoiceFromProforma(const Invoice &proforma);

// "Отпечатай копие": the recorded document drawn on a page of its own, marked
// "Копие", at the archive's colour depth; its image and PDF copy are kept
// beside the original's files ("…_copy.bmp", "…_copy.pdf").
TIssuedDocs::DrawnCopy renderRecordedCopy(const Invoice &recorded, const RegisterRow &row, int depth);
