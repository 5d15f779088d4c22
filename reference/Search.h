#pragma once

#include <QString>

class TableStore;

// The browser's search on every change of the search text: move to the first
// record (under the filter in force) whose column begins with the text, then
// show only the records equal to the text or, when there are none, those not
// less than it; with no such record the filter goes off and all records show.
// A column that cannot be searched or a text the filter refuses (an
// apostrophe) is passed over in silence. The table is refreshed in any case.
// Returns whether a record begins with the text.
bool searchTable(TableStore &table, const QString &field, const QString &text);
