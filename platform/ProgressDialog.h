#pragma once

#include "platform/BusyCursor.h"
#include "common/Progress.h"

#include <QElapsedTimer>
#include <QPointer>
#include <optional>

class QProgressDialog;
class QWidget;

// The program's progress: a modal progress dialog over the window whose
// command runs, shown only when the work lasts past a short delay, with the
// step's text, "%1 от %2" and "Отказ" where the step may be stopped.
// Reporting progress lets the windows repaint meanwhile, but no window takes
// a command until the work ends: the dialog is modal to the whole program.
// A step that cannot be stopped keeps its dialog against Esc and the
// window's X. A step without a count shows the busy cursor instead.
class ProgressDialog final : public Progress {
public:
    // parent: the window the dialog covers; none takes the active window.
    explicit ProgressDialog(QWidget *parent = nullptr);
    ~ProgressDialog() override;

    void start(const QString &text, qint64 total, bool stoppable) override;
    bool advance(qint64 done) override;
    void finish() override;

    // How long work runs before its dialog shows (QProgressDialog's minimum
    // duration); tests show it at once.
    static int showDelay();
    static void setShowDelay(int milliseconds);

private:
    QPointer<QWidget> m_parent;
    // Watched: a parent that goes takes its dialog with it.
    QPointer<QProgressDialog> m_dialog;
    std::optional<BusyCursor> m_busy;
    QString m_text;
    qint64 m_total = 0;
    qint64 m_unit = 1;  // QProgressDialog counts in int
    QElapsedTimer m_shown;
};

// The busy cursor for the waits of the core (waitProgress()).
class BusyCursorProgress final : public Progress {
public:
    void start(const QString &text, qint64 total, bool stoppable) override;
    bool advance(qint64) override { return true; }
    void finish() override;

private:
    int m_depth = 0;
    std::optional<BusyCursor> m_busy;
};
