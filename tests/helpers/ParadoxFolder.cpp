// paradox_folder_helper <data folder>: writes the old program's four Paradox
// tables there, for the end-to-end test of moving in.
#include "support/ParadoxWriter.h"

#include <QGuiApplication>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    ParadoxWriter::OldFolder::write(QString::fromLocal8Bit(argv[1]));
    return 0;
}
