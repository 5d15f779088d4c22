// install_loop_helper <target> <program A> <program B> <first number> <count>
// Installs program A (even numbers) or B (odd numbers) over the target as
// the update does: written in blocks beside it, synced, moved in place with
// the previous one kept as <target>old. Prints every number whose install
// has returned. The kill test stops it half-way.

#include "update/ExecutableInstall.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 6)
        return 2;
    QByteArray programs[2];
    for (int i = 0; i < 2; ++i) {
        QFile file(arguments[2 + i]);
        if (!file.open(QIODevice::ReadOnly))
            return 2;
        programs[i] = file.readAll();
    }
    QTextStream out(stdout);
    const QString target = arguments[1];
    const int from = arguments[4].toInt();
    const int count = arguments[5].toInt();
    for (int i = from; i < from + count; ++i) {
        const QByteArray &program = programs[i % 2];
        StagedExecutable staged(target);
        if (!staged.open())
            return 1;
        for (qsizetype at = 0; at < program.size(); at += 1024) {
            if (!staged.append(QByteArrayView(program).sliced(at, qMin<qsizetype>(1024, program.size() - at))))
                return 1;
        }
        if (staged.finish() != QByteArrayView(program) || !staged.install(target + QStringLiteral("old")))
            return 1;
        out << i << Qt::endl;
    }
    return 0;
}
