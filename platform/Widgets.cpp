#include "platform/Widgets.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTableWidget>

void fillBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setCellSizes(QTableView *grid, const QList<int> &columnWidths, int rowHeight)
{
    constexpr int GridLine = 1;
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setDefaultSectionSize(rowHeight + GridLine);
    grid->horizontalHeader()->setMinimumSectionSize(1);
    for (int column = 0; column < columnWidths.size(); ++column)
        grid->setColumnWidth(column, columnWidths[column] + GridLine);
}

void FitGridHeight(QTableWidget *grid)
{
    // Qt draws a row's grid line inside the row, so a section is the row
    // height plus its line.
    grid->resize(grid->width(), grid->rowCount() * grid->verticalHeader()->defaultSectionSize() + 3);
}

AutoSizeLabel::AutoSizeLabel(const QString &text, QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMargin(0);
    setIndent(0);
    setText(text);
}

void AutoSizeLabel::setText(const QString &text)
{
    QLabel::setText(text);
    fitText();
}

void AutoSizeLabel::setFont(const QFont &font)
{
    QLabel::setFont(font);
    fitText();
}

int AutoSizeLabel::lastLineWidth() const
{
    const QString caption = text();
    return fontMetrics().horizontalAdvance(caption.mid(caption.lastIndexOf(u'\n') + 1));
}

void AutoSizeLabel::fitText()
{
    const QFontMetrics metrics = fontMetrics();
    const QStringList lines = text().split(u'\n');
    int width = 0;
    for (const QString &line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    resize(width, int(lines.size()) * metrics.height());
    if (auto *panel = qobject_cast<AutoSizePanel *>(parentWidget()))
        panel->fitContents();
}

AutoSizePanel::AutoSizePanel(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
}

void AutoSizePanel::fitContents()
{
    int right = 0;
    int bottom = 0;
    for (QObject *object : children()) {
        auto *child = qobject_cast<QWidget *>(object);
        if (!child || child->isHidden())
            continue;
        right = std::max(right, child->geometry().right() + 1);
        bottom = std::max(bottom, child->geometry().bottom() + 1);
    }
    const QSize fitted(right, bottom);
    if (fitted.isEmpty() || fitted == size())
        return;
    resize(fitted);
    Q_EMIT contentsResized();
}

