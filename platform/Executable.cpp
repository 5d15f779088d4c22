#include "platform/Executable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cstdio>
#include <unistd.h>
#endif

QString runningExecutablePath()
{
    static const QString path = QCoreApplication::applicationFilePath();
    return path;
}

#ifdef Q_OS_WIN

QString executableFileName() { return QStringLiteral("Bilvaro2007.exe"); }
QString oldExecutableFileName() { return QStringLiteral("Bilvaro2007old.exe"); }

QString executableVersionText(const QString &path)
{
    const std::wstring file = QDir::toNativeSeparators(path).toStdWString();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0)
        return {};
    QByteArray info(qsizetype(size), Qt::Uninitialized);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, info.data()))
        return {};
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation *translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void **>(&translation), &length)
        || length < sizeof(Translation))
        return {};
    const auto hex4 = [](WORD value) { return QString::number(value, 16).rightJustified(4, u'0').toUpper(); };
    const std::wstring query = (QStringLiteral("\\StringFileInfo\\") + hex4(translation->language)
                                + hex4(translation->codePage) + QStringLiteral("\\FileVersion"))
                                   .toStdWString();
    wchar_t *value = nullptr;
    if (!VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void **>(&value), &length) || length == 0)
        return {};
    return QString::fromWCharArray(value);
}

bool looksLikeExecutable(QByteArrayView head) { return head.startsWith("MZ"); }

namespace {

std::wstring nativePath(const QString &path) { return QDir::toNativeSeparators(path).toStdWString(); }

bool exists(const std::wstring &path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

} // namespace

bool renameFile(const QString &from, const QString &to)
{
    return MoveFileExW(nativePath(from).c_str(), nativePath(to).c_str(), MOVEFILE_WRITE_THROUGH);
}

bool makeExecutable(const QString &) { return true; }

bool syncToDisk(QFileDevice &file)
{
    // Qt gives a file it opened by name a C runtime descriptor of its own
    // handle (_open_osfhandle): the flush goes through that handle. Without
    // a descriptor nothing is flushed, and that is no success.
    if (!file.flush() || file.handle() == -1)
        return false;
    const intptr_t handle = _get_osfhandle(file.handle());
    return handle != -1 && FlushFileBuffers(reinterpret_cast<HANDLE>(handle));
}

bool replaceKeepingOldName(const QString &newPath, const QString &targetPath, const QString &oldPath)
{
    const std::wstring from = nativePath(newPath), target = nativePath(targetPath), old = nativePath(oldPath);
    if (!exists(target))
        return MoveFileExW(from.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    // The old file is kept as a copy first; then the new one is renamed over
    // the target in one step, which leaves no moment without it.
    if (!CopyFileW(target.c_str(), old.c_str(), TRUE))
        return false;
    if (MoveFileExW(from.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    // Windows refuses that over a running program, but lets it be moved
    // aside: ReplaceFileW moves it to the old name and the new one in, both
    // in one call of the system.
    DeleteFileW(old.c_str());
    if (ReplaceFileW(target.c_str(), from.c_str(), old.c_str(),
                     REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr))
        return true;
    // It can fail after its first move: the kept file goes back.
    if (!exists(target) && exists(old))
        MoveFileExW(old.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    return false;
}

#else

QString executableFileName() { return QFileInfo(runningExecutablePath()).fileName(); }
QString oldExecutableFileName() { return executableFileName() + QStringLiteral("old"); }

// The stamp that bilvaro_stamp_version() puts into an executable: this marker,
// the dotted version and a line feed. The reader's own copy of the marker ends
// in a zero byte, so it is never taken for the stamp.
static constexpr char VersionMarker[] = "\nBILVARO-FILEVERSION=";

QString executableVersionText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const uchar *mapped = file.map(0, file.size());
    if (!mapped)
        return {};
    const QByteArrayView contents(mapped, file.size());
    const QByteArrayView marker(VersionMarker);
    for (qsizetype at = contents.indexOf(marker); at >= 0; at = contents.indexOf(marker, at + 1)) {
        const qsizetype start = at + marker.size();
        qsizetype end = start;
        while (end < contents.size() && ((contents[end] >= '0' && contents[end] <= '9') || contents[end] == '.'))
            ++end;
        if (end > start && end < contents.size() && contents[end] == '\n')
            return QString::fromLatin1(contents.sliced(start, end - start));
    }
    return {};
}

bool looksLikeExecutable(QByteArrayView head) { return head.startsWith("\x7f" "ELF"); }

bool renameFile(const QString &from, const QString &to)
{
    if (QFileInfo::exists(to))
        return false;
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool makeExecutable(const QString &path)
{
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                           | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                           | QFile::ExeOther);
}

bool syncToDisk(QFileDevice &file) { return file.flush() && ::fsync(file.handle()) == 0; }

bool replaceKeepingOldName(const QString &newPath, const QString &targetPath, const QString &oldPath)
{
    const QByteArray from = QFile::encodeName(newPath), target = QFile::encodeName(targetPath),
                     old = QFile::encodeName(oldPath);
    const bool hadTarget = QFileInfo::exists(targetPath);
    // A file can be renamed over the running program here: the old one is
    // kept as a second name of the same file and the new one takes the
    // target's name in one step.
    if (!hadTarget || ::link(target.constData(), old.constData()) == 0) {
        if (std::rename(from.constData(), target.constData()) == 0)
            return true;
        if (hadTarget)
            ::unlink(old.constData());
        return false;
    }
    // A file system without second names: moved aside first.
    if (!renameFile(targetPath, oldPath))
        return false;
    if (renameFile(newPath, targetPath))
        return true;
    renameFile(oldPath, targetPath);
    return false;
}

#endif
