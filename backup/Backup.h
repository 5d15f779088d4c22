#pragma once

#include "common/Progress.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

// A backup of one start folder in a single file: the four tables and the
// register as they stood at one moment (copied while other programs write
// them), the settings file and the archive's pages (.bmp, .pdf), with a
// manifest of each entry's size and SHA-256 as the file's last entry. The
// file is written under a temporary name and renamed when whole, so a backup
// under its own name is always complete.
namespace Backup {

// The manifest's name inside the file; its folders for the tables and pages.
inline constexpr char ManifestName[] = "manifest.json";

struct Folders {
    QString start;    // the start folder: DB/ with the tables, mem.txt
    QString archive;  // the archive's pages (the installation folder's DB/)
};

struct Made {
    QString file;
    int tables = 0;   // SQLite files copied (the four tables and the register)
    int pages = 0;    // archive files
    // On a PostgreSQL server: the tables stay out of the file and the message
    // names the server's own backup command (pg_dump).
    std::optional<QString> serverNote;
};

// Makes the backup file; a failure throws and leaves no file under that name.
// The files put in are reported to `progress`; stopping there is such a
// failure too (Cancelled).
Made make(const Folders &from, const QString &file, Progress &progress = Progress::none());

struct Restored {
    int tables = 0;
    int pages = 0;
    bool settings = false;
};
// Puts a backup back into a start folder that holds none of its files, after
// checking every entry against the manifest; a damaged or incomplete backup
// is refused naming the entry, nothing written.
// What is read is reported to `progress` in kilobytes; stopping before the
// files are put in place writes nothing.
Restored restore(const QString &file, const Folders &to, Progress &progress = Progress::none());

// The steps' texts, and what is said when the user stops them.
inline const QString BackingUpText = QStringLiteral("Архивиране…");
inline const QString BackupStoppedText = QStringLiteral("Архивирането е прекъснато. Резервно копие не е записано.");
inline const QString RestoringText = QStringLiteral("Възстановяване…");
inline const QString RestoreStoppedText = QStringLiteral("Възстановяването е прекъснато. Нищо не е възстановено.");

// The server's own backup command for a connection string.
QString serverBackupCommand(const QString &connection);

// What the data folder remembers of backups, in DB/backup.txt: the date of
// the last one, how many automatic ones to keep (a line the user may
// change), and when the program last reminded.
struct Memory {
    std::optional<QDate> lastBackup;
    int keep = 5;
    std::optional<QDate> lastReminder;
};
inline constexpr int DefaultKeep = 5;
inline constexpr int ReminderDays = 7;
Memory remembered(const QString &dataFolder);
void remember(const QString &dataFolder, const Memory &memory);
// Whether to remind today: no backup for a week, and no reminder for a week;
// never before the folder's first run was remembered.
bool reminderDue(const Memory &memory, const QDate &today);

// The automatic backups' folder: DB/backups/ of the start folder.
QString automaticFolder(const QString &startFolder);
// Makes an automatic backup named after the moment, remembers the day and
// keeps only the newest `keep` automatic backups.
Made makeAutomatic(const Folders &from, const QDateTime &now, Progress &progress = Progress::none());
// Remembers a backup made today (the menu's and the table tool's).
void rememberMade(const QString &startFolder, const QDate &today);
// Deletes all but the newest `keep` automatic backups; returns the deleted names.
QStringList keepNewest(const QString &folder, int keep);

} // namespace Backup
