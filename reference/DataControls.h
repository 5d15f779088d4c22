#pragma once

#include <QLabel>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QWidget>

class TableStore;

// Cell editors take no more characters than their column holds.
class WidthLimitedDelegate : public QStyledItemDelegate {
public:
    WidthLimitedDelegate(TableStore *table, QObject *parent) : QStyledItemDelegate(parent), m_table(table) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;

private:
    TableStore *m_table;
};

// The browser's grid. The buttons do not take the focus, so a cell being
// typed in keeps its text until something hands it to the table: every
// action of the browser does that first.
class DBGrid : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;
    void commitOpenEditor();
};

// The record navigator: first, last, insert, delete, refresh.
class DBNavigator : public QWidget {
    Q_OBJECT
public:
    explicit DBNavigator(QWidget *parent);
    QToolButton *First, *Last, *Insert, *Delete, *Refresh;

protected:
    void resizeEvent(QResizeEvent *event) override;
};

// The logo of the current record; a click loads another one.
class DBImage : public QLabel {
    Q_OBJECT
public:
    explicit DBImage(QWidget *parent);
    // The picture as stored, before it is fitted into the box.
    void setPicture(const QPixmap &picture);
    QPixmap picture() const { return m_picture; }

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPixmap m_picture;
};
