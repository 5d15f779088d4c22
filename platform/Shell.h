#pragma once

#include <QString>
#include <QStringList>

// What the operating system's shell does for the program: start a new copy
// of it, print a file, end the message loop. Tests install a recording shell.
class Shell {
public:
    virtual ~Shell() = default;
    // Starts a fresh copy of the running program's own file with the current
    // directory (the start folder) as its current directory. A Failure when
    // it cannot be started: the caller then keeps this run going.
    virtual void openNewCopy() = 0;
    // Hands a file to the system shell's "print" verb (Windows only; elsewhere it
    // does nothing); the outcome is not examined.
    virtual void printFile(const QString &path) = 0;
    // Ends the message loop without closing any window.
    virtual void endMessageLoop() = 0;
    // Opens a file in the program the system has for its type (a PDF in the
    // user's viewer); false when there is none to start.
    virtual bool openFile(const QString &path) = 0;
    // Opens a new message in the user's mail program with the subject and
    // the files attached, addressed to `to` when it is not empty; false when
    // there is no mail program to start.
    virtual bool sendMail(const QString &to, const QString &subject, const QStringList &attachments) = 0;
};

Shell &shell();
// Installs a shell; nullptr restores the system's own.
void setShell(Shell *replacement);
