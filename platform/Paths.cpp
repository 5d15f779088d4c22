#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>

QString StartFolder = QDir::currentPath();

QString dataDirectory()
{
    return QDir(StartFolder).filePath(QStringLiteral("DB")) + u'/';
}

QString settingsFilePath()
{
    return QDir(StartFolder).filePath(QStringLiteral("mem.txt"));
}

QString installFolder()
{
    const QString overridden = qEnvironmentVariable("BILVARO_INSTALL_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(overridden);
    // The folder the program runs from: the per-user installation folder of
    // the Windows setup, an older one under "C:\Program Files\Bilvaro 2007"
    // where it still is, a build folder. The Debian package's launcher sets
    // BILVARO_INSTALL_DIR to the user's data folder.
    return QCoreApplication::applicationDirPath();
}
