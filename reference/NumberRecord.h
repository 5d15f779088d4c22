#pragma once

#include <QString>

// Writes a printed document's number back into the own company's record, so
// that the next document of its kind gets the next number: in the table file
// tableFile (a reference table, one table a file), the record at place
// recordNumber (1-based, in the table's order) takes number in column, unless
// that column already holds a higher number; reprinting an older document
// never winds the sequence back. Reading and writing are one transaction.
// Returns whether the number was written. A missing file, record or column
// throws a Failure and changes nothing.
bool recordDocumentNumber(const QString &tableFile, int recordNumber, const QString &column,
                          const QString &number);
