#include "print/PrintRules.h"

#include "common/Failure.h"
#include "document/FieldRules.h"
#include "reference/Schema.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace PrintRules {

namespace {

bool isProforma(const QString &documentKind)
{
    return numberSeries(documentKindOf(documentKind)) == NumberSeries::Proforma;
}

QString noteCaption(NoteKind kind)
{
    switch (kind) {
    case NoteKind::Credit: return QStringLiteral("Кредитно известие");
    case NoteKind::Debit: return QStringLiteral("Дебитно известие");
    case NoteKind::None: break;
    }
    return QString();
}

} // namespace

QString archiveFileName(const QString &folder, const QString &documentKind, int firmRecNo,
                        const QString &number, const QString &mode)
{
    const bool digits = !number.isEmpty()
        && std::all_of(number.cbegin(), number.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!digits)
        throw Failure(QStringLiteral("Номерът на документа „%1“ не е цяло число.").arg(number));
    const QString kind = isProforma(documentKind) ? QStringLiteral("Proform") : QStringLiteral("Inv");
    const QString suffix = mode == Copy ? QStringLiteral("copy") : QString();
    return folder + kind + QStringLiteral("Firm") + QString::number(firmRecNo) + u'_' + number + u'_'
        + suffix + QStringLiteral(".bmp");
}

QString distinctArchiveFileName(const QString &firstName, const QString &companyTag, int attempt)
{
    const QFileInfo file(firstName);
    QString name = file.completeBaseName() + u'_' + companyTag;
    if (attempt > 1)
        name += u'-' + QString::number(attempt);
    return file.dir().filePath(name + u'.' + file.suffix());
}

QString archiveFileTakenMessage(const QString &path)
{
    return QStringLiteral("Архивният файл „%1“ е на друг документ и не се заменя; документът не е отпечатан.")
        .arg(QDir::toNativeSeparators(path));
}

QString companyTag(const QString &companyKey)
{
    const bool digits = !companyKey.isEmpty()
        && std::all_of(companyKey.cbegin(), companyKey.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (digits)
        return companyKey;
    const QByteArray hash = QCryptographicHash::hash(companyKey.toUtf8(), QCryptographicHash::Sha256);
    return u'N' + QString::fromLatin1(hash.toHex().left(10));
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

PdfInfo pdfInfo(const Invoice &invoice)
{
    PdfInfo info;
    info.title = invoice.heading + QStringLiteral(" № ") + invoice.number + QStringLiteral(" / ") + invoice.issueDate;
    if (invoice.note.kind != NoteKind::None)
        info.title += QStringLiteral(" – ") + noteCaption(invoice.note.kind);
    info.author = invoice.supplier.party.name;
    info.subject = invoice.client.name + QStringLiteral(", ") + totalCaption(invoice.totals.total) + u' '
        + totalsSign(invoice.currency);
    return info;
}

QByteArray pdfXmp(const PdfInfo &info)
{
    const auto alt = [](const QString &text) {
        return QStringLiteral("<rdf:Alt><rdf:li xml:lang=\"x-default\">%1</rdf:li></rdf:Alt>").arg(text.toHtmlEscaped());
    };
    return QStringLiteral(
               "<?xpacket begin=\"\xfeff\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
               "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">"
               "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
               "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
               "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">"
               "<dc:title>%1</dc:title>"
               "<dc:creator><rdf:Seq><rdf:li>%2</rdf:li></rdf:Seq></dc:creator>"
               "<dc:description>%3</dc:description>"
               "<xmp:CreatorTool>BILVARO 2007</xmp:CreatorTool>"
               "</rdf:Description></rdf:RDF></x:xmpmeta>\n"
               "<?xpacket end=\"w\"?>")
        .arg(alt(info.title), info.author.toHtmlEscaped(), alt(info.subject))
        .toUtf8();
}

QString recordedNumber(const QString &numberText)
{
    bool ok = false;
    const qlonglong number = numberText.trimmed().toLongLong(&ok);
    if (!ok || number < 0)
        throw Failure(QStringLiteral("Номерът на документа „%1“ не е цяло число.").arg(numberText));
    return QStringLiteral("%1").arg(number, 10, 10, QLatin1Char('0'));
}

std::optional<QString> emptyDocumentRefusal(const QString &clientName, int lineCount)
{
    // The empty name field shows a dotted line.
    const bool named = std::any_of(clientName.cbegin(), clientName.cend(), [](QChar c) { return c.isLetterOrNumber(); });
    if (!named)
        return QStringLiteral("Документът няма клиент и не е отпечатан. Изберете клиент от „Клиенти“ с "
                              "„Добави“ и отпечатайте отново.");
    if (lineCount < 1)
        return QStringLiteral("Документът няма нито един ред и не е отпечатан. Добавете стоки или услуги, "
                              "натиснете „Към фактурата“ и отпечатайте отново.");
    return std::nullopt;
}

std::optional<QString> negativeDocumentRefusal(const Invoice &invoice)
{
    if (invoice.kind != DocumentKind::Invoice || invoice.note.kind == NoteKind::Credit)
        return std::nullopt;
    if (invoice.totals.total >= Amount() && invoice.totals.taxBase >= Amount())
        return std::nullopt;
    return QStringLiteral("%1 не може да е с отрицателна сума и не е отпечатан%2. Намаление на сумата се оформя с "
                          "кредитно известие към фактурата.")
        .arg(invoice.note.kind == NoteKind::Debit ? QStringLiteral("Дебитното известие") : QStringLiteral("Фактурата"),
             invoice.note.kind == NoteKind::Debit ? QStringLiteral("о") : QStringLiteral("а"));
}

QString printRefusedMessage(const QString &printerName, const QString &reason)
{
    QString text = QStringLiteral("Принтерът „%1“ не прие документа и той не е отпечатан. Номерът му остава "
                                  "записан в регистъра на издадените документи: отпечатайте документа отново "
                                  "(като копие) или отпечатайте копие от „Издадени документи“.")
                       .arg(printerName);
    if (!reason.isEmpty())
        text += u'\n' + reason;
    return text;
}

} // namespace PrintRules
