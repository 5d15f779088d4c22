#pragma once

#include <QString>

// Writes a printed document's number back into the own company's record, so
// that the next document of its kind gets the next number: in the table file
// tableFile (a reference table, one table a file), the record with the key
// (its rowid; found by key, so records another program inserted or deleted
// meanwhile do not matter) takes number in column, unless that column already
// holds a higher number; reprinting an older document never winds the
// sequence back. Reading and writing are one transaction. Returns whether the
// number was written. A missing file, record or column throws a Failure and
// changes nothing. The print window records through DocumentNumber, which
// also stops a number another program has issued.
bool recordDocumentNumber(const QString &tableFile, qlonglong key, const QString &column,
                          const QString &number);
