#pragma once

#include <QAbstractTableModel>

class TableStore;

// The open table as the data grid shows it: its rows and columns, edited in place.
class TableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TableModel(TableStore *table, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    TableStore *m_table;
};
