// A Qt plugin that a benchmark loads into a program it starts, to see from
// inside when the user would see something:
//   QT_PLUGIN_PATH=<folder holding generic/> QT_QPA_GENERIC_PLUGINS=bilvaroprobe
// BILVARO_PROBE says what to wait for; the process ends the moment it comes,
// so that its wall time and peak memory are what the user waited for:
//   dialog  the first dialog painted
//   goods   the first dialog accepted as proposed, then "Стоки и Услуги"
//           pressed, then the goods grid painted
//   register  the same with "Издадени документи" and its list
// The program itself knows nothing of it.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QGenericPlugin>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

namespace {

class Probe : public QObject {
public:
    // The menu's button and the window it opens; none: the first dialog is the end.
    Probe(QString button, QString window) : m_button(std::move(button)), m_window(std::move(window)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        if (m_step == Step::Dialog && qobject_cast<QDialog *>(widget)) {
            if (m_button.isEmpty())
                later([] { end(); });
            else
                later([dialog = qobject_cast<QDialog *>(widget)] { dialog->accept(); });
            m_step = Step::Menu;
        } else if (m_step == Step::Menu) {
            auto *button = qobject_cast<QAbstractButton *>(widget);
            if (button && button->text() == m_button) {
                later([button] { button->click(); });
                m_step = Step::Grid;
            }
        } else if (m_step == Step::Grid) {
            auto *view = qobject_cast<QTableView *>(widget->parentWidget());
            if (view && view->viewport() == widget && widget->window()->windowTitle() == m_window
                && view->model() && view->model()->rowCount() > 0)
                later([] { end(); });
        }
        return false;
    }

private:
    enum class Step { Dialog, Menu, Grid };

    // After the paint under way is over.
    template<typename Action>
    void later(Action action)
    {
        QTimer::singleShot(0, qApp, action);
    }

    static void end()
    {
        std::fflush(nullptr);
        _exit(0);
    }

    QString m_button, m_window;
    Step m_step = Step::Dialog;
};

} // namespace

class ProbePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "probe.json")
public:
    QObject *create(const QString &, const QString &) override
    {
        const QString what = qEnvironmentVariable("BILVARO_PROBE");
        auto *probe = what == QLatin1String("goods")      ? new Probe(QStringLiteral("Стоки и Услуги"), QStringLiteral("СТОКИ"))
            : what == QLatin1String("register") ? new Probe(QStringLiteral("Издадени документи"), QStringLiteral("Издадени документи"))
                                                : new Probe(QString(), QString());
        QCoreApplication::instance()->installEventFilter(probe);
        return probe;
    }
};

#include "Probe.moc"
