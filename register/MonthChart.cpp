#include "register/MonthChart.h"

#include "platform/Fonts.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {

const QColor Paid(70, 140, 70);
const QColor Open(230, 150, 40);
constexpr int LabelHeight = 16;

} // namespace

MonthChart::MonthChart(QWidget *parent) : QWidget(parent)
{
    setToolTip(QStringLiteral("Продажби по месеци (данъчна основа): платеното отдолу, неплатеното отгоре. "
                              "Щракнете месец, за да видите документите му."));
}

void MonthChart::setMonths(const QList<MonthSales> &months, Currency currency)
{
    m_months = months;
    m_currency = currency;
    update();
}

QRect MonthChart::barArea(int index) const
{
    const int count = std::max(1, int(m_months.size()));
    const int slot = width() / count;
    return QRect(index * slot + slot / 6, 0, slot - slot / 3, height() - LabelHeight);
}

std::optional<QDate> MonthChart::monthAt(const QPoint &point) const
{
    for (int i = 0; i < m_months.size(); ++i) {
        const QRect area = barArea(i);
        if (point.x() >= area.left() && point.x() <= area.right())
            return m_months[i].month;
    }
    return std::nullopt;
}

void MonthChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setFont(pixelFont(QStringLiteral("MS Sans Serif"), 10));
    double highest = 0;
    for (const MonthSales &month : std::as_const(m_months))
        highest = std::max(highest, month.sold.toDouble());
    for (int i = 0; i < m_months.size(); ++i) {
        const MonthSales &month = m_months[i];
        const QRect area = barArea(i);
        if (highest > 0 && month.sold > Amount()) {
            const double scale = (area.height() - 2) / highest;
            const int paid = int(std::max(0.0, month.paid.toDouble()) * scale);
            const int open = int(std::max(0.0, month.open.toDouble()) * scale);
            painter.fillRect(QRect(area.left(), area.bottom() - paid, area.width(), paid), Paid);
            painter.fillRect(QRect(area.left(), area.bottom() - paid - open, area.width(), open), Open);
        }
        painter.setPen(Qt::black);
        painter.drawText(QRect(area.left() - 8, area.bottom() + 1, area.width() + 16, LabelHeight), Qt::AlignCenter,
                         month.month.toString(QStringLiteral("MM.yy")));
    }
    painter.drawText(rect().adjusted(4, 2, -4, 0), Qt::AlignRight | Qt::AlignTop, selectorText(m_currency));
}

void MonthChart::mousePressEvent(QMouseEvent *event)
{
    const std::optional<QDate> month = monthAt(event->position().toPoint());
    if (month && MonthClicked)
        MonthClicked(*month);
}
