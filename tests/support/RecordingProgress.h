#pragma once

#include "platform/Progress.h"

#include <QList>
#include <QStringList>

// A progress for the logic's tests: keeps every report and answers "stopped"
// from the report `stopAt` on (counted from 1; 0 never), and -1 at the last
// report of the first step that has a count, as a user who waits to the end.
class RecordingProgress final : public Progress {
public:
    explicit RecordingProgress(qsizetype stopAt = 0) : m_stopAt(stopAt) {}

    void start(const QString &text, qint64 total, bool stoppable) override
    {
        steps << QStringLiteral("%1 %2%3").arg(text).arg(total).arg(stoppable ? QStringLiteral(" Отказ") : QString());
        m_total = total;
        ++open;
    }
    bool advance(qint64 done) override
    {
        reports << done;
        const bool stop = (m_stopAt > 0 && reports.size() >= m_stopAt) || (m_stopAt < 0 && done == m_total);
        stopped |= stop;
        return !stop;
    }
    void finish() override { --open; }

    QStringList steps;      // "text total[ Отказ]" of each step begun
    QList<qint64> reports;  // each count reported
    bool stopped = false;   // it answered "stopped"
    int open = 0;           // steps begun and not finished

private:
    qsizetype m_stopAt;
    qint64 m_total = 0;
};
