#include "reference/TableModel.h"

#include "common/Failure.h"
#include "common/Logging.h"
#include "reference/Schema.h"
#include "reference/TableStore.h"

#include <QRegularExpression>

namespace {

// More characters than any cell of the grid can show: a longer text is cut
// here, so that a huge value written by another program is not laid out in
// full on every repaint.
constexpr qsizetype CellTextLimit = 1000;

QString shownInCell(const QString &text)
{
    return text.size() > CellTextLimit ? text.left(CellTextLimit) + QStringLiteral(" …") : text;
}

// A cell of a memo shows its first line; the whole text is in the memo editor.
QString cellText(const QString &text)
{
    static const QRegularExpression lineBreak(QStringLiteral("[\r\n]"));
    const qsizetype lineEnd = text.indexOf(lineBreak);
    return lineEnd < 0 ? shownInCell(text) : shownInCell(text.left(lineEnd)) + QStringLiteral(" …");
}

} // namespace

TableModel::TableModel(TableStore *table, QObject *parent) : QAbstractTableModel(parent), m_table(table)
{
    connect(table, &TableStore::aboutToReset, this, [this] { beginResetModel(); });
    connect(table, &TableStore::wasReset, this, [this] { endResetModel(); });
    connect(table, &TableStore::rowChanged, this, [this](int row) {
        if (row >= 0 && row < rowCount())
            Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
}

int TableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_table->rowCount();
}

int TableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_table->isActive() ? 0 : m_table->fieldCount();
}

QVariant TableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole))
        return QVariant();
    try {
        switch (m_table->fieldKind(index.column())) {
        case TableStore::FieldKind::Picture:
            if (role == Qt::DisplayRole)
                return m_table->rowValue(index.row(), index.column()).isNull() ? QString()
                                                                                : QStringLiteral("(картина)");
            return QVariant();
        case TableStore::FieldKind::Memo: {
            const QString text = m_table->rowText(index.row(), index.column());
            if (role == Qt::EditRole)
                return text;
            return role == Qt::DisplayRole ? cellText(text) : shownInCell(text);
        }
        case TableStore::FieldKind::Text: {
            if (role == Qt::ToolTipRole)
                return QVariant();
            const QString text = m_table->rowText(index.row(), index.column());
            return role == Qt::DisplayRole ? shownInCell(text) : text;
        }
        }
    } catch (const Failure &failure) {
        qCWarning(lcReference) << "row" << index.row() << "shown empty:" << failure.text();
        // A record that cannot be read shows empty; the next action reports the table.
    }
    return QVariant();
}

namespace {

// A price or stock typed with the decimal comma is kept with the point, the
// tables' number format, so that every reader takes it for the number it is.
QString storedText(const TableStore &table, int column, const QString &typed)
{
    using namespace Schema::Goods;
    static const QRegularExpression decimalComma(QStringLiteral("^\\s*[-+]?\\d+,\\d+\\s*$"));
    const QString field = table.fieldName(column);
    const bool number = field.compare(Price.name, Qt::CaseInsensitive) == 0
                        || field.compare(Quantity.name, Qt::CaseInsensitive) == 0;
    if (table.tableName() != FileName || !number || !decimalComma.match(typed).hasMatch())
        return typed;
    return typed.trimmed().replace(u',', u'.');
}

} // namespace

bool TableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    try {
        m_table->setRowText(index.row(), index.column(), storedText(*m_table, index.column(), value.toString()));
        return true;
    } catch (const Failure &failure) {
        Q_EMIT editFailed(failure.text());
    } catch (const std::exception &failure) {
        Q_EMIT editFailed(QString::fromUtf8(failure.what()));
    }
    return false;
}

Qt::ItemFlags TableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && m_table->fieldKind(index.column()) == TableStore::FieldKind::Text)
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < columnCount())
        return m_table->fieldName(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}
