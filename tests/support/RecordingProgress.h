#pragma once

#include "common/Progress.h"

#include <QList>
#include <QStringList>

// A progress for the logic's tests: keeps every report and, in the step
// with the text `stopIn`, answers "stopped" from its report `stopAt` on
// (counted from 1), or with -1 at the report of the whole, as a user who
// waits to the end.
class RecordingProgress final : public Progress {
public:
    RecordingProgress() = default;
    RecordingProgress(const QString &stopIn, qsizetype stopAt) : m_stopIn(stopIn), m_stopAt(stopAt) {}

    void start(const QString &text, qint64 total, bool stoppable) override
    {
        steps << QStringLiteral("%1 %2%3").arg(text).arg(total).arg(stoppable ? QStringLiteral(" Отказ") : QString());
        m_text = text;
        m_total = total;
        m_reports = 0;
        ++open;
    }
    bool advance(qint64 done) override
    {
        reports << done;
        ++m_reports;
        const bool stop = m_text == m_stopIn
                          && ((m_stopAt > 0 && m_reports >= m_stopAt) || (m_stopAt < 0 && done == m_total));
        stopped |= stop;
        return !stop;
    }
    void finish() override { --open; }

    QStringList steps;      // "text total[ Отказ]" of each step begun
    QList<qint64> reports;  // each count reported
    bool stopped = false;   // it answered "stopped"
    int open = 0;           // steps begun and not finished

private:
    QString m_stopIn;
    qsizetype m_stopAt = 0;
    QString m_text;
    qint64 m_total = 0;
    qsizetype m_reports = 0;
};
