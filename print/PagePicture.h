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

// The captured page reduced to 8 bits per pixel (Qt's palette and
// dithering), then held at the depth asked for: Indexed8 with a palette of
// 256 entries for 8, RGB32 for 24 and 32 bits.
QImage archivePicture(const QImage &captured, int depth);

// Saves the picture as a Windows bitmap of that depth, replacing a file of
// the same name; see windowsBitmap() and writeFileReplacing().
void saveArchiveImage(const QImage &picture, int depth, const QString &path);

// Writes the page as an A4 PDF with real text, scaled to fit with its
// proportions kept, replacing a file of the same name. The PDF's properties
// tell the document; without them its title is the file's name.
void savePdfCopy(QWidget *page, const QString &path, const PrintRules::PdfInfo &info = {});

// Prints the picture stretched over the target rectangle as one page.
void printStretched(QPrinter &printer, const QImage &picture, const QRect &target);
