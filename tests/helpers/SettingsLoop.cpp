// settings_loop_helper <settings file> <first number> <count>
// Saves the settings file over and over, each time with the number in every
// item, and prints the number of every save that has returned. The kill test
// stops it half-way; the full-disk test expects its first save to fail.

#include "common/Failure.h"
#include "lines/SettingsFile.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 4)
        return 2;
    QTextStream out(stdout);
    try {
        const int from = arguments[2].toInt();
        const int count = arguments[3].toInt();
        for (int i = from; i < from + count; ++i) {
            const QString n = QString::number(i);
            SettingsFile::save(arguments[1], {n + u'%', QStringLiteral("Фактура ") + n,
                                              QStringLiteral("Оригинал ") + n, QStringLiteral("В брой ") + n,
                                              QString(i % 300, u'Ж') + n});
            out << i << Qt::endl;
        }
    } catch (const Failure &failure) {
        QTextStream(stderr) << failure.text() << Qt::endl;
        return 1;
    }
    return 0;
}
