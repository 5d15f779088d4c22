#pragma once

#include "document/Invoice.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

// The plain rules of the print command: where the archive image goes, how
// the page is placed on the printer, which colour depth is kept, and the
// number written back into the own company's record.
namespace PrintRules {

inline const QString Original = QStringLiteral("Оригинал");
inline const QString Copy = QStringLiteral("Копие");

// The archive image's full name: the folder, "Proform" or "Inv", "Firm", the
// own company's record number, "_", the document number, "_", "" for the
// original or "copy" for the copy, ".bmp". Nothing is added between folder
// and name: the folder ends with its separator. The number must be digits
// only (as recordedNumber() gives it), so that no name can leave the folder;
// anything else throws a Failure.
QString archiveFileName(const QString &folder, const QString &documentKind, int firmRecNo,
                        const QString &number, const QString &mode);

// The name a page gets when its first name is taken (another document's
// row records it, or a file with another picture is there): the company's
// tag added before the extension ("InvFirm1_0000000042__123456789.bmp"), and
// "-2", "-3", … after it for the next attempts.
QString distinctArchiveFileName(const QString &firstName, const QString &companyTag, int attempt = 1);

// The own company (its key, as IssuedRules::companyKey) in an archive name:
// the key where it is the digits of an ЕИК, else "N" and ten hex digits of
// the key's SHA-256, so that a name never leads out of its folder.
QString companyTag(const QString &companyKey);

// Why a page is not written over a file at its name: the file belongs to
// another document.
QString archiveFileTakenMessage(const QString &path);

// The PDF copy beside an archive image: the same name ending in ".pdf".
QString pdfCopyFileName(const QString &archiveFileName);

// The left edge of the printed picture: a hundredth of the page width, truncated.
int leftMargin(int pageWidth);

// The colour depth of the archive image for the text of the depth box: 8, 24
// or 32 bits per pixel; a text that names none of them gives 8.
int archiveDepth(const QString &depthText);

// The own-company column that keeps the last number of this document kind:
// "Проформа №" for a proforma, "Фактура №" for any other.
QString numberColumn(const QString &documentKind);

// The document number as it is written back: read as a whole number and
// zero-padded to ten digits (a longer number stays whole). Throws a Failure
// when the text is not a whole number.
QString recordedNumber(const QString &numberText);

// What the PDF copy tells of itself: the title (heading, number, date and
// the note kind), the author (the own company) and the subject (the client
// and the amount due).
struct PdfInfo {
    QString title;
    QString author;
    QString subject;
};
PdfInfo pdfInfo(const Invoice &invoice);
// The same as XMP metadata, which PDF readers show as the document's properties.
QByteArray pdfXmp(const PdfInfo &info);
// Why a page cannot be issued: no client name (an empty or dotted name
// field) or no line; nothing when it can.
std::optional<QString> emptyDocumentRefusal(const QString &clientName, int lineCount);
// Why an invoice or a debit note with a negative total cannot be issued: a
// reduction is a credit note. Nothing for any other document.
std::optional<QString> negativeDocumentRefusal(const Invoice &invoice);

// What the user is told when the print system refused the job, with the
// system's own reason when it gave one.
QString printRefusedMessage(const QString &printerName, const QString &reason);

} // namespace PrintRules
