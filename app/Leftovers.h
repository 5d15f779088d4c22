#pragma once

#include <QDateTime>
#include <QString>

// When this run of the program started: recorded while its modules are
// initialised, before any file is written.
QDateTime programStartTime();

// Removes the temporary files that the program's writers make beside the
// file they replace, and that a writer killed half-way leaves behind: the
// settings file's and the archive images' (QSaveFile's "<name>.XXXXXX") and
// the update's staged program ("<program>.<hex>.new"), each from the folder
// it is written in: the start folder, the installation folder and its DB
// folder. Only those last written before `before` (the start of this run: a
// later one belongs to a writer at work in another copy of the program), and
// nothing else. What cannot be removed stays.
void removeWriterLeftovers(const QString &startFolder, const QString &installFolder, const QDateTime &before);
