#pragma once

#include "print/PrintRules.h"

#include <QImage>
#include <QRect>
#include <QString>

class QPrinter;
class QWidget;

// The picture of the document page and what becomes of it: the archive
// image, the PDF copy and the printed page.

// The widget with its visible children, drawn at its own size.
QImage capturePage(QWidget *page);

// The captured page reduced to 8 bits per pixel without dithering, then held
// at the depth asked for: Indexed8 with a palette of 256 entries for 8,
// RGB32 for 24 and 32 bits. The palette holds the page's own white, greys
// and black exactly, and its other colours exactly when they fit; otherwise
// they go to the nearest colour of an even colour cube in the entries left.
QImage archivePicture(const QImage &captured, int depth);

// The picture as the bytes of a Windows bitmap of that depth; see windowsBitmap().
QByteArray archiveImageBytes(const QImage &picture, int depth);

// Saves the picture as a Windows bitmap of that depth, replacing a file of
// the same name; see writeFileReplacing().
void saveArchiveImage(const QImage &picture, int depth, const QString &path);

// The page as an A4 PDF with real text, scaled to fit with its proportions
// kept. The PDF's properties tell the document; without them its title is
// the given name.
QByteArray pdfCopyBytes(QWidget *page, const QString &title, const PrintRules::PdfInfo &info = {});

// Writes the PDF copy of the page, replacing a file of the same name.
void savePdfCopy(QWidget *page, const QString &path, const PrintRules::PdfInfo &info = {});

// Prints the picture stretched over the target rectangle as one page. A job
// that the printer or the print system refused throws a Failure with the
// system's reason.
void printStretched(QPrinter &printer, const QImage &picture, const QRect &target);
