#pragma once

#include <QByteArray>
#include <QList>

struct LedgerDocument;

// The register for the accountant's spreadsheet: a CSV file that Bulgarian
// spreadsheet programs open as it is (UTF-8 with a byte order mark, ";"
// between fields, "," as the decimal sign, CR LF after every row). A row per
// document in the order given; with lines, each document's row is followed
// by a row per line of it. A credit note's amounts are negative, as in the
// sales ledger. The issuing own company (name and ЕИК) follows the
// document's columns. A text cell that a spreadsheet would run as a formula
// (beginning with "=", "+", "-", "@", a tab or CR) gets a leading apostrophe;
// amounts stay numbers.
QByteArray accountantCsv(const QList<LedgerDocument> &documents, bool withLines);
