#include "tools/TableMaker.h"

#include "lines/SettingsFile.h"

#include <QDir>
#include <QFileInfo>

namespace TableMaker {

bool makeSettings(const QString &startFolder, Currency currency)
{
    const QString path = QDir(startFolder).filePath(QStringLiteral("mem.txt"));
    if (QFileInfo::exists(path))
        return false;
    SettingsFile::save(path, SettingsFile::defaultsIn(currency));
    return true;
}

} // namespace TableMaker
