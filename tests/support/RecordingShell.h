#pragma once

#include "common/Failure.h"
#include "platform/Shell.h"

#include <QStringList>
#include <functional>

// A shell for tests: records what the program asked of it, starts nothing.
class RecordingShell final : public Shell {
public:
    RecordingShell() { setShell(this); }
    ~RecordingShell() override { setShell(nullptr); }

    void openNewCopy() override
    {
        if (!newCopyFailure.isEmpty())
            throw Failure(newCopyFailure);
        ++newCopies;
        if (onNewCopy)
            onNewCopy();
    }
    void printFile(const QString &path) override { printedFiles.append(path); }
    void endMessageLoop() override { ++loopEnds; }
    bool openFile(const QString &path) override
    {
        openedFiles.append(path);
        return true;
    }
    bool sendMail(const QString &to, const QString &subject, const QStringList &attachments) override
    {
        mails.append(to + u'|' + subject + u'|' + attachments.join(u'|'));
        return true;
    }

    int newCopies = 0;
    int loopEnds = 0;
    QStringList printedFiles;
    QStringList openedFiles;
    QStringList mails;  // "to|subject|attachment|attachment…"
    // Runs where the system would start the new copy: to see what it would find.
    std::function<void()> onNewCopy;
    // Not empty: the new copy cannot be started, and the system says this.
    QString newCopyFailure;
};
