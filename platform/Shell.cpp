#include "platform/Shell.h"

#include "platform/Executable.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QUrl>

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
        QProcess::startDetached(QStringLiteral("mspaint"), {QStringLiteral("/p"), path});
#else
        QProcess::startDetached(QStringLiteral("lp"), {path});
#endif
    }

    void endMessageLoop() override { QCoreApplication::exit(0); }
};

SystemShell systemShell;
Shell *current = &systemShell;

} // namespace

Shell &shell() { return *current; }

void setShell(Shell *replacement) { current = replacement ? replacement : &systemShell; }
