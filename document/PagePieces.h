#pragma once

#include <QIcon>
#include <QList>
#include <QRect>

class QFrame;
class QLabel;
class QTableWidget;
class QWidget;

// The drawn pieces of the invoice page: rules, the logo box, grid lines and
// the small pictures of the document window.

// A raised rule: a line along the bottom edge of its box.
QFrame *newRule(QWidget *parent, QRect geometry);

// A picture box that shrinks a larger picture to fit, keeping its
// proportions, and centres it; the page shows through around it.
QLabel *newFittedPicture(QWidget *parent, QRect geometry);

enum class GridLines {
    ColumnsAndHeading,  // lines after every column and under row 0 only
    AllCells,           // lines after every column and every row
};

// A page grid: no headers of Qt's own (row 0 is the heading row), no scroll
// bars, white cells, a thin frame, and the column widths and row height as the
// form gives them.
void setUpPageGrid(QTableWidget *grid, const QList<int> &widths, int rowHeight, GridLines lines);

// The heading rows at the top of a page grid, which get the line under them;
// a page grid starts with one.
void setFixedRows(QTableWidget *grid, int rows);
int fixedRows(const QTableWidget *grid);

QIcon printerPicture();      // 16 x 16
QIcon newPagePicture();      // 16 x 16
QIcon documentPicture();     // 32 x 32, the window icon
