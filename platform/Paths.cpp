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
#ifdef Q_OS_WIN
    return QStringLiteral("C:/Program Files/Bilvaro 2007");
#else
    return QCoreApplication::applicationDirPath();
#endif
}
