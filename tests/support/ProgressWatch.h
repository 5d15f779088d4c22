#pragma once

#include <QApplication>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTimer>

// Watches the progress dialogs while a command runs, as a user sees them:
// a timer that fires whenever the windows get their events (which they do
// only while the work reports its progress) reads the dialog that shows and,
// when asked, presses its "Отказ" in the step with that text.
class ProgressWatch : public QObject {
public:
    explicit ProgressWatch(const QString &stopIn = QString()) : m_stopIn(stopIn)
    {
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { look(); });
        m_timer.start(0);
    }

    // A visible progress dialog among the windows, or none.
    static QProgressDialog *shown()
    {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<QProgressDialog *>(window); dialog && dialog->isVisible())
                return dialog;
        }
        return nullptr;
    }
    // Neither a progress dialog nor the busy cursor is left once the command ended.
    static bool nothingLeft()
    {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (qobject_cast<QProgressDialog *>(window))
                return false;
        }
        return QGuiApplication::overrideCursor() == nullptr;
    }

    QStringList labels;         // each text the dialog showed, in order
    bool modal = false;         // it was the modal window in front of every other
    bool escaped = false;       // Esc was pressed on a step without "Отказ"
    bool keptOnEscape = false;  // and its dialog stayed
    bool stoppable = false;     // it offered "Отказ"
    bool pressed = false;       // "Отказ" was pressed

private:
    void look()
    {
        QProgressDialog *dialog = shown();
        if (!dialog)
            return;
        if (labels.isEmpty() || labels.last() != dialog->labelText())
            labels << dialog->labelText();
        modal = QApplication::activeModalWidget() == dialog && dialog->windowModality() == Qt::ApplicationModal;
        bool offersStop = false;
        for (QPushButton *button : dialog->findChildren<QPushButton *>()) {
            if (button->isVisible() && button->text() == QStringLiteral("Отказ")) {
                offersStop = true;
                stoppable = true;
                if (!m_stopIn.isEmpty() && dialog->labelText().startsWith(m_stopIn + u'\n') && !pressed) {
                    pressed = true;
                    button->click();
                }
            }
        }
        if (!offersStop && !escaped) {
            escaped = true;
            QTest::keyClick(dialog, Qt::Key_Escape);
            dialog->close();
            keptOnEscape = dialog->isVisible() && !dialog->wasCanceled();
        }
    }

    QString m_stopIn;
    QTimer m_timer;
};
