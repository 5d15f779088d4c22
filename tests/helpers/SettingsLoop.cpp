// settings_loop_helper <settings file> <first number> <count>
// Saves the settings file over and over, each time with the number in every
// item, and prints the number of every save that has returned. The kill test
// stops it half-way; the full-disk test expects its first save to fail.

#include "lines/SettingsFile.h"
#include "WriteLoop.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    return runWriteLoop(arguments, 4, [] {}, [&](int i) {
        const QString n = QString::number(i);
        SettingsFile::save(arguments[1], {n + u'%', QStringLiteral("Фактура ") + n, QStringLiteral("Оригинал ") + n,
                                          QStringLiteral("В брой ") + n, QString(i % 300, u'Ж') + n});
        return true;
    });
}
