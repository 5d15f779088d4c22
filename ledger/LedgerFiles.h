#pragma once

#include <QByteArray>
#include <QString>

struct LedgerCompany;
struct PurchaseLedger;
struct SalesLedger;
struct ViesDeclaration;

// The fixed-width text files the revenue agency's portal reads: the sales
// ledger PRODAGBI.TXT and the return DEKLAR.TXT. Windows-1251, a record per
// line ended by CR LF, fields without separators padded with blanks (text to
// the left, numbers to the right), amounts with a point and two decimals.

inline constexpr auto SalesLedgerFileName = "PRODAGBI.TXT";
inline constexpr auto VatReturnFileName = "DEKLAR.TXT";
inline constexpr auto PurchaseLedgerFileName = "POKUPKI.TXT";
inline constexpr auto ViesFileName = "VIES.TXT";

// The widths of the ledger's text fields that come from a document.
namespace LedgerWidths {
inline constexpr int Number = 20;
inline constexpr int ClientId = 15;
inline constexpr int ClientName = 50;
inline constexpr int Description = 30;
inline constexpr int SalesRecord = 424;
inline constexpr int ReturnRecord = 590;
} // namespace LedgerWidths

// The text as a field of this width carries it: line breaks and other
// control characters as blanks, cut after `width` characters (a character outside the basic plane
// counts as one, as it is written as one "?").
QString fittedText(const QString &text, int width);

// The return's "ЕГН/име" of the person who files it.
QString filerText(const LedgerCompany &company);

// PRODAGBI.TXT: a record per document of the ledger; a month without
// documents is a file without records. The purchase ledger of a month
// without purchases, POKUPKI.TXT, is such a file too.
QByteArray salesLedgerFile(const SalesLedger &ledger);
// POKUPKI.TXT: a record per document of the purchase ledger.
QByteArray purchaseLedgerFile(const PurchaseLedger &ledger);
// DEKLAR.TXT: the sales cells are the sums of the sales ledger's, the
// purchase cells those of the purchase ledger's, 01-40 the tax credit, and
// the VAT to pay (taken as paid, 01-71) or to refund. Without a purchase
// ledger, a month without purchases: every purchase cell zero.
QByteArray vatReturnFile(const SalesLedger &ledger);
QByteArray vatReturnFile(const SalesLedger &ledger, const PurchaseLedger &purchases);

// VIES.TXT: the records VHR, VDR (the person who files, as the legal
// representative), VTR, TTR, a VIR per counterparty and an empty CHR, each
// of its own width, CR LF after each.
QByteArray viesFile(const ViesDeclaration &declaration);

// Writes a file whole (a temporary file renamed over it), or throws a Failure
// that names it.
void writeWholeFile(const QString &path, const QByteArray &bytes);
// What is asked before a file the user chose replaces one that is there.
QString existingFileQuestion(const QString &path);
