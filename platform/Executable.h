#pragma once

#include <QByteArrayView>
#include <QString>

class QFileDevice;

// The program's own file and what an update does to it.

// The path the running program was started from, recorded at the first call.
// Call it at start-up: an update renames that file while the program runs.
QString runningExecutablePath();

// The program's file name in the installation folder: "Bilvaro2007.exe" on
// Windows, the running file's own name elsewhere.
QString executableFileName();
// The name the previous build is kept under after an update:
// "Bilvaro2007old.exe" on Windows, the own name followed by "old" elsewhere.
QString oldExecutableFileName();

// The dotted version stamped into an executable file (on Windows the
// "FileVersion" of its version resource); empty when the file has none.
QString executableVersionText(const QString &path);

// Whether a file beginning with these bytes is a program this platform starts.
bool looksLikeExecutable(QByteArrayView head);

// Renames a file in place, never by copying; the new name must be free.
// This is how the running program's file is moved aside.
bool renameFile(const QString &from, const QString &to);

// Lets everyone who may read the file start it (nothing to do on Windows).
bool makeExecutable(const QString &path);

// Writes what the system still holds of an open file through to the disk,
// through the file's own handle. False when that is not done, also for a file
// without a descriptor to flush through.
bool syncToDisk(QFileDevice &file);

// Puts newPath in place of targetPath, keeping the file that was there under
// oldPath (which must not exist). The new file takes the target's name in one
// step, so that a crash never leaves targetPath missing; only a running
// program on Windows, which cannot be renamed over, is moved aside and
// replaced by the system in one call (ReplaceFileW). False when it could not
// be done; targetPath then holds what it held before.
bool replaceKeepingOldName(const QString &newPath, const QString &targetPath, const QString &oldPath);
