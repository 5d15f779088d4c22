#include "app/Leftovers.h"

#include "common/Logging.h"
#include "platform/Executable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QDateTime ProgramStart = QDateTime::currentDateTimeUtc();

// A whole file name: `name` followed by QSaveFile's suffix for its temporary
// file ("." and six letters or digits), or by `suffix` when one is given.
QRegularExpression leftoverName(const QString &name, const QString &suffix = QStringLiteral("\\.[A-Za-z0-9]{6}"))
{
    return QRegularExpression(QRegularExpression::anchoredPattern(name + suffix));
}

const QRegularExpression &settingsLeftover()
{
    static const QRegularExpression pattern = leftoverName(QStringLiteral("mem\\.txt"));
    return pattern;
}

// The archive images and their PDF copies: "InvFirm3_0000000042_.bmp",
// "ProformFirm1_0000000007_copy.pdf".
const QRegularExpression &archiveLeftover()
{
    static const QRegularExpression pattern =
        leftoverName(QStringLiteral("(Inv|Proform)Firm[0-9]+_.*_(copy)?\\.(bmp|pdf)"));
    return pattern;
}

// The update's staged program (StagedExecutable).
const QRegularExpression &stagedProgramLeftover()
{
    static const QRegularExpression pattern =
        leftoverName(QRegularExpression::escape(executableFileName()), QStringLiteral("\\.[0-9a-f]{1,8}\\.new"));
    return pattern;
}

void removeFrom(const QString &folder, const QRegularExpression &leftover, const QDateTime &before)
{
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &file : files) {
        if (!leftover.match(file.fileName()).hasMatch() || file.lastModified() >= before)
            continue;
        if (!QFile::remove(file.filePath()))
            qCWarning(lcApp, "a leftover temporary file could not be removed: %s", qPrintable(file.filePath()));
    }
}

} // namespace

QDateTime programStartTime() { return ProgramStart; }

void removeWriterLeftovers(const QString &startFolder, const QString &installFolder, const QDateTime &before)
{
    removeFrom(startFolder, settingsLeftover(), before);
    removeFrom(installFolder, stagedProgramLeftover(), before);
    removeFrom(QDir(installFolder).filePath(QStringLiteral("DB")), archiveLeftover(), before);
}
