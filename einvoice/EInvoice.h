#pragma once

#include "document/Invoice.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The e-invoice of an issued document: a UBL 2.1 Invoice (380 invoice, 383
// debit note) or CreditNote (381, with the invoice it corrects) that follows
// EN 16931 and the Peppol BIS Billing 3.0 profile, built from the document
// as the register recorded it. Only documents in euro that are invoices or
// notes have one; the data a category needs (a VAT number, a delivery date)
// must be there, and the totals must agree with each other, else the
// document is refused with a message that names it and what is missing.
namespace EInvoice {

// The UBL file, UTF-8. Throws a Failure with the refusal's text.
QByteArray ublFile(const Invoice &invoice);
// Why the document has no e-invoice; nothing when it has one.
std::optional<QString> refusal(const Invoice &invoice);
// Whether a refusal is for what the document is (leva, a proforma) rather
// than for data it lacks: the print says nothing of those.
bool hasNone(const Invoice &invoice);

// The e-invoice's name beside a PDF copy: the same name with ".xml".
QString fileBeside(const QString &pdf);

}  // namespace EInvoice
