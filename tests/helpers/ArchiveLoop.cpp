// archive_loop_helper <folder> <first number> <count>
// Saves a page as the archive image Inv.bmp and its PDF copy Inv.pdf in the
// folder, over and over, as printing does: the page shows "Фактура <n>" and
// is 150 + n % 50 pixels wide and 60 high (an 8-bit image of it is smaller
// than a write buffer), the depth goes round 8, 24, 32. Prints every
// number whose image and copy have both been written. The kill test stops it
// half-way.

#include "common/Failure.h"
#include "print/PagePicture.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 4)
        return 2;
    QTextStream out(stdout);
    const QDir folder(arguments[1]);
    try {
        const int depths[] = {8, 24, 32};
        QLabel page;
        page.setAutoFillBackground(true);
        const int from = arguments[2].toInt();
        const int count = arguments[3].toInt();
        for (int i = from; i < from + count; ++i) {
            page.setText(QStringLiteral("Фактура %1").arg(i));
            page.resize(150 + i % 50, 60);
            const int depth = depths[i % 3];
            saveArchiveImage(archivePicture(capturePage(&page), depth), depth,
                             folder.filePath(QStringLiteral("Inv.bmp")));
            savePdfCopy(&page, folder.filePath(QStringLiteral("Inv.pdf")));
            out << i << Qt::endl;
        }
    } catch (const Failure &failure) {
        QTextStream(stderr) << failure.text() << Qt::endl;
        return 1;
    }
    return 0;
}
