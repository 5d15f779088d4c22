// new_copy_helper: stands in for the program at "Нова фактура". Each copy
// appends its own file name and its current directory, one line in UTF-8, to
// the file named by BILVARO_PROBE_OUT. While BILVARO_PROBE_COPIES counts more
// copies to come, it starts the next one through the system shell, as the
// program does; with BILVARO_PROBE_REMOVE_SELF set it first deletes its own
// file. A copy that cannot be started prints the failure's text and the
// helper ends with 3.
#include "common/Failure.h"
#include "platform/Executable.h"
#include "platform/Shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString self = runningExecutablePath();
    QFile out(qEnvironmentVariable("BILVARO_PROBE_OUT"));
    if (!out.open(QIODevice::Append))
        return 1;
    out.write((self + u'\t' + QDir::currentPath() + u'\n').toUtf8());
    out.close();
    const int copies = qEnvironmentVariableIntValue("BILVARO_PROBE_COPIES");
    if (copies <= 0)
        return 0;
    qputenv("BILVARO_PROBE_COPIES", QByteArray::number(copies - 1));
    if (qEnvironmentVariableIsSet("BILVARO_PROBE_REMOVE_SELF") && !QFile::remove(self))
        return 1;
    try {
        shell().openNewCopy();
    } catch (const Failure &failure) {
        std::fputs(failure.text().toUtf8().constData(), stdout);
        return 3;
    }
    return 0;
}
