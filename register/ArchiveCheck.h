#pragma once

#include "register/RegisterStore.h"

#include <QString>

// What the register window may open, mail or print of a document's archive:
// only the file its row records, as it was written. A row could hold any path
// (any desk with the database's login writes rows), and a file could be
// replaced behind the register's back.
namespace ArchiveCheck {

enum class Kind { Pdf, Image, EInvoice };

// The recorded file, when it is a regular file inside the archive folder
// with its kind's extension (".pdf", ".bmp", ".xml") and, where the register keeps
// its digest, of that size and SHA-256; a row from before digests were kept
// is opened on the first two. Otherwise a Failure whose text names the file
// and says what is wrong: missing, outside the archive, another kind, changed.
QString openable(const QString &path, const FileDigest &recorded, Kind kind, const QString &archiveFolder,
                 const QString &number);

} // namespace ArchiveCheck
