// shell_probe [arguments...]
// Started by the shell in the Windows shell test: writes its own file name,
// its current directory and its arguments, one per line, to the file named
// by BILVARO_PROBE_OUT.

#include <QCoreApplication>
#include <QDir>
#include <QFile>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QFile out(qEnvironmentVariable("BILVARO_PROBE_OUT"));
    if (!out.open(QIODevice::WriteOnly))
        return 1;
    QStringList lines = {QCoreApplication::applicationFilePath(), QDir::currentPath()};
    lines += QCoreApplication::arguments().mid(1);
    out.write(lines.join(u'\n').toUtf8());
    return 0;
}
