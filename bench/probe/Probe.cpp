// A Qt plugin that a benchmark loads into a program it starts, to see from
// inside when the user would see something:
//   QT_PLUGIN_PATH=<folder holding generic/> QT_QPA_GENERIC_PLUGINS=bilvaroprobe
// BILVARO_PROBE says what to wait for; the process ends the moment it comes,
// so that its wall time and peak memory are what the user waited for:
//   dialog  the first dialog painted
//   goods   the first dialog accepted as proposed, then "Стоки и Услуги"
//           pressed, then the goods grid painted
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
    explicit Probe(bool goods) : m_goods(goods) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        if (m_step == Step::Dialog && qobject_cast<QDialog *>(widget)) {
            if (!m_goods)
                later([] { end(); });
            else
                later([dialog = qobject_cast<QDialog *>(widget)] { dialog->accept(); });
            m_step = Step::Menu;
        } else if (m_step == Step::Menu) {
            auto *button = qobject_cast<QAbstractButton *>(widget);
            if (button && button->text() == QStringLiteral("Стоки и Услуги")) {
                later([button] { button->click(); });
                m_step = Step::Grid;
            }
        } else if (m_step == Step::Grid) {
            auto *view = qobject_cast<QTableView *>(widget->parentWidget());
            if (view && view->viewport() == widget && widget->window()->windowTitle() == QStringLiteral("СТОКИ")
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

    bool m_goods;
    Step m_step = Step::Dialog;
};

} // namespace

class ProbePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "probe.json")
public:
    QObject *create(const QString &, const QString &) override
    {
        auto *probe = new Probe(qEnvironmentVariable("BILVARO_PROBE") == QLatin1String("goods"));
        QCoreApplication::instance()->installEventFilter(probe);
        return probe;
    }
};

#include "Probe.moc"
