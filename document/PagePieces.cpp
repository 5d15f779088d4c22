#include "document/PagePieces.h"
#include "platform/Widgets.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <functional>

namespace {

const QColor RuleColour(128, 128, 128);
const QColor Silver(192, 192, 192);

class Rule : public QFrame {
public:
    Rule(QWidget *parent, QRect geometry) : QFrame(parent)
    {
        setFrameShape(QFrame::NoFrame);
        setGeometry(geometry);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setPen(RuleColour);
        painter.drawLine(0, height() - 1, width() - 1, height() - 1);
    }
};

class FittedPicture : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        const QPixmap picture = pixmap();
        if (picture.isNull()) {
            QLabel::paintEvent(event);
            return;
        }
        QSize size = picture.size();
        if (size.width() > width() || size.height() > height())
            size.scale(this->size(), Qt::KeepAspectRatio);
        QRect target(QPoint(0, 0), size);
        target.moveCenter(rect().center());
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(target, picture);
    }
};

// Qt's own grid lines follow the style's light grey; the page draws black ones.
class GridLinesDelegate : public QStyledItemDelegate {
public:
    GridLinesDelegate(GridLines lines, QObject *parent) : QStyledItemDelegate(parent), m_lines(lines) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(Qt::black);
        const QRect cell = option.rect;
        const auto *grid = static_cast<const QTableWidget *>(parent());
        // The frame closes the last column and the last row: a line of their
        // own a few pixels before the frame would look doubled. A line under
        // a row runs on to the frame.
        const bool lastColumn = index.column() == grid->columnCount() - 1;
        const bool lastRow = index.row() == grid->rowCount() - 1;
        if (!lastColumn)
            painter->drawLine(cell.topRight(), cell.bottomRight());
        const int right = lastColumn ? grid->viewport()->width() - 1 : cell.right();
        if ((m_lines == GridLines::AllCells && !lastRow) || index.row() < fixedRows(grid))
            painter->drawLine(cell.left(), cell.bottom(), right, cell.bottom());
        painter->restore();
    }

private:
    GridLines m_lines;
};

QIcon drawnIcon(int size, const std::function<void(QPainter &)> &draw)
{
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    draw(painter);
    return QIcon(picture);
}

} // namespace

QFrame *newRule(QWidget *parent, QRect geometry) { return new Rule(parent, geometry); }

QLabel *newFittedPicture(QWidget *parent, QRect geometry)
{
    auto *picture = new FittedPicture(parent);
    picture->setGeometry(geometry);
    return picture;
}

void setUpPageGrid(QTableWidget *grid, const QList<int> &widths, int rowHeight, GridLines lines)
{
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    setCellSizes(grid, widths, rowHeight);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setFrameShape(QFrame::Box);
    grid->setFrameShadow(QFrame::Plain);
    grid->setLineWidth(1);
    grid->setShowGrid(false);
    grid->setTextElideMode(Qt::ElideNone);
    grid->setWordWrap(false);  // a text wider than its cell is cut, on one line
    grid->setItemDelegate(new GridLinesDelegate(lines, grid));
    setFixedRows(grid, 1);
    QPalette palette = grid->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Text, Qt::black);
    grid->setPalette(palette);
}

QIcon printerPicture()
{
    return drawnIcon(16, [](QPainter &p) {
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(4, 1, 7, 5);
        p.setBrush(QColor(160, 160, 160));
        p.drawRect(1, 6, 13, 6);
        p.setBrush(Qt::white);
        p.drawRect(4, 10, 7, 4);
        p.setPen(QColor(0, 160, 0));
        p.drawPoint(12, 8);
    });
}

QIcon newPagePicture()
{
    return drawnIcon(16, [](QPainter &p) {
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(3, 1, 10, 13);
        p.setPen(QColor(0, 0, 160));
        for (int y = 4; y <= 10; y += 3)
            p.drawLine(5, y, 11, y);
    });
}

QIcon documentPicture()
{
    return drawnIcon(32, [](QPainter &p) {
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(6, 1, 20, 29);
        p.setBrush(Silver);
        p.drawRect(9, 4, 14, 3);
        p.setPen(QColor(0, 0, 128));
        for (int y = 11; y <= 23; y += 3)
            p.drawLine(9, y, 23, y);
    });
}

void setFixedRows(QTableWidget *grid, int rows) { grid->setProperty("fixedRows", rows); }

int fixedRows(const QTableWidget *grid) { return grid->property("fixedRows").toInt(); }
