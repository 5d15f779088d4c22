#include "register/ArchiveCheck.h"

#include "common/Failure.h"

#include <QDir>
#include <QFileInfo>

namespace ArchiveCheck {

namespace {

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Pdf:
        return QStringLiteral("PDF копие (.pdf)");
    case Kind::EInvoice:
        return QStringLiteral("е-фактура (.xml)");
    case Kind::Image:
        break;
    }
    return QStringLiteral("архивно изображение (.bmp)");
}

QString extension(Kind kind)
{
    switch (kind) {
    case Kind::Pdf:
        return QStringLiteral("pdf");
    case Kind::EInvoice:
        return QStringLiteral("xml");
    case Kind::Image:
        break;
    }
    return QStringLiteral("bmp");
}

bool inside(const QFileInfo &file, const QString &archiveFolder)
{
    // Both with their links resolved: a link in the archive to a file
    // elsewhere is outside.
    const QString folder = QFileInfo(archiveFolder).canonicalFilePath();
    const QString real = file.canonicalFilePath();
    return !folder.isEmpty() && !real.isEmpty() && QFileInfo(real).absolutePath() == folder;
}

} // namespace

QString openable(const QString &path, const FileDigest &recorded, Kind kind, const QString &archiveFolder,
                 const QString &number)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo file(path);
    if (path.isEmpty() || !file.exists())
        throw Failure(QStringLiteral("Файлът „%1“ на документ № %2 липсва в архива.").arg(shown, number));
    if (!file.isFile() || !inside(file, archiveFolder))
        throw Failure(QStringLiteral("Файлът „%1“ на документ № %2 не е в архивната папка „%3“ и не се отваря.")
                          .arg(shown, number, QDir::toNativeSeparators(archiveFolder)));
    if (file.suffix().compare(extension(kind), Qt::CaseInsensitive) != 0)
        throw Failure(QStringLiteral("Файлът „%1“ на документ № %2 не е %3 и не се отваря.")
                          .arg(shown, number, kindName(kind)));
    if (recorded.known() && FileDigest::ofFile(path) != recorded)
        throw Failure(QStringLiteral("Файлът „%1“ на документ № %2 е променен след отпечатването и не се отваря.")
                          .arg(shown, number));
    return file.canonicalFilePath();
}

} // namespace ArchiveCheck
