#include "platform/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace PrivateFiles {

bool makeFolder(const QString &path)
{
    const bool existed = QFileInfo(path).isDir();
    if (!QDir().mkpath(path))
        return false;
#ifndef Q_OS_WIN
    if (!existed)
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
#endif
    return true;
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
