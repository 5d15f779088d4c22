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

class SystemShell final : public Shell {
public:
    void openNewCopy() override
    {
#ifdef Q_OS_WIN
        // The shell's "open" on the relative name, as the installed program expects.
        QProcess::startDetached(QDir::current().filePath(QStringLiteral("Bilvaro2007.exe")), {},
                                QDir::currentPath());
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
        ShellExecuteW(nullptr, L"print", reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()),
                      nullptr, nullptr, SW_SHOWNORMAL);
#else
        // There is no such verb here; the page has gone to the printer once
        // already and must not go a second time.
        Q_UNUSED(path);
#endif
    }

    void endMessageLoop() override { QCoreApplication::exit(0); }
};

SystemShell systemShell;
Shell *current = &systemShell;

} // namespace

Shell &shell() { return *current; }

void setShell(Shell *replacement) { current = replacement ? replacement : &systemShell; }
