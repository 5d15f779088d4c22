#include "platform/Shell.h"

#include "platform/Executable.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QUrl>

#ifdef Q_OS_WIN
#include <windows.h>
#include <shellapi.h>
#endif

namespace {

#ifdef Q_OS_WIN
// The shell carries out a verb on a file as Explorer would; the file name may
// be relative to the current directory. The outcome is not examined.
void shellExecute(const wchar_t *verb, const QString &file)
{
    ShellExecuteW(nullptr, verb, reinterpret_cast<const wchar_t *>(file.utf16()), nullptr, nullptr,
                  SW_SHOWNORMAL);
}
#endif

class SystemShell final : public Shell {
public:
    void openNewCopy() override
    {
#ifdef Q_OS_WIN
        // The copy in the current directory, named in full: the shell would
        // look in the running program's own folder first.
        shellExecute(L"open", QDir::toNativeSeparators(QDir::current().absoluteFilePath(QStringLiteral("Bilvaro2007.exe"))));
#else
        // The file this run was started from: after an update it holds the new build.
        QProcess::startDetached(runningExecutablePath(), {}, QDir::currentPath());
#endif
    }

    void printFile(const QString &path) override
    {
#ifdef Q_OS_WIN
        // The verb of the file's type prints it a second time, as on every
        // installation of the program.
        shellExecute(L"print", QDir::toNativeSeparators(path));
#else
        // There is no such verb here; the page has gone to the printer once
        // already and must not go a second time.
        Q_UNUSED(path);
#endif
    }

    void endMessageLoop() override { QCoreApplication::exit(0); }

    bool openFile(const QString &path) override
    {
#ifdef Q_OS_WIN
        // ShellExecute answers above 32 when it started the file's program.
        return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open",
                                                       reinterpret_cast<const wchar_t *>(
                                                           QDir::toNativeSeparators(path).utf16()),
                                                       nullptr, nullptr, SW_SHOWNORMAL))
            > 32;
#else
        // What QDesktopServices does on a Linux desktop, without Qt Gui in the
        // core: xdg-open starts the viewer the desktop associates with the type.
        return QProcess::startDetached(QStringLiteral("xdg-open"), {path});
#endif
    }

    bool sendMail(const QString &to, const QString &subject, const QString &attachment) override
    {
#ifdef Q_OS_WIN
        // A "mailto:" address cannot carry an attachment; Simple MAPI would,
        // and is not done yet.
        Q_UNUSED(to);
        Q_UNUSED(subject);
        Q_UNUSED(attachment);
        return false;
#else
        // xdg-email hands the message to the mail program the desktop has chosen.
        QStringList arguments{QStringLiteral("--utf8"), QStringLiteral("--subject"), subject,
                              QStringLiteral("--attach"), attachment};
        if (!to.isEmpty())
            arguments << to;
        return QProcess::startDetached(QStringLiteral("xdg-email"), arguments);
#endif
    }
};

SystemShell systemShell;
Shell *current = &systemShell;

} // namespace

Shell &shell() { return *current; }

void setShell(Shell *replacement) { current = replacement ? replacement : &systemShell; }
