#pragma once

#include "document/Invoice.h"

#include <QByteArray>
#include <QString>

// The plain rules of the print command: where the archive image goes, how
// the page is placed on the printer, which colour depth is kept, and the
// number written back into the own company's record.
namespace PrintRules {

inline const QString Original = QStringLiteral("Оригинал");
inline const QString Copy = QStringLiteral("Копие");

// The archive image's full name: the folder, "Proform" or "Inv", "Firm", the
// own company's record number, "_", the document number, "_", "" for the
// original or "copy" for the copy, ".bmp". Nothing is added between folder
// and name: the folder ends with its separator.
QString archiveFileName(const QString &folder, const QString &documentKind, int firmRecNo,
                        const QString &number, const QString &mode);

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

} // namespace PrintRules
