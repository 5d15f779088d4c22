#pragma once

#include "common/Failure.h"

#include <QString>

// Long work reports how far it is through here, as prompts go through the
// prompt seam: the program shows a progress dialog, tests record or stop it,
// and work run from the table tool or a benchmark reports to no one.
class Progress {
public:
    virtual ~Progress() = default;
    // A step begins: what is being done and how many units make the whole
    // (0: no count can be given, e.g. one blocking connection). Where the
    // user may stop it, stopping must lose nothing.
    virtual void start(const QString &text, qint64 total, bool stoppable) = 0;
    // `done` units of the whole are done; false once the user stopped it.
    virtual bool advance(qint64 done) = 0;
    virtual void finish() = 0;

    // Reports to no one and is never stopped.
    static Progress &none();
};

// Stopping by the user: a failure whose text says what was kept as it was.
class Cancelled : public Failure {
public:
    using Failure::Failure;
};

// One step of a progress, finished however the work ends. advance() reports
// only every `every` units (and the last), and throws Cancelled with
// `stoppedText` when the user stopped a stoppable step.
class ProgressStep {
public:
    ProgressStep(Progress &progress, const QString &text, qint64 total, const QString &stoppedText = QString(),
                 qint64 every = 1);
    ~ProgressStep();
    ProgressStep(const ProgressStep &) = delete;
    ProgressStep &operator=(const ProgressStep &) = delete;

    void advance(qint64 done);

private:
    Progress &m_progress;
    QString m_stoppedText;
    qint64 m_total;
    qint64 m_every;
};

// The progress of waits deep in the core that no window passes a progress
// to (the first connection to a server): the program installs a busy cursor.
Progress &waitProgress();
// Installs it; nullptr restores none.
void setWaitProgress(Progress *progress);

// The count shown under a step's text: "%1 от %2".
QString progressCount(qint64 done, qint64 total);
