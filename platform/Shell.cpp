#include "platform/Shell.h"

#include "common/Failure.h"
#include "platform/Executable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#ifdef Q_OS_WIN
#include <windows.h>
#include <shellapi.h>
#endif

namespace {

#ifdef Q_OS_WIN
// Simple MAPI's wide-character message (MAPI32.DLL, Windows 8 and later):
// MinGW's mapi.h declares only the 8-bit one, whose texts would lose the
// Cyrillic letters, so the three structures are written out here as the
// Windows SDK's mapi.h lays them out.
struct MapiRecipDescW {
    ULONG ulReserved;
    ULONG ulRecipClass;
    PWSTR lpszName;
    PWSTR lpszAddress;
    ULONG ulEIDSize;
    LPVOID lpEntryID;
};
struct MapiFileDescW {
    ULONG ulReserved;
    ULONG flFlags;
    ULONG nPosition;
    PWSTR lpszPathName;
    PWSTR lpszFileName;
    LPVOID lpFileType;
};
struct MapiMessageW {
    ULONG ulReserved;
    PWSTR lpszSubject;
    PWSTR lpszNoteText;
    PWSTR lpszMessageType;
    PWSTR lpszDateReceived;
    PWSTR lpszConversationID;
    ULONG flFlags;
    MapiRecipDescW *lpOriginator;
    ULONG nRecipCount;
    MapiRecipDescW *lpRecips;
    ULONG nFileCount;
    MapiFileDescW *lpFiles;
};
using SendMailW = ULONG(WINAPI *)(ULONG_PTR session, ULONG_PTR window, MapiMessageW *message, ULONG flags,
                                  ULONG reserved);
constexpr ULONG MapiTo = 1;
constexpr ULONG MapiLogonUi = 0x1;
constexpr ULONG MapiDialog = 0x8;
constexpr ULONG MapiSuccess = 0;
constexpr ULONG MapiUserAbort = 1;

PWSTR wide(QString &text) { return reinterpret_cast<PWSTR>(text.data()); }

// Opens the default mail program's new message through Simple MAPI, the
// files attached; false when no mail program answers (none set up, or MAPI
// missing). The user closing the message unsent counts as an answer.
bool sendMapiMail(const QString &to, const QString &subject, const QStringList &attachments)
{
    HMODULE mapi = LoadLibraryW(L"MAPI32.DLL");
    if (!mapi)
        return false;
    const auto send = reinterpret_cast<SendMailW>(reinterpret_cast<void *>(GetProcAddress(mapi, "MAPISendMailW")));
    ULONG result = ~MapiSuccess;
    if (send) {
        QString subjectText = subject;
        // The texts the descriptions point into live as long as the call.
        QStringList paths, fileNames;
        for (const QString &attachment : attachments) {
            paths << QDir::toNativeSeparators(attachment);
            fileNames << QFileInfo(attachment).fileName();
        }
        QList<MapiFileDescW> files;
        for (qsizetype i = 0; i < paths.size(); ++i)
            files.append(MapiFileDescW{0, 0, ULONG(-1), wide(paths[i]), wide(fileNames[i]), nullptr});
        QString address = QStringLiteral("SMTP:") + to;
        QString name = to;
        MapiRecipDescW recipient{0, MapiTo, wide(name), wide(address), 0, nullptr};
        MapiMessageW message{};
        message.lpszSubject = wide(subjectText);
        message.nFileCount = ULONG(files.size());
        message.lpFiles = files.data();
        if (!to.isEmpty()) {
            message.nRecipCount = 1;
            message.lpRecips = &recipient;
        }
        result = send(0, 0, &message, MapiLogonUi | MapiDialog, 0);
    }
    FreeLibrary(mapi);
    return result == MapiSuccess || result == MapiUserAbort;
}
#endif

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
        // The file this run was started from, wherever it is installed: after
        // an update that file holds the new build.
        const QString program = runningExecutablePath();
        if (!QProcess::startDetached(program, {}, QDir::currentPath()))
            throw Failure(QStringLiteral("Новото копие на програмата „%1“ не може да бъде стартирано. "
                                         "Тази програма остава отворена.")
                              .arg(QDir::toNativeSeparators(program)));
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

    bool sendMail(const QString &to, const QString &subject, const QStringList &attachments) override
    {
#ifdef Q_OS_WIN
        // A "mailto:" address cannot carry an attachment; Simple MAPI does.
        return sendMapiMail(to, subject, attachments);
#else
        // xdg-email hands the message to the mail program the desktop has chosen.
        QStringList arguments{QStringLiteral("--utf8"), QStringLiteral("--subject"), subject};
        for (const QString &attachment : attachments)
            arguments << QStringLiteral("--attach") << attachment;
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
