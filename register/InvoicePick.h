#pragma once

#include "register/RegisterStore.h"

#include <QList>
#include <QTableWidget>
#include <QToolButton>
#include <QWidget>
#include <functional>

// "Фактури на клиента": the invoices of the register a credit or debit note
// may refer to, newest first, for the user to pick one as the goods browser
// picks a record. "Добави" (or a double click) hands the chosen invoice to
// Picked and hides the window.
class TInvoicePick : public QWidget {
    Q_OBJECT
public:
    explicit TInvoicePick(QWidget *parent = nullptr);

    QTableWidget *StringGrid1;  // number, date, total, currency
    QToolButton *SpeedButton1;  // "Добави"

    // Lists the invoices, the first one chosen, and shows the window.
    void showInvoices(const QList<RegisterRow> &invoices);
    void SpeedButton1Click();

    std::function<void(const RegisterRow &)> Picked;

private:
    QList<RegisterRow> m_invoices;
};

extern TInvoicePick *InvoicePick;
