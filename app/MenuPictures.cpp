#include "app/MenuPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int Side = 72;

void drawPage(QPainter &p, QColor ink)
{
    p.setBrush(Qt::white);
    p.setPen(QPen(ink, 2));
    p.drawRect(18, 8, 36, 50);
    for (int y = 18; y <= 44; y += 8)
        p.drawLine(24, y, 48, y);
}

void drawBuilding(QPainter &p)
{
    p.setBrush(QColor(120, 140, 170));
    p.setPen(QPen(QColor(40, 50, 70), 2));
    p.drawRect(16, 10, 40, 54);
    p.setBrush(QColor(250, 230, 140));
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 3; ++column)
            p.drawRect(21 + column * 12, 16 + row * 11, 6, 6);
}

void drawBank(QPainter &p)
{
    p.setPen(QPen(QColor(90, 60, 20), 2));
    p.setBrush(QColor(220, 190, 110));
    p.drawPolygon(QPolygon({QPoint(8, 24), QPoint(36, 6), QPoint(64, 24)}));
    for (int x = 14; x <= 54; x += 13)
        p.drawRect(x, 28, 6, 28);
    p.drawRect(8, 58, 56, 6);
}

void drawBox(QPainter &p)
{
    p.setPen(QPen(QColor(100, 60, 20), 2));
    p.setBrush(QColor(210, 160, 90));
    p.drawPolygon(QPolygon({QPoint(10, 24), QPoint(36, 14), QPoint(62, 24), QPoint(36, 34)}));
    p.setBrush(QColor(180, 125, 60));
    p.drawPolygon(QPolygon({QPoint(10, 24), QPoint(36, 34), QPoint(36, 64), QPoint(10, 54)}));
    p.setBrush(QColor(150, 100, 45));
    p.drawPolygon(QPolygon({QPoint(62, 24), QPoint(36, 34), QPoint(36, 64), QPoint(62, 54)}));
}

void drawClients(QPainter &p)
{
    p.setPen(QPen(QColor(30, 60, 30), 2));
    for (const auto &[x, colour] : {std::pair{22, QColor(90, 160, 90)}, std::pair{46, QColor(70, 130, 200)}}) {
        p.setBrush(colour);
        p.drawEllipse(QPoint(x, 22), 9, 9);
        p.drawRoundedRect(x - 13, 34, 26, 28, 8, 8);
    }
}

void drawTable(QPainter &p)
{
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(Qt::white);
    p.drawRect(8, 12, 56, 48);
    p.fillRect(9, 13, 55, 10, QColor(120, 160, 220));
    for (int y = 23; y < 60; y += 9)
        p.drawLine(8, y, 64, y);
    for (int x : {20, 46})
        p.drawLine(x, 12, x, 60);
}

void drawArrow(QPainter &p, QColor colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygon({QPoint(34, 48), QPoint(50, 48), QPoint(50, 40), QPoint(66, 54),
                            QPoint(50, 68), QPoint(50, 60), QPoint(34, 60)}));
}

void drawPrinter(QPainter &p)
{
    p.setPen(QPen(QColor(50, 50, 50), 2));
    p.setBrush(Qt::white);
    p.drawRect(20, 6, 32, 22);
    p.setBrush(QColor(150, 150, 160));
    p.drawRoundedRect(8, 26, 56, 26, 5, 5);
    p.setBrush(Qt::white);
    p.drawRect(20, 44, 32, 22);
    p.setBrush(QColor(60, 200, 60));
    p.drawEllipse(QPoint(56, 34), 3, 3);
}

void drawPlus(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 160, 40));
    p.drawEllipse(QPoint(52, 52), 14, 14);
    p.setBrush(Qt::white);
    p.drawRect(44, 50, 16, 4);
    p.drawRect(50, 44, 4, 16);
}

void drawUpdate(QPainter &p)
{
    p.setPen(QPen(QColor(30, 110, 200), 7, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRect(14, 14, 44, 44), 30 * 16, 150 * 16);
    p.drawArc(QRect(14, 14, 44, 44), 210 * 16, 150 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 110, 200));
    p.drawPolygon(QPolygon({QPoint(52, 14), QPoint(64, 30), QPoint(46, 30)}));
    p.drawPolygon(QPolygon({QPoint(20, 58), QPoint(8, 42), QPoint(26, 42)}));
}

// A box with a page going into it.
void drawBackup(QPainter &p)
{
    drawBox(p);
    p.setPen(QPen(QColor(40, 40, 120), 2));
    p.setBrush(Qt::white);
    p.drawRect(26, 2, 20, 22);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 160, 40));
    p.drawPolygon(QPolygon({QPoint(32, 8), QPoint(40, 8), QPoint(40, 16), QPoint(46, 16), QPoint(36, 28),
                            QPoint(26, 16), QPoint(32, 16)}));
}

} // namespace

QIcon menuPicture(MenuPicture picture)
{
    QPixmap pixmap(Side, Side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (picture) {
    case MenuPicture::OwnCompanies: drawBuilding(p); break;
    case MenuPicture::BankAccounts: drawBank(p); break;
    case MenuPicture::Goods: drawBox(p); break;
    case MenuPicture::Clients: drawClients(p); break;
    case MenuPicture::Table: drawTable(p); break;
    case MenuPicture::ToInvoice: drawPage(p, QColor(40, 40, 120)); drawArrow(p, QColor(220, 120, 20)); break;
    case MenuPicture::PrintAndSave: drawPrinter(p); break;
    case MenuPicture::NewInvoice: drawPage(p, QColor(40, 120, 40)); drawPlus(p); break;
    case MenuPicture::Update: drawUpdate(p); break;
    case MenuPicture::IssuedDocuments: drawPage(p, QColor(120, 80, 20)); break;
    case MenuPicture::Backup: drawBackup(p); break;
    }
    return QIcon(pixmap);
}
