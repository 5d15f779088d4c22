#include "platform/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace PrivateFiles {

bool makeFolder(const QString &path)
{
#ifdef Q_OS_WIN
    return QDir().mkpath(path);
#else
    const bool existed = QFileInfo(path).isDir();
    if (!QDir().mkpath(path))
        return false;
    if (!existed)
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
#endif
}

void restrict(const QString &path)
{
#ifndef Q_OS_WIN
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
#else
    Q_UNUSED(path);
#endif
}

} // namespace PrivateFiles
