#include "print/PrintRules.h"

#include "common/Failure.h"
#include "reference/Schema.h"

namespace PrintRules {

bool isProforma(const QString &documentKind) { return documentKind == u"ПРОФОРМА ФАКТУРА"; }

QString archiveFileName(const QString &folder, const QString &documentKind, int firmRecNo,
                        const QString &number, const QString &mode)
{
    const QString kind = isProforma(documentKind) ? QStringLiteral("Proform") : QStringLiteral("Inv");
    const QString suffix = mode == Copy ? QStringLiteral("copy") : QString();
    return folder + kind + QStringLiteral("Firm") + QString::number(firmRecNo) + u'_' + number + u'_'
        + suffix + QStringLiteral(".bmp");
}

QString pdfCopyFileName(const QString &archiveFileName)
{
    QString name = archiveFileName;
    if (name.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive))
        name.chop(4);
    return name + QStringLiteral(".pdf");
}

int leftMargin(int pageWidth) { return pageWidth / 100; }

int archiveDepth(const QString &depthText)
{
    if (depthText == u"24 бита цвят")
        return 24;
    if (depthText == u"32 бита цвят")
        return 32;
    return 8;
}

QString numberColumn(const QString &documentKind)
{
    return isProforma(documentKind) ? Schema::Firm::LastProforma.name : Schema::Firm::LastInvoice.name;
}

QString recordedNumber(const QString &numberText)
{
    bool ok = false;
    const qlonglong number = numberText.trimmed().toLongLong(&ok);
    if (!ok || number < 0)
        throw Failure(QStringLiteral("Номерът на документа „%1“ не е цяло число.").arg(numberText));
    return QStringLiteral("%1").arg(number, 10, 10, QLatin1Char('0'));
}

} // namespace PrintRules
