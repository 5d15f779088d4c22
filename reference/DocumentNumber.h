#pragma once

#include <QString>

class TableStore;

// The last document numbers of the own companies, one column per kind of
// document ("Фактура №", "Проформа №") in their records. Two programs on one
// start folder may take the same next number at assembly; the first to
// record it keeps it, and the other learns so before it prints anything.
namespace DocumentNumber {

enum class Outcome {
    Recorded,      // the record holds the page's number now
    KeptHigher,    // the record holds a later number, which stays
    TakenByOther,  // another program has recorded the number taken here: nothing written
};

struct Result {
    Outcome outcome;
    QString before;  // the stored text the write replaced
};

// Records the number on the page as the last of its kind in the own-company
// record under the table's cursor, in one write that reads the stored number
// first. `taken` is the number this program took at assembly; a page number
// other than it was typed by the user (a reprint of an old document): it is
// never stopped, and never lowers the stored number. A text that is not a
// whole number fails.
Result record(TableStore &firm, const QString &column, const QString &pageNumber, const QString &taken);

// Undoes a record() whose print then failed, unless another program has
// recorded a number since.
void giveBack(TableStore &firm, const QString &column, const QString &pageNumber, const QString &before);

// What the user is told when another program has recorded the number.
QString takenMessage(const QString &number);

} // namespace DocumentNumber
