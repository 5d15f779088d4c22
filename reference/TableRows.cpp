// The rows a grid shows of the table store: the records under the filter
// and, while one is inserted, the new record at its place.

#include "reference/TableStore.h"

int TableStore::rowCount() const
{
    return recordCount() + (m_state == State::Insert ? 1 : 0);
}

int TableStore::currentRow() const
{
    if (m_state == State::Insert)
        return m_insertRow;
    return visibleIndex(m_cursor);
}

int TableStore::rowPosition(int row) const
{
    if (m_state == State::Insert && row > m_insertRow)
        --row;
    return filterActive() ? m_visible[row] : row;
}

void TableStore::moveToRow(int row)
{
    requireActive();
    if (row < 0 || row >= rowCount() || row == currentRow())
        return;
    int position = rowPosition(row);
    if (m_state == State::Insert) {
        const int insertedAt = m_insertPosition;
        const bool keeps = m_modified;
        postPending();
        // A posted record pushed the ones after it one place on.
        if (keeps && position >= insertedAt)
            ++position;
    } else {
        postPending();
    }
    setCursor(position);
}

QVariant TableStore::rowValue(int row, int column) const
{
    if (!isActive() || row < 0 || row >= rowCount() || column < 0 || column >= m_order.size())
        return QVariant();
    const int field = m_order[column];
    if ((m_state == State::Insert || m_state == State::Edit) && row == currentRow())
        return m_buffer[field];
    return cachedRecord(m_keys[rowPosition(row)])[field];
}

QString TableStore::rowText(int row, int column) const
{
    return displayText(rowValue(row, column));
}

void TableStore::setRowText(int row, int column, const QString &text)
{
    moveToRow(row);
    if (m_state == State::Browse)
        edit();
    setText(fieldName(column), text);
}
