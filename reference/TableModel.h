#pragma once

#include <QAbstractTableModel>

class TableStore;

// The open table as the data grid shows it: its rows and columns, edited in
// place. An edit the table refuses is announced by editFailed().
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

Q_SIGNALS:
    // An edited cell could not be stored; the text says why.
    void editFailed(const QString &text);

private:
    TableStore *m_table;
};
