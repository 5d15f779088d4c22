#pragma once

#include "register/MonthSales.h"

#include <QWidget>
#include <functional>

// Twelve months as bars: the paid part of what was sold below, the open part
// above it, the month under each bar. A click on a bar hands its month over.
class MonthChart : public QWidget {
    Q_OBJECT
public:
    explicit MonthChart(QWidget *parent = nullptr);

    void setMonths(const QList<MonthSales> &months, Currency currency);
    const QList<MonthSales> &months() const { return m_months; }
    // The month a point of the widget falls on, if any.
    std::optional<QDate> monthAt(const QPoint &point) const;

    std::function<void(const QDate &month)> MonthClicked;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QRect barArea(int index) const;

    QList<MonthSales> m_months;
    Currency m_currency = Currency::Euro;
};
