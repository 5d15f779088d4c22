#pragma once

#include "ledger/SalesLedger.h"

// The monthly VAT purchase ledger (дневник за покупките) of one own company,
// from the documents it received as the clerk entered them, and the whole
// return that both ledgers make.

// The right to a tax credit on a purchase.
enum class CreditRight { Full, Partial, None };

// A protocol under чл. 117 ЗДДС charges the tax the recipient owes: on an
// intra-Community acquisition (02-12) or on a supply under чл. 82, ал. 2-5
// (02-26). It is in both ledgers.
enum class ProtocolKind { None, Acquisition, ReverseCharge };

// One received document.
struct PurchaseDocument {
    QString supplierName;
    QString supplierVatNumber;
    QString supplierEik;  // a supplier outside the VAT register: its ЕИК
    QString type;         // "01" invoice, "02" debit note, "03" credit note, "07" customs declaration, "09" protocol, …
    QString number;
    QDate date;
    QString description;
    Currency currency = Currency::Leva;
    Amount taxBase;
    Amount vat;
    CreditRight credit = CreditRight::Full;
    ProtocolKind protocol = ProtocolKind::None;
    bool cancelled = false;
    QDate cancelledOn;  // invalid: taken as cancelled in its own month
};

// The document types the purchase ledger takes, and those the return's sums
// leave out (cash accounting 11-13, 94, call-off stock 05).
bool isPurchaseType(const QString &type);
bool countsInReturn(const QString &type);

// The amount cells of a purchase record, in the order the record carries them.
enum class PurchaseCell {
    NoCredit,     // 03-30: base and VAT without a right to credit, or without VAT
    FullBase,     // 03-31
    FullVat,      // 03-41
    PartialBase,  // 03-32
    PartialVat,   // 03-42
    Adjustment,   // 03-43: annual adjustment under чл. 73, ал. 8
    Triangular,   // 03-44: acquired from an intermediary in a triangular operation
};
constexpr int PurchaseCellCount = int(PurchaseCell::Triangular) + 1;
using PurchaseCells = std::array<Amount, PurchaseCellCount>;

struct PurchaseRecord {
    int runningNumber = 0;
    QString type;
    QString number;
    QDate date;
    QString supplierId;
    QString supplierName;
    QString description;
    PurchaseCells cells{};
    bool reversal = false;  // cancelled in this month, received before: opposite sign
    bool converted = false;
};

struct PurchaseLedger {
    LedgerCompany company;
    TaxPeriod period;
    QList<PurchaseRecord> records;
    PurchaseCells sums{};  // over the types the return counts
    // The coefficient under чл. 73, ал. 5 for partial credit, 0 to 1.
    Amount coefficient;
    QList<LedgerIssue> withoutSupplierId;
    QList<LedgerIssue> invalidSupplierId;
    QList<LedgerIssue> unknownType;
    QList<LedgerIssue> mixedSigns;
};

// The ledger of the documents received in the period, in the period's
// currency, ordered by date and then number and numbered from 1. A document
// cancelled in its own month is left out; one received earlier and
// cancelled in the period is there with the opposite sign.
PurchaseLedger buildPurchaseLedger(const QList<PurchaseDocument> &documents, const LedgerCompany &company,
                                   TaxPeriod period, Amount coefficient = {});

// The sales ledger with the period's protocols under чл. 117 added as
// records of type 09 (their base in 02-12 or 02-26, their tax in 02-22),
// ordered and numbered again.
SalesLedger withProtocols(SalesLedger sales, const QList<PurchaseDocument> &documents);

// The result of the return from both ledgers.
struct ReturnResult {
    Amount credit;  // 01-40 = 01-41 + 01-42 × 01-33 + 01-43
    Amount toPay;   // 01-50
    Amount toRefund; // 01-60
};
ReturnResult returnResult(const SalesLedger &sales, const PurchaseLedger &purchases);

QStringList checkPurchases(const PurchaseLedger &ledger);

// The purchase part of the summary shown before writing.
QString purchaseSummary(const PurchaseLedger &ledger, const SalesLedger &sales);

// A received document as the clerk typed it.
struct PurchaseTexts {
    QString supplierName;
    QString supplierVatNumber;
    QString supplierEik;
    QString type;
    QString number;
    QString date;  // dd.mm.yyyy
    QString description;
    Currency currency = Currency::Leva;
    QString taxBase;
    QString vat;
    CreditRight credit = CreditRight::Full;
    ProtocolKind protocol = ProtocolKind::None;
};

// The document the texts describe, or a Failure whose message names the
// field to correct.
PurchaseDocument purchaseFromTexts(const PurchaseTexts &texts);
