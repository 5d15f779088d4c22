#pragma once

#include "common/Progress.h"

#include <QElapsedTimer>

class QTextStream;

// The table tool's progress: on a terminal, one line on the error stream
// that counts up ("Архивиране… 12 от 80"); elsewhere (the setup's log, a
// script) nothing. Not stopped: the terminal's Ctrl+C ends the tool.
class ConsoleProgress final : public Progress {
public:
    explicit ConsoleProgress(QTextStream &err);

    void start(const QString &text, qint64 total, bool stoppable) override;
    bool advance(qint64 done) override;
    void finish() override;

private:
    QTextStream &m_err;
    bool m_terminal;
    QString m_text;
    qint64 m_total = 0;
    bool m_shown = false;
    QElapsedTimer m_last;
};
