#pragma once

#include <QByteArrayView>
#include <QString>
#include <QFile>

// A new program file written beside the one it is to replace, under a
// temporary name, and moved into place only when it is whole and checked.
// Until then the installed program is never touched; a staged file that is
// not installed is deleted with this object.
class StagedExecutable {
public:
    explicit StagedExecutable(const QString &targetPath);
    ~StagedExecutable();

    // Creates the temporary file beside the target: false when it cannot.
    bool open();
    bool isOpen() const { return m_file.isOpen(); }
    bool append(QByteArrayView block);
    qint64 size() const { return m_size; }

    // Writes the file through to the disk and gives its whole contents for
    // checking, valid until install(); empty when that fails.
    QByteArrayView finish();

    // Makes the staged file startable and moves it in place of the target,
    // keeping the target under oldPath. False when it could not be done, and
    // then the target is as it was.
    bool install(const QString &oldPath);

    QString targetPath() const { return m_target; }

private:
    void unmap();

    QString m_target;
    // Not a QTemporaryFile: that keeps its file open after close(), and a
    // program file open for writing cannot be started (or renamed on Windows).
    QFile m_file;
    bool m_installed = false;
    qint64 m_size = 0;
    bool m_failed = false;
    uchar *m_mapped = nullptr;
};

// Moves newPath to targetPath, keeping what was at targetPath under oldPath
// (an earlier file of that name is deleted first), so that targetPath is
// never missing. False when it could not be done; the target then holds what
// it held before.
bool replaceKeepingOld(const QString &newPath, const QString &targetPath, const QString &oldPath);
