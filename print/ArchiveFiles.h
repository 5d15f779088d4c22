#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// The names of one page's files in the archive: its image, its PDF copy and
// the e-invoice beside the PDF (same name, ".xml"; written only for an
// original that has one).
struct ArchiveNames {
    QString image;
    QString pdf;
    QString einvoice;
    friend bool operator==(const ArchiveNames &, const ArchiveNames &) = default;
};
// The names that go with an archive image.
ArchiveNames archiveNamesOf(const QString &image);

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
// the same bytes (and the PDF and e-invoice beside it with it), and any other
// file there stops the write with a Failure that names it, before anything
// is written. A print that fails after writing removes what it wrote and
// only that.
class ArchiveWrite {
public:
    explicit ArchiveWrite(ArchiveNames names);
    ArchiveWrite(QString imagePath, QString pdfPath, QString einvoicePath = {})
        : ArchiveWrite(ArchiveNames{imagePath, pdfPath, einvoicePath})
    {
    }

    // The e-invoice is written where its bytes are given.
    void write(const QByteArray &image, const QByteArray &pdf, const QByteArray &einvoice = {});
    // Removes the files write() made.
    void rollBack();

private:
    ArchiveNames m_names;
    QStringList m_new;  // files that did not exist before
};
