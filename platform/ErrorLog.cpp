#include "platform/ErrorLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

namespace {

QString numbered(const LogFiles &files, int number)
{
    return number == 0 ? files.path : files.path + u'.' + QString::number(number);
}

LogFiles logFiles;
QMutex logLock;

const char *kindName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "message";
}

void logMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    // Qt may report from any thread.
    const QMutexLocker locked(&logLock);
    appendToLog(logFiles, QDateTime::currentDateTime().toString(Qt::ISODate) + u' '
                              + QString::fromLatin1(kindName(type)) + QStringLiteral(": ") + message);
}

} // namespace

bool rotateLog(const LogFiles &files)
{
    if (QFileInfo(files.path).size() < files.maxBytes)
        return true;
    QFile::remove(numbered(files, files.kept));
    bool moved = true;
    for (int number = files.kept - 1; number >= 0; --number) {
        if (QFileInfo::exists(numbered(files, number)))
            moved = QFile::rename(numbered(files, number), numbered(files, number + 1)) && moved;
    }
    return moved;
}

void appendToLog(const LogFiles &files, const QString &line)
{
    rotateLog(files);
    QDir().mkpath(QFileInfo(files.path).path());
    QFile file(files.path);
    // Nowhere left to say that the log cannot be written: the message is lost.
    if (file.open(QIODevice::Append | QIODevice::Text))
        file.write((line + u'\n').toUtf8());
}

void sendMessagesToLog(const LogFiles &files)
{
    logFiles = files;
    qInstallMessageHandler(logMessage);
}
