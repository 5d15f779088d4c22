#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The files one print keeps in the archive: the image and its PDF copy.
// A page archived before under the same name with other content is never
// replaced: its files are renamed beside the new ones, with the time they
// were written in their names. A print that fails after writing puts the
// folder back as it found it.
class ArchiveWrite {
public:
    ArchiveWrite(QString imagePath, QString pdfPath);

    // Writes both files, each whole or not at all. Returns the names under
    // which the earlier page's files were kept; empty when there was no
    // earlier page or it was the same picture.
    QStringList write(const QByteArray &image, const QByteArray &pdf);
    // Removes the files write() made and gives the kept ones their names back.
    void rollBack();

private:
    QString m_image;
    QString m_pdf;
    QList<QPair<QString, QString>> m_kept;  // earlier name, kept name
    QStringList m_new;                      // files that did not exist before
};
