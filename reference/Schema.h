#pragma once

#include "store/RecordKeys.h"
#include "store/SqlNames.h"

#include <QList>
#include <QString>
#include <QStringList>

// The four reference tables: their files, their columns in order, and the
// kind and declared width of every column. Whatever names a table or a column
// (the table maker, the demo data, the browser, the pick, the assembly, the
// printing) takes the name from here, so a renamed column no longer compiles
// where it is still used under its old name.
//
// The names are globals initialised at start-up: use them inside functions,
// not in the initialisers of other globals.
namespace Schema {

using Store::Column;
using Store::Kind;

struct Table {
    QString fileName;  // in the data directory
    QString sqlName;   // the table inside the file
    QList<Column> columns;
    QStringList extraStatements;  // indexes, run after the table is made
};

// Own companies: one record per company the user invoices as.
namespace Firm {
extern const QString FileName;
extern const Column Supplier, SupplierSecondLine, Address, AddressSecondLine, Manager, VatNumber,
    IdNumber, PlaceOfIssue, Logo;
// The numbers of the last invoice and the last proforma printed.
extern const Column LastInvoice, LastProforma;
} // namespace Firm

// Bank accounts.
namespace Bank {
extern const QString FileName;
extern const Column Name, Iban, Swift;
} // namespace Bank

// Goods and services with their stock.
namespace Goods {
extern const QString FileName;
extern const Column Number, Description, Unit, Price, Quantity;
// The browser binds the description memo under this spelling, with a small
// first letter; columns are found whatever the case of their letters.
extern const QString DescriptionAsBound;
} // namespace Goods

// Clients.
namespace Clients {
extern const QString FileName;
extern const Column Company, IdNumber, VatNumber, Address, Manager, Phone, Fax;
} // namespace Clients

// The register of issued documents, which the program makes on first use:
// one record per document printed, its lines and its note's rows. Amounts
// are whole counts of ten-thousandths (INTEGER), never floating point.
// A document is held once per (company, series, number); the store refuses
// a second. Nothing is ever deleted or changed except the copy count and the
// cancel mark.
namespace Register {
extern const QString FileName;
extern const Column Id;  // the document's key, INTEGER PRIMARY KEY
// The key: the own company (its ЕИК as printed, or its name where the ЕИК is
// blank), the series ("Фактура" for invoices and notes, "Проформа") and the
// ten-digit number.
extern const Column Company, Series, Number;
extern const Column DocumentType, Heading, Note, NoteInvoiceNumber, NoteInvoiceDate, IssueDate, SortDate, TaxEventDate,
    PaymentDate, CurrencySign;
extern const Column FirmRecord, Supplier, SupplierSecondLine, SupplierAddress, SupplierAddressSecondLine, SupplierManager, SupplierVatNumber, SupplierEik,
    PlaceOfIssue;
extern const Column Client, ClientAddress, ClientManager, ClientVatNumber, ClientEik;
extern const Column PaymentTerms, Bank, Iban, Bic;
extern const Column TaxBase, VatRate, Vat, Total;
extern const Column Words, VatBasis, VatBasisCaption, VehicleBasis, Receiver, Composer;
extern const Column ArchiveImage, PdfCopy, PrintedAt, Machine, User;
// The size in bytes and the SHA-256 (hex) of the archive image and of the PDF
// copy as written; NULL for a document recorded before they were kept. Added
// to an older register in place.
extern const Column ArchiveImageSize, ArchiveImageHash, PdfCopySize, PdfCopyHash;
// The only columns that change after a document is recorded: the copies,
// the archive image of the last copy printed, and the cancel mark.
extern const Column Copies, LastCopyAt, CancelledAt, CancelReason;
extern const Column CopyImage, CopyImageSize, CopyImageHash;
// The e-invoice written beside the PDF copy when the original was printed,
// its size and SHA-256; empty and NULL where none was written (a document in
// leva, a proforma, one refused for missing data, or printed before).
extern const Column EInvoiceFile, EInvoiceSize, EInvoiceHash;
// The columns added after the first registers were made, in the order they
// are added to an older one.
const QList<Column> &addedColumns();
// Client name, ЕИК and number folded for the search, one per line.
extern const Column SearchText;

// The lines of a document, as printed.
extern const Column LineDocument, LineNumber, LineDescription, LineUnit, LineQuantity, LinePrice, LineValue;
// The rows of a note's block.
extern const Column RowDocument, RowPlace, RowNumber, RowAccount, RowAmount;

// Payments against documents, in the document's currency, with the amount
// as paid where it was paid in the other one; never changed or deleted (a
// wrong one is reversed by a negative one).
extern const Column PaymentDocument, PaidOn, PaymentAmount, PaidIn, AmountPaidIn, PaymentWayName, PaymentNote,
    EnteredBy, EnteredAt;

// The documents, their lines and their note rows; the key columns are the
// first ones of the documents' unique index.
const Table &documents();
const Table &lines();
const Table &noteRows();
const Table &payments();
// The index that finds the credit notes among the documents (a register
// made before it has it added), and its name.
extern const QString CreditNotesIndexName;
QString creditNotesIndex();

// The received documents of the purchase ledger, each once per own company,
// supplier, type and number; as append-only as the documents, with the same
// cancel mark (Company, TaxBase, Vat, CancelledAt and CancelReason too).
extern const Column PurchaseSupplier, PurchaseSupplierVat, PurchaseSupplierEik, PurchaseType, PurchaseNumber,
    PurchaseDate, PurchaseDescription, PurchaseCurrency, PurchaseCredit, PurchaseProtocol, PurchaseEnteredAt;
const Table &purchases();
} // namespace Register

// The four tables, in the order of the main menu's buttons.
const QList<Table> &tables();

// The SQL type a column is declared with in a file: VARCHAR(width), CLOB or BLOB.
inline QString declaredType(const Column &column) { return Store::sqliteType(column); }

using Store::quoted;

// The integer key of a record is its place in the table's order. The table
// maker's records are this far apart (in a table of up to two million
// records; RecordKeys::makerStep), so that a record inserted between two
// others takes a key in their gap. Tables made by earlier builds have their
// records 2^24 apart: the first record inserted between two of them spreads
// out the records from there to the end of the table, once.
constexpr qint64 MakerKeyStep = RecordKeys::makerStep(1);
// The key column of the tables the program makes; the program does not show it.
using Store::KeyColumn;

} // namespace Schema
