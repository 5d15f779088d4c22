#pragma once

#include <QString>

// What the program writes to its error output (Qt's warnings and messages),
// kept in a log file where no console shows it: a Windows program has none.

// The newest log and the older ones beside it: `path`, then `path`.1 up to
// `path`.<kept>, oldest last.
struct LogFiles {
    QString path;
    // Once the newest file holds this many bytes it becomes `path`.1.
    qint64 maxBytes = 256 * 1024;
    int kept = 3;
};

// Shifts the newest file to `path`.1 (and each older one a number up,
// dropping the oldest) when it has reached its size; false when a file could
// not be moved.
bool rotateLog(const LogFiles &files);

// Appends one message, with its time and kind, to the newest file, rotating
// first when that file is full.
void appendToLog(const LogFiles &files, const QString &line);

// Sends every Qt message of this run to the log files from here on.
void sendMessagesToLog(const LogFiles &files);
