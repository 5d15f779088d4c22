#pragma once

#include "common/Amount.h"
#include "common/Currency.h"
#include "document/Invoice.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// The monthly VAT sales ledger (дневник за продажбите) of one own company,
// built from the documents it issued. The register hands the documents over
// as values; the files the revenue agency reads are written from the ledger
// by LedgerFiles.

// One issued document as the register keeps it. A cancel has its own date:
// a document cancelled in its own month is in that month's ledger with zero
// amounts; one cancelled later stays in its month as it was and comes back
// in the month of the cancel with the opposite sign.
struct LedgerDocument {
    Invoice invoice;
    bool cancelled = false;
    QDate issued;
    QDate cancelledOn;  // invalid: taken as cancelled in its own month
};

// The own company that files: its identity (companyKey: the ЕИК, or the
// name where that is blank), its VAT number as stored (with or without
// "BG"), its name and the person who files the return (its manager) with
// that person's ЕГН (or ЛНЧ), which the user gives when writing the return,
// and its address.
struct LedgerCompany {
    QString key;
    QString name;
    QString vatNumber;
    QString person;
    QString filerId;
    QString address;  // the correspondence address, for the VIES declaration
};

// Why the return cannot name the person who files it; empty when it can.
QString filerProblem(const LedgerCompany &company);

// The own companies that issued the documents, each once by its identity,
// with the data of its newest document, in the order of their names.
QList<LedgerCompany> companiesOf(const QList<LedgerDocument> &documents);

// A tax period: one calendar month.
struct TaxPeriod {
    int year = 0;
    int month = 0;
    static TaxPeriod of(QDate date) { return {date.year(), date.month()}; }
    QDate firstDay() const { return QDate(year, month, 1); }
    QDate lastDay() const { return firstDay().addMonths(1).addDays(-1); }
    bool contains(QDate date) const { return date.year() == year && date.month() == month; }
    // yyyymm, as the files carry it.
    QString code() const;
    // mm.yyyy, as the messages show it.
    QString text() const;
    // From January 2026 the ledger is kept in euro, before in leva.
    Currency currency() const;
    friend bool operator==(const TaxPeriod &, const TaxPeriod &) = default;
};

// The amount cells of a ledger record, in the order the record carries them.
enum class LedgerCell {
    TaxBase,          // 02-10: the sum of the tax bases below
    Vat,              // 02-20: the sum of the VAT cells below
    Base20,           // 02-11
    Vat20,            // 02-21
    BaseAcquisitions, // 02-12
    BaseArt82,        // 02-26
    VatAcquisitions,  // 02-22
    VatPersonalUse,   // 02-23
    Base9,            // 02-13
    Vat9,             // 02-24
    ZeroChapter3,     // 02-14: 0 % under Chapter 3 of the VAT Act (export, transport)
    ZeroIntraCommunity, // 02-15: 0 %, intra-Community supplies (art. 53)
    ZeroArt140,       // 02-16: 0 % under art. 140, 146(1) and 173
    ServicesOtherState, // 02-17: services under art. 21(2) supplied in another member state
    DistanceSales,    // 02-18: supplies under art. 69(2)
    Exempt,           // 02-19: exempt supplies (Chapter 4, art. 38-50)
    Triangular,       // 02-25: as intermediary in a triangular operation
};
constexpr int LedgerCellCount = int(LedgerCell::Triangular) + 1;
// The cell's code in the agency's numbering: "02-11".
QString cellCode(LedgerCell cell);

using LedgerCells = std::array<Amount, LedgerCellCount>;

// The cells a document at 0 % or without VAT can go into.
constexpr std::array<LedgerCell, 7> ZeroRateCells = {
    LedgerCell::ZeroChapter3, LedgerCell::ZeroIntraCommunity, LedgerCell::ZeroArt140,
    LedgerCell::ServicesOtherState, LedgerCell::DistanceSales, LedgerCell::Exempt,
    LedgerCell::Triangular};
// A short Bulgarian name of such a cell, for the user's choice.
QString zeroRateCellName(LedgerCell cell);

// The cell the basis for not charging VAT names (ЗДДС or Directive
// 2006/112/ЕО, whose articles stand beside the law's), or nothing where the
// text names no basis the program knows a cell for. Services under чл. 21,
// ал. 2 go to 02-17 for a client in another member state (its VAT number's
// two letters) and to 02-18 for one outside the EU.
std::optional<LedgerCell> cellForVatBasis(const QString &basis, const QString &clientCountry = {});
// A supply under чл. 163а ЗДДС: the code of 02-27, "01" for goods of part I
// of Annex 2, "02" for part II, empty when the basis does not say which;
// nothing for another basis.
std::optional<QString> art163aCode(const QString &basis);
// True for a basis that names nothing: empty or the dotted placeholder.
bool isEmptyVatBasis(const QString &basis);

// Converts an amount between leva and euro at 1.95583, rounded half up (away
// from zero) to the cent; the same currency is only rounded to the cent.
Amount convertedToCents(Amount amount, Currency from, Currency to);

// One record of the ledger.
struct LedgerRecord {
    int runningNumber = 0;
    QString type;        // "01" invoice, "02" debit note, "03" credit note
    QString number;
    QDate date;
    QString clientId;
    QString clientName;
    QString description;
    LedgerCells cells{};
    QString supplyCode;  // 02-27: the code of a supply under чл. 163а
    bool cancelled = false;  // cancelled in its own month: zero amounts
    bool reversal = false;   // cancelled in this month, issued before: opposite sign
    bool converted = false;
};

// A document the ledger cannot take as it stands.
struct LedgerIssue {
    QString number;
    QDate date;
    QString reason;
};

struct SalesLedger {
    LedgerCompany company;
    TaxPeriod period;
    QList<LedgerRecord> records;
    LedgerCells sums{};
    int convertedCount = 0;
    // Documents with a character that the code page has none for ("?").
    QStringList replacedNumbers;
    // Documents at 0 % or without VAT whose basis places them in no cell:
    // the user decides where they go.
    QList<LedgerIssue> unplaceable;
    // Documents the files cannot carry as they are.
    QList<LedgerIssue> withoutClientId;
    QList<LedgerIssue> invalidClientId;  // the reason names the number
    QList<LedgerIssue> unknownRate;
    // Invoices and debit notes with a negative total: a reduction is a credit note.
    QList<LedgerIssue> negative;
    // Supplies under чл. 163а whose basis does not say which part of Annex 2.
    QList<LedgerIssue> art163aWithoutPart;
};

// Where the user put documents the program could not place: number → cell.
using PlacementChoices = QHash<QString, LedgerCell>;

// The ledger of a company's invoices and notes issued in the period (never a
// proforma), in the period's currency, ordered by date and then number and
// numbered from 1. A document cancelled in its own month is there with zero
// amounts; one issued earlier and cancelled in the period is there again
// with the opposite sign. Whatever is cancelled after the period, its
// ledger stays as it was.
SalesLedger buildSalesLedger(const QList<LedgerDocument> &documents, const LedgerCompany &company,
                             TaxPeriod period, const PlacementChoices &choices = {});

// The own company's VAT number as the files carry it: with "BG".
QString vatNumberWithPrefix(const QString &stored);

// What stands in the way of writing, each in a sentence for the user.
struct LedgerChecks {
    QStringList blocking;  // the files cannot be written
    QStringList warnings;  // the user may still write them
};
LedgerChecks checkLedger(const SalesLedger &ledger, QDate today);

// The return's sales cells: code and amount, in the return's order. Each is
// the sum of the ledger's cell with the same last two digits, except 01-01
// (Σ 02-10), 01-12 (Σ 02-12 + Σ 02-26) and 01-18 (Σ 02-18 + Σ 02-25); the
// ledger holds no document of the types 04, 11, 12 or 13 the sums leave out.
QList<std::pair<QString, Amount>> returnSalesCells(const SalesLedger &ledger);

// A name in Bulgarian quotes: „…“, the closing one shared with a name that
// ends in one („ЕТ „Иван Петров – 91“).
QString quotedName(const QString &name);

// The summary shown before writing.
QString ledgerSummary(const SalesLedger &ledger);

// An amount with a point and two decimals: "-12.50", "0.00".
QString centsText(Amount amount);
