#pragma once

#include <QString>

// The data folder, the register and the archive hold buyers' personal data
// (names, addresses, ЕГН): on Linux what the program makes of them is
// readable by its user only. Windows keeps the access list of the folder.
namespace PrivateFiles {

// Makes the folder with its parents; a folder made here gets mode 0700.
bool makeFolder(const QString &path);
// Gives a file the program has just made mode 0600.
void restrict(const QString &path);

} // namespace PrivateFiles
