#pragma once

#include <QFrame>
#include <QLabel>
#include <QTableView>

class QTableWidget;

// Fills a widget's background with a colour of its own.
void fillBackground(QWidget *widget, const QColor &colour);

// Sets the cell sizes of a grid in the form's measures: widths and height
// without the 1-pixel grid line, which Qt draws inside each cell.
void setCellSizes(QTableView *grid, const QList<int> &columnWidths, int rowHeight);

// Sets a grid's height so that it shows all of its rows and no more.
void FitGridHeight(QTableWidget *grid);

// A label that sizes itself to its text, as the page layout expects: as wide
// as its widest line and as high as its lines. Its text is always plain, so
// "&" and "<" show as they are. setText() hides QLabel::setText on purpose:
// every caller holds the label by this type.
class AutoSizeLabel : public QLabel {
    Q_OBJECT
public:
    explicit AutoSizeLabel(const QString &text, QWidget *parent);
    void setText(const QString &text);
    void setFont(const QFont &font);
    // Width in pixels of the caption's last line in the label's own font.
    int lastLineWidth() const;

private:
    void fitText();
};

// A panel that sizes itself to its visible children. It refits when one of
// its self-sizing labels changes text; code that moves, shows or hides a
// child calls fitContents(). Qt delivers no move or resize events to hidden
// windows, so the refit is explicit rather than event-driven.
class AutoSizePanel : public QFrame {
    Q_OBJECT
public:
    explicit AutoSizePanel(QWidget *parent);
    void fitContents();

Q_SIGNALS:
    // The panel's size changed through fitContents().
    void contentsResized();
};
