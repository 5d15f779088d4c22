#pragma once

#include "common/Amount.h"
#include "common/Currency.h"

#include <QList>
#include <QString>

// An invoice, proforma invoice, credit or debit note as plain data: what the
// page shows, in the types the program counts with. The windows fill it once
// after assembly; what comes after the page (the register of issued
// documents, the PDF's metadata, the sales ledger, an export) reads it and
// never a label.

enum class DocumentKind { Invoice, Proforma };
enum class NoteKind { None, Credit, Debit };

// A block of names and numbers on the page: the client or the own company.
struct InvoiceParty {
    QString name;
    QString address;
    QString manager;    // "МОЛ"
    QString vatNumber;  // "ИН по ЗДДС", as shown after the caption's "BG"
    QString eik;        // "ИН"
    friend bool operator==(const InvoiceParty &, const InvoiceParty &) = default;
};

// The own company as it stood when the document was made. Two suppliers are
// the same when everything printed is: the record number is only a hint of
// where the company stood in the own-company table, which moves when records
// are inserted or deleted before it.
struct InvoiceSupplier {
    int recordNo = 0;    // its record in the own-company table when picked: a hint, not its identity
    InvoiceParty party;
    QString nameSecondLine;     // "ДОСТАВЧИК (втори ред)"
    QString addressSecondLine;  // "Адрес (втори ред)"
    QString placeOfIssue;  // "Местоиздаване"
    friend bool operator==(const InvoiceSupplier &a, const InvoiceSupplier &b)
    {
        return a.party == b.party && a.nameSecondLine == b.nameSecondLine
            && a.addressSecondLine == b.addressSecondLine && a.placeOfIssue == b.placeOfIssue;
    }
};

// The own company's identity: its ЕИК as printed, without blanks, or its
// name where the ЕИК is blank. A company's numbers, ledger and archive
// belong to the firm, not to the place of its record in the table.
inline QString companyKey(const QString &eik, const QString &name)
{
    QString key;
    for (const QChar c : eik) {
        if (!c.isSpace())
            key += c;
    }
    return key.isEmpty() ? name.simplified() : key;
}
inline QString companyKey(const InvoiceSupplier &supplier)
{
    return companyKey(supplier.party.eik, supplier.party.name);
}

// The payment block of the page.
struct InvoicePayment {
    QString terms;    // "Плащане"
    QString bank;     // "Банка"
    QString iban;     // "IBAN"
    QString bic;      // "SWIFT/BIC"
    friend bool operator==(const InvoicePayment &, const InvoicePayment &) = default;
};

// One line of the document, as printed: the line's number, its description
// (with the line breaks of the page), unit, quantity, unit price and value.
struct InvoiceLine {
    int number = 0;
    QString description;
    QString unit;
    Amount quantity;
    Amount price;
    Amount value;
    friend bool operator==(const InvoiceLine &, const InvoiceLine &) = default;
};

// One row of a note's references: "№", the account column, "Сума".
struct NoteReference {
    QString number;
    QString account;
    QString amount;
    friend bool operator==(const NoteReference &, const NoteReference &) = default;
};

// A credit or debit note: its kind, the invoice it refers to and its rows.
struct InvoiceNote {
    NoteKind kind = NoteKind::None;
    QString invoiceDate;    // "от дата: …"
    QString invoiceNumber;  // "към фактура №: …"
    QList<NoteReference> references;
    friend bool operator==(const InvoiceNote &, const InvoiceNote &) = default;
};

struct InvoiceTotals {
    Amount taxBase;  // "Данъчна основа"
    QString rate;    // the VAT rate as entered: "20", "9", "0"
    Amount vat;      // "размер на данъка"
    Amount total;    // "Сума за плащане"
    friend bool operator==(const InvoiceTotals &, const InvoiceTotals &) = default;
};

// The texts of the page that are neither parties nor amounts.
struct InvoiceTexts {
    QString words;           // "Словом:"
    QString vatBasis;        // the basis for not charging VAT or the zero rate
    QString vatBasisCaption; // the line under it: "/основание за …/"
    QString vehicleBasis;    // what makes the goods a new vehicle
    QString taxEventDate;    // "Дата на данъчното събитие"
    QString paymentDate;     // "Дата на плащане"
    QString receiver;        // "Получател"
    QString composer;        // "Съставил"
    friend bool operator==(const InvoiceTexts &, const InvoiceTexts &) = default;
};

struct Invoice {
    DocumentKind kind = DocumentKind::Invoice;
    QString heading;    // the kind as the page's heading shows it
    InvoiceNote note;
    QString number;     // ten digits, as on the page
    QString issueDate;  // as on the page's number line
    Currency currency = Currency::Leva;
    InvoiceSupplier supplier;
    InvoiceParty client;
    InvoicePayment payment;
    QList<InvoiceLine> lines;
    InvoiceTotals totals;
    InvoiceTexts texts;
    friend bool operator==(const Invoice &, const Invoice &) = default;
};

// The kind a heading names: "ПРОФОРМА ФАКТУРА" is a proforma, any other text an invoice.
inline DocumentKind documentKindOf(const QString &heading)
{
    return heading == u"ПРОФОРМА ФАКТУРА" ? DocumentKind::Proforma : DocumentKind::Invoice;
}
// The caption of a note kind: "Кредитно известие", "Дебитно известие", empty for none.
inline QString noteKindText(NoteKind kind)
{
    switch (kind) {
    case NoteKind::Credit:
        return QStringLiteral("Кредитно известие");
    case NoteKind::Debit:
        return QStringLiteral("Дебитно известие");
    case NoteKind::None:
        break;
    }
    return QString();
}
// The note a note caption names; an empty or any other text is none.
inline NoteKind noteKindOf(const QString &caption)
{
    if (caption == u"Кредитно известие")
        return NoteKind::Credit;
    return caption == u"Дебитно известие" ? NoteKind::Debit : NoteKind::None;
}

// The series a document's number belongs to: invoices and notes share one,
// proformas have their own.
enum class NumberSeries { Invoice, Proforma };
inline NumberSeries numberSeries(DocumentKind kind)
{
    return kind == DocumentKind::Proforma ? NumberSeries::Proforma : NumberSeries::Invoice;
}
