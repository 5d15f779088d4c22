#include "register/StatementPdf.h"

#include "common/Failure.h"
#include "platform/Fonts.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace {

QStringList companyLines(const InvoiceSupplier &company)
{
    QStringList lines{company.party.name};
    if (!company.nameSecondLine.trimmed().isEmpty())
        lines << company.nameSecondLine;
    lines << company.party.address.split(u'\n');
    if (!company.party.eik.trimmed().isEmpty())
        lines << QStringLiteral("ЕИК %1").arg(company.party.eik.trimmed());
    if (!company.party.vatNumber.trimmed().isEmpty())
        lines << QStringLiteral("ИН по ЗДДС BG%1").arg(company.party.vatNumber.trimmed());
    lines.removeAll(QString());
    return lines;
}

} // namespace

QByteArray statementPdf(const ClientStatement &statement, const QImage &logo)
{
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                     QPageLayout::Millimeter));
    writer.setResolution(300);
    writer.setTitle(statementFileName(statement).chopped(4));
    writer.setCreator(QStringLiteral("BILVARO 2007"));
    QPainter painter;
    if (!painter.begin(&writer))
        throw Failure(QStringLiteral("Извлечението не може да бъде създадено."));
    const QRect area = painter.viewport();
    const int lineHeight = 60;  // 5 mm at 300 dpi
    painter.setFont(pixelFont(QStringLiteral("Arial"), 40));
    int y = 0;
    if (!logo.isNull()) {
        const QImage scaled = logo.scaled(600, 300, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        painter.drawImage(QPoint(0, 0), scaled);
        y = scaled.height() + lineHeight / 2;
    }
    const QStringList company = companyLines(statement.company);
    for (int i = 0; i < company.size(); ++i)
        painter.drawText(QRect(area.width() / 2, i * lineHeight, area.width() / 2, lineHeight),
                         Qt::AlignRight | Qt::AlignVCenter, company[i]);
    y = std::max(y, int(company.size()) * lineHeight) + lineHeight;
    const QStringList lines = statementLines(statement);
    for (int i = 0; i < lines.size(); ++i) {
        if (y + 2 * lineHeight > area.height()) {
            writer.newPage();
            y = 0;
        }
        QFont font = pixelFont(QStringLiteral("Arial"), i == 0 ? 56 : 40, i == 0);
        painter.setFont(font);
        const QRect box(0, y, area.width(), i == 0 ? lineHeight * 3 / 2 : 2 * lineHeight);
        const QRect used = painter.boundingRect(box, Qt::TextWordWrap | (i == 0 ? Qt::AlignHCenter : Qt::AlignLeft),
                                                lines[i]);
        painter.drawText(box, Qt::TextWordWrap | (i == 0 ? Qt::AlignHCenter : Qt::AlignLeft), lines[i]);
        y += std::max(lineHeight, used.height() + lineHeight / 4);
    }
    painter.end();
    return pdf;
}
