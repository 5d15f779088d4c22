#include "platform/ProgressDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QProgressDialog>
#include <limits>

namespace {

int shownAfter = 400;

// QProgressDialog takes Esc and the window's X for "Отказ": for a step that
// cannot be stopped they would only hide the dialog while the work goes on.
class StepDialog final : public QProgressDialog {
public:
    StepDialog(QWidget *parent, bool stoppable) : QProgressDialog(parent), m_stoppable(stoppable) {}

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (!m_stoppable && event->key() == Qt::Key_Escape)
            return event->accept();
        QProgressDialog::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent *event) override
    {
        if (!m_stoppable)
            return event->ignore();
        QProgressDialog::closeEvent(event);
    }

private:
    bool m_stoppable;
};

} // namespace

ProgressDialog::ProgressDialog(QWidget *parent) : m_parent(parent ? parent : QApplication::activeWindow()) {}

ProgressDialog::~ProgressDialog() { finish(); }

int ProgressDialog::showDelay() { return shownAfter; }

void ProgressDialog::setShowDelay(int milliseconds) { shownAfter = milliseconds; }

void ProgressDialog::start(const QString &text, qint64 total, bool stoppable)
{
    finish();
    m_text = text;
    m_total = total;
    if (total <= 0) {
        m_busy.emplace();
        return;
    }
    m_unit = 1 + total / std::numeric_limits<int>::max();
    m_dialog = new StepDialog(m_parent, stoppable);
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    if (stoppable)
        m_dialog->setCancelButtonText(QStringLiteral("Отказ"));
    else
        m_dialog->setCancelButton(nullptr);
    m_dialog->setLabelText(m_text + u'\n' + progressCount(0, total));
    m_dialog->setRange(0, int(total / m_unit));
    m_dialog->setMinimumDuration(shownAfter);
    // Starts the dialog's clock: it shows once the work lasts past the delay.
    m_dialog->setValue(0);
}

bool ProgressDialog::advance(qint64 done)
{
    if (!m_dialog)
        return true;
    // Repainting for every unit would cost more than the work; a dialog
    // shown at once (in tests) repaints at every report.
    if (m_shown.isValid() && m_shown.elapsed() < std::min(40, shownAfter) && done < m_total)
        return !m_dialog->wasCanceled();
    m_shown.start();
    m_dialog->setLabelText(m_text + u'\n' + progressCount(done, m_total));
    // Shows the dialog when due and, once shown, lets the windows repaint
    // and the button be pressed.
    m_dialog->setValue(int(std::min(done, m_total) / m_unit));
    return !m_dialog->wasCanceled();
}

void ProgressDialog::finish()
{
    m_busy.reset();
    delete m_dialog.data();
    m_shown.invalidate();
}

void BusyCursorProgress::start(const QString &, qint64, bool)
{
    if (m_depth++ == 0)
        m_busy.emplace();
}

void BusyCursorProgress::finish()
{
    if (m_depth > 0 && --m_depth == 0)
        m_busy.reset();
}
