#pragma once

#include <QIcon>
#include <QList>
#include <QString>

// An icon drawn at several square sizes, one image file each ("%1" in the
// path pattern stands for the side in pixels). A size is read when something
// first asks for it: Qt's own engine reads every added file at once, and its
// first read loads every image-format plugin to ask which one knows the file,
// which was a fifth of a start that shows only the rate dialog.
QIcon sizedIcon(const QString &pathPattern, const QList<int> &sides);
