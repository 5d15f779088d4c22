#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// The names of one page's two files in the archive: its image and its PDF copy.
struct ArchiveNames {
    QString image;
    QString pdf;
    friend bool operator==(const ArchiveNames &, const ArchiveNames &) = default;
};

// Where a page goes. A file in the archive belongs to the document whose
// register row records it, possibly in another start folder's register that
// shares the archive: it is never renamed, replaced or deleted. So a page
// takes the number's first name (firstImage, as PrintRules::archiveFileName
// gives it, and its PDF beside it) only while that is free: no other
// document's row records it (takenByRecord) and no file is there, or the
// image there holds these very bytes (the same page again, which is kept).
// Otherwise it takes the first free of PrintRules::distinctArchiveFileName's
// names with the company's tag (PrintRules::companyTag).
ArchiveNames chooseArchiveNames(const QString &firstImage, const QString &companyTag, const QByteArray &image,
                                const std::function<bool(const QString &)> &takenByRecord);

// The files one print keeps in the archive, each whole or not at all. A
// file already at its name is never replaced: the image is kept when it holds
// the same bytes (and the PDF beside it with it), and any other file there
// stops the write with a Failure that names it, before anything is written.
// A print that fails after writing removes what it wrote and only that.
class ArchiveWrite {
public:
    explicit ArchiveWrite(ArchiveNames names);
    ArchiveWrite(QString imagePath, QString pdfPath) : ArchiveWrite(ArchiveNames{imagePath, pdfPath}) {}

    void write(const QByteArray &image, const QByteArray &pdf);
    // Removes the files write() made.
    void rollBack();

private:
    ArchiveNames m_names;
    QStringList m_new;  // files that did not exist before
};
