#include "print/ArchiveFiles.h"

#include "common/Failure.h"
#include "common/Logging.h"
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

QString freeKeptName(const QString &path, const QDateTime &written)
{
    for (int attempt = 1;; ++attempt) {
        const QString name = PrintRules::keptFileName(path, written, attempt);
        if (!QFileInfo::exists(name))
            return name;
    }
}

} // namespace

ArchiveWrite::ArchiveWrite(QString imagePath, QString pdfPath) : m_image(std::move(imagePath)), m_pdf(std::move(pdfPath)) {}

QStringList ArchiveWrite::write(const QByteArray &image, const QByteArray &pdf)
{
    const bool imageThere = QFileInfo::exists(m_image);
    const bool pdfThere = QFileInfo::exists(m_pdf);
    // The same picture printed again (a second copy, a reprint of the same
    // page) replaces its files; the PDF differs only in its creation date.
    if ((imageThere || pdfThere) && !(imageThere && sameBytes(m_image, image))) {
        // Both earlier files carry the time of the earlier image, so that
        // they stay a pair.
        const QDateTime written = QFileInfo(imageThere ? m_image : m_pdf).lastModified();
        for (const QString &path : {m_image, m_pdf}) {
            if (!QFileInfo::exists(path))
                continue;
            const QString kept = freeKeptName(path, written);
            if (!QFile::rename(path, kept))
                throw Failure(QStringLiteral("Архивираният файл „%1“ не може да бъде запазен под друго име и "
                                             "документът не е отпечатан.")
                                  .arg(QDir::toNativeSeparators(path)));
            m_kept.append({path, kept});
        }
    }
    for (const QString &path : {m_image, m_pdf}) {
        if (!QFileInfo::exists(path))
            m_new.append(path);
    }
    writeFileReplacing(m_image, image);
    writeFileReplacing(m_pdf, pdf);
    QStringList kept;
    for (const auto &[earlier, name] : m_kept)
        kept.append(name);
    return kept;
}

void ArchiveWrite::rollBack()
{
    // Only what this print made goes: a file of the same picture that was
    // there before stays.
    for (const QString &path : m_new)
        QFile::remove(path);
    for (const auto &[earlier, name] : m_kept) {
        QFile::remove(earlier);
        if (!QFile::rename(name, earlier))
            qCWarning(lcPrint) << "the earlier archive file" << name << "keeps its name";
    }
    m_new.clear();
    m_kept.clear();
}
