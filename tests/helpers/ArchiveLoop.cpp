// archive_loop_helper <folder> <first number> <count>
// Saves a page as the archive image Inv.bmp and its PDF copy Inv.pdf in the
// folder, over and over, as printing does: the page shows "Фактура <n>" and
// is 150 + n % 50 pixels wide and 60 high (an 8-bit image of it is smaller
// than a write buffer), the depth goes round 8, 24, 32. Prints every
// number whose image and copy have both been written. The kill test stops it
// half-way.

#include "print/PagePicture.h"
#include "WriteLoop.h"

#include <QApplication>
#include <QDir>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const int depths[] = {8, 24, 32};
    QLabel page;
    page.setAutoFillBackground(true);
    return runWriteLoop(arguments, 4, [] {}, [&](int i) {
        const QDir folder(arguments[1]);
        page.setText(QStringLiteral("Фактура %1").arg(i));
        page.resize(150 + i % 50, 60);
        const int depth = depths[i % 3];
        saveArchiveImage(archivePicture(capturePage(&page), depth), depth, folder.filePath(QStringLiteral("Inv.bmp")));
        savePdfCopy(&page, folder.filePath(QStringLiteral("Inv.pdf")));
        return true;
    });
}
