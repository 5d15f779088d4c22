#include "platform/SizedIcon.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace {

class SizedIconEngine final : public QIconEngine {
public:
    SizedIconEngine(const QString &pathPattern, QList<int> sides)
        : m_pathPattern(pathPattern), m_sides(std::move(sides))
    {
        std::sort(m_sides.begin(), m_sides.end());
    }

    QIconEngine *clone() const override { return new SizedIconEngine(*this); }
    QString key() const override { return QStringLiteral("SizedIconEngine"); }
    bool isNull() override { return m_sides.isEmpty(); }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (const int side : m_sides)
            sizes.append(QSize(side, side));
        return sizes;
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = sideFor(size);
        return QSize(side, side).scaled(size.boundedTo(QSize(side, side)), Qt::KeepAspectRatio);
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State) override
    {
        if (m_sides.isEmpty() || size.isEmpty())
            return {};
        QPixmap pixmap = read(sideFor(size));
        if (pixmap.width() > size.width() || pixmap.height() > size.height())
            pixmap = pixmap.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (mode == QIcon::Normal || !qobject_cast<QApplication *>(QCoreApplication::instance()))
            return pixmap;
        QStyleOption option;
        option.palette = QApplication::palette();
        return QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device()->devicePixelRatio();
        painter->drawPixmap(rect, pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state));
    }

private:
    // The smallest side that covers the size asked for, else the largest.
    int sideFor(const QSize &size) const
    {
        const int wanted = std::max(size.width(), size.height());
        const auto covering = std::lower_bound(m_sides.cbegin(), m_sides.cend(), wanted);
        return covering == m_sides.cend() ? m_sides.last() : *covering;
    }

    QPixmap read(int side)
    {
        const auto kept = m_read.constFind(side);
        if (kept != m_read.cend())
            return *kept;
        const QString path = m_pathPattern.arg(side);
        // The format is the file's own suffix: no plugin is asked to guess.
        QImageReader reader(path, QFileInfo(path).suffix().toLatin1());
        reader.setAutoDetectImageFormat(false);
        const QPixmap pixmap = QPixmap::fromImage(reader.read());
        m_read.insert(side, pixmap);
        return pixmap;
    }

    QString m_pathPattern;
    QList<int> m_sides;
    QHash<int, QPixmap> m_read;
};

} // namespace

QIcon sizedIcon(const QString &pathPattern, const QList<int> &sides)
{
    return QIcon(new SizedIconEngine(pathPattern, sides));
}
