#include "tools/ConsoleProgress.h"

#include <QTextStream>
#include <cstdio>
#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

ConsoleProgress::ConsoleProgress(QTextStream &err) : m_err(err), m_terminal(isatty(fileno(stderr)) != 0) {}

void ConsoleProgress::start(const QString &text, qint64 total, bool)
{
    finish();
    m_text = text;
    m_total = total;
    m_last.invalidate();
}

bool ConsoleProgress::advance(qint64 done)
{
    // A few times a second is all a reader follows.
    if (!m_terminal || m_total <= 0 || (m_last.isValid() && m_last.elapsed() < 200 && done < m_total))
        return true;
    m_last.start();
    m_err << '\r' << m_text << ' ' << progressCount(done, m_total) << Qt::flush;
    m_shown = true;
    return true;
}

void ConsoleProgress::finish()
{
    if (m_shown)
        m_err << '\n' << Qt::flush;
    m_shown = false;
}
