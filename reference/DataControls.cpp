#include "reference/DataControls.h"

#include "reference/TableStore.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>

// ------------------------------------------------------------------ WidthLimitedDelegate

QWidget *WidthLimitedDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                            const QModelIndex &index) const
{
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (line && m_table->isActive()) {
        if (const int width = m_table->fieldWidth(index.column()); width > 0)
            line->setMaxLength(width);
    }
    return editor;
}

// ------------------------------------------------------------------ DBGrid

void DBGrid::commitOpenEditor()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    if (QWidget *editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

// ------------------------------------------------------------------ DBNavigator

DBNavigator::DBNavigator(QWidget *parent) : QWidget(parent)
{
    const auto button = [this](const QIcon &icon, const QString &text, const QString &hint) {
        auto *button = new QToolButton(this);
        button->setIcon(icon);
        button->setText(text);
        button->setToolTip(hint);
        return button;
    };
    First = button(style()->standardIcon(QStyle::SP_MediaSkipBackward), QString(), QStringLiteral("Начален запис"));
    Last = button(style()->standardIcon(QStyle::SP_MediaSkipForward), QString(), QStringLiteral("Последен запис"));
    Insert = button(QIcon(), QStringLiteral("+"), QStringLiteral("Добави запис"));
    Delete = button(QIcon(), QStringLiteral("−"), QStringLiteral("Изтрий запис"));
    Refresh = button(style()->standardIcon(QStyle::SP_BrowserReload), QString(), QStringLiteral("Опресняване"));
}

void DBNavigator::resizeEvent(QResizeEvent *)
{
    const QList<QToolButton *> buttons{First, Last, Insert, Delete, Refresh};
    for (int i = 0; i < buttons.size(); ++i) {
        const int left = width() * i / int(buttons.size());
        const int right = width() * (i + 1) / int(buttons.size());
        buttons[i]->setGeometry(left, 0, right - left, height());
    }
}

// ------------------------------------------------------------------ DBImage

DBImage::DBImage(QWidget *parent) : QLabel(parent)
{
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAlignment(Qt::AlignCenter);
    setCursor(Qt::PointingHandCursor);
}

void DBImage::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    if (picture.isNull()) {
        clear();
        return;
    }
    // Shown at its own size in the middle of the box, made smaller to fit.
    QPixmap shown = picture;
    if (shown.width() > width() || shown.height() > height())
        shown = shown.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    setPixmap(shown);
}

void DBImage::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}
