#include "print/ArchiveFiles.h"

#include "common/Failure.h"
#include "einvoice/EInvoice.h"
#include "print/Bitmap.h"
#include "print/PrintRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool sameBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.size() == bytes.size() && file.open(QIODevice::ReadOnly) && file.readAll() == bytes;
}

// The image there is this page's: the PDF beside it is kept with it.
bool samePage(const ArchiveNames &names, const QByteArray &image)
{
    return QFileInfo::exists(names.image) && sameBytes(names.image, image);
}

bool isFree(const ArchiveNames &names, const QByteArray &image,
            const std::function<bool(const QString &)> &takenByRecord)
{
    if (takenByRecord && (takenByRecord(names.image) || takenByRecord(names.pdf)))
        return false;
    return samePage(names, image)
        || (!QFileInfo::exists(names.image) && !QFileInfo::exists(names.pdf) && !QFileInfo::exists(names.einvoice));
}

Failure taken(const QString &path)
{
    return Failure(PrintRules::archiveFileTakenMessage(path));
}

} // namespace

ArchiveNames archiveNamesOf(const QString &image)
{
    const QString pdf = PrintRules::pdfCopyFileName(image);
    return {image, pdf, EInvoice::fileBeside(pdf)};
}

ArchiveNames chooseArchiveNames(const QString &firstImage, const QString &companyTag, const QByteArray &image,
                                const std::function<bool(const QString &)> &takenByRecord)
{
    ArchiveNames names = archiveNamesOf(firstImage);
    for (int attempt = 1; !isFree(names, image, takenByRecord); ++attempt)
        names = archiveNamesOf(PrintRules::distinctArchiveFileName(firstImage, companyTag, attempt));
    return names;
}

ArchiveWrite::ArchiveWrite(ArchiveNames names) : m_names(std::move(names)) {}

void ArchiveWrite::write(const QByteArray &image, const QByteArray &pdf, const QByteArray &einvoice)
{
    QList<std::pair<QString, QByteArray>> files{{m_names.image, image}, {m_names.pdf, pdf}};
    if (!einvoice.isEmpty() && !m_names.einvoice.isEmpty())
        files.append({m_names.einvoice, einvoice});
    const bool kept = samePage(m_names, image);
    if (!kept) {
        for (const auto &file : std::as_const(files)) {
            if (QFileInfo::exists(file.first))
                throw taken(file.first);
        }
    }
    for (const auto &[path, bytes] : std::as_const(files)) {
        if (QFileInfo::exists(path))
            continue;
        m_new.append(path);
        writeFileReplacing(path, bytes);
    }
}

void ArchiveWrite::rollBack()
{
    for (const QString &path : std::as_const(m_new))
        QFile::remove(path);
    m_new.clear();
}
