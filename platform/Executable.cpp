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

bool renameFile(const QString &from, const QString &to)
{
    return MoveFileExW(QDir::toNativeSeparators(from).toStdWString().c_str(),
                       QDir::toNativeSeparators(to).toStdWString().c_str(), 0);
}

bool makeExecutable(const QString &) { return true; }

bool syncToDisk(QFileDevice &file)
{
    if (!file.flush())
        return false;
    // Qt gives a C runtime descriptor only for some files; without one the
    // data has at least reached the system.
    if (file.handle() == -1)
        return true;
    const intptr_t handle = _get_osfhandle(file.handle());
    return handle != -1 && FlushFileBuffers(reinterpret_cast<HANDLE>(handle));
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

#endif
