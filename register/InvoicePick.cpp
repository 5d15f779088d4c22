#include "register/InvoicePick.h"

#include "common/Failure.h"
#include "platform/Fonts.h"
#include "platform/Handlers.h"
#include "platform/Widgets.h"
#include "register/RegisterModel.h"

#include <QHeaderView>

TInvoicePick *InvoicePick = nullptr;

TInvoicePick::TInvoicePick(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Фактури на клиента"));
    resize(420, 300);
    setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));
    fillBackground(this, QColor(223, 223, 223));

    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setText(QStringLiteral("Добави"));
    SpeedButton1->setGeometry(8, 8, 100, 24);

    StringGrid1 = new QTableWidget(0, 4, this);
    StringGrid1->setHorizontalHeaderLabels(
        {QStringLiteral("Фактура №"), QStringLiteral("Дата"), QStringLiteral("Сума"), QStringLiteral("Валута")});
    StringGrid1->setGeometry(8, 40, 404, 252);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->setColumnWidth(0, 110);
    StringGrid1->setColumnWidth(1, 110);

    onClick(SpeedButton1, [this] { SpeedButton1Click(); });
    connect(StringGrid1, &QTableWidget::cellDoubleClicked, this,
            [this] { runGuarded([this] { SpeedButton1Click(); }); });
}

void TInvoicePick::showInvoices(const QList<RegisterRow> &invoices)
{
    m_invoices = invoices;
    StringGrid1->setRowCount(int(invoices.size()));
    for (int row = 0; row < invoices.size(); ++row) {
        const RegisterRow &invoice = invoices[row];
        const QStringList cells{invoice.number, invoice.date, RegisterModel::amountText(invoice.total),
                                selectorText(invoice.currency)};
        for (int column = 0; column < cells.size(); ++column)
            StringGrid1->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    if (!invoices.isEmpty())
        StringGrid1->selectRow(0);
    show();
    raise();
    activateWindow();
}

void TInvoicePick::SpeedButton1Click()
{
    const int row = StringGrid1->currentRow();
    if (row < 0 || row >= m_invoices.size())
        throw Failure(QStringLiteral("Изберете фактура от списъка."));
    if (Picked)
        Picked(m_invoices[row]);
    hide();
}
