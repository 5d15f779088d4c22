#include "platform/Handlers.h"

#include "common/Failure.h"
#include "platform/Prompts.h"

#include <QAbstractButton>
#include <QAction>

QString failureText(const std::exception &failure)
{
    if (const auto *own = dynamic_cast<const Failure *>(&failure))
        return own->text();
    return QString::fromUtf8(failure.what());
}

void runGuarded(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const std::exception &failure) {
        prompts().error(failureText(failure));
    } catch (...) {
        prompts().error(QString());
    }
}

void onClick(QAbstractButton *button, std::function<void()> handler)
{
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [handler = std::move(handler)] { runGuarded(handler); });
}

void onTriggered(QAction *action, std::function<void()> handler)
{
    QObject::connect(action, &QAction::triggered, action,
                     [handler = std::move(handler)] { runGuarded(handler); });
}
