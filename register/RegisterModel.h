#pragma once

#include "register/MonthSales.h"
#include "register/RegisterSearch.h"
#include "register/RegisterStore.h"

#include <QAbstractTableModel>
#include <QHash>

// The register window's list: the documents a query shows, newest first.
// Only their keys are held; a row is read when it is shown, a block of rows
// at a time, so a register of any size opens and searches at once. The
// search by text and period, "Неплатени" and the chart's months run in
// memory (RegisterSearch); "Просрочени" asks the store.
class RegisterModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Company: the own company that issued the document, its name and ЕИК.
    // Status: paid or not, and how long overdue; Owed: what is still owed.
    enum Column {
        Number, Date, Kind, Client, TaxBase, Vat, Total, CurrencyColumn, Cancelled, Company, Status, Owed,
        ColumnCount
    };

    explicit RegisterModel(RegisterStore &store, QObject *parent = nullptr);

    // Lists the documents of the query and sums them.
    void setQuery(const RegisterQuery &query);
    // Reads the register again, for what another program or this one recorded.
    void reload();
    // The chart's twelve months up to the month of `lastMonth`.
    QList<MonthSales> months(const QDate &lastMonth);
    const QList<CurrencySum> &sums() const { return m_sums; }
    qint64 documentAt(int row) const { return m_ids.value(row); }
    RegisterRow rowAt(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The sums as the window's caption shows them, one currency per line.
    static QString sumsText(const QList<CurrencySum> &sums);
    // An amount as the list shows it: two decimals.
    static QString amountText(Amount amount);
    // "Платен", "Частично платен", "Неплатен, просрочен 12 дни", …
    static QString statusText(const Balance &balance);

private:
    RegisterStore &m_store;
    RegisterQuery m_query;
    RegisterSearch m_search;
    QList<qint64> m_ids;
    QList<CurrencySum> m_sums;
    mutable QHash<qint64, RegisterRow> m_cache;
};
