#include "common/Progress.h"

namespace {

class NoProgress final : public Progress {
public:
    void start(const QString &, qint64, bool) override {}
    bool advance(qint64) override { return true; }
    void finish() override {}
};

Progress *installedWait = nullptr;

} // namespace

Progress &Progress::none()
{
    static NoProgress none;
    return none;
}

ProgressStep::ProgressStep(Progress &progress, const QString &text, qint64 total, const QString &stoppedText,
                           qint64 every)
    : m_progress(progress), m_stoppedText(stoppedText), m_total(total), m_every(std::max<qint64>(every, 1))
{
    m_progress.start(text, total, !stoppedText.isEmpty());
}

ProgressStep::~ProgressStep() { m_progress.finish(); }

void ProgressStep::advance(qint64 done)
{
    if (done % m_every != 0 && done != m_total)
        return;
    // A step that may not be stopped goes on whatever the answer.
    if (!m_progress.advance(done) && !m_stoppedText.isEmpty())
        throw Cancelled(m_stoppedText);
}

Progress &waitProgress() { return installedWait ? *installedWait : Progress::none(); }

void setWaitProgress(Progress *progress) { installedWait = progress; }

QString progressCount(qint64 done, qint64 total) { return QStringLiteral("%1 от %2").arg(done).arg(total); }
