#include "reference/Search.h"

#include "common/Failure.h"
#include "common/Logging.h"
#include "reference/TableStore.h"

bool searchTable(TableStore &table, const QString &field, const QString &text)
{
    bool found = false;
    try {
        found = table.locate(field, text);
        if (found) {
            const int record = table.recNo();
            // The locate knows whether any record equals the text, so the
            // filter is set once; a text ending in "*" is a prefix to the
            // filter, and is tried as such first.
            const bool equal = text.endsWith(u'*') || table.locatedEqual();
            table.setFilter(field + (equal ? QStringLiteral(" = '") : QStringLiteral(" >= '")) + text + u'\'');
            table.setFiltered(true);
            if (table.recordCount() == 0)
                table.setFilter(field + QStringLiteral(" >= '") + text + u'\'');
            // The record found passes either filter unless it changed meanwhile.
            table.setRecNo(record);
        } else {
            table.setFiltered(false);
        }
    } catch (const Failure &failure) {
        // A search that cannot run leaves the table as it stands, without a message.
        qCWarning(lcReference) << "search in" << field << "for" << text << "ignored:" << failure.text();
    }
    table.refresh();
    return found;
}
