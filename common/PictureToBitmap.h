#pragma once

#include <QByteArray>
#include <QString>

// The bytes of a picture file as a Windows bitmap, as the logo column keeps
// pictures: a bitmap stays as it is, any other picture that Qt reads is
// converted. A file that is no picture Qt reads, or one that cannot be
// converted, throws a Failure naming the file.
QByteArray pictureAsBitmap(const QByteArray &bytes, const QString &fileName);
