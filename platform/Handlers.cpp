#include "platform/Handlers.h"

#include "common/Failure.h"
#include "common/Logging.h"
#include "common/Progress.h"
#include "platform/Prompts.h"

#include <QAbstractButton>
#include <QAction>
#include <typeinfo>

QString unknownFailureText() { return QStringLiteral("Възникна неочаквана грешка."); }

QString failureText(const std::exception &failure)
{
    if (const auto *own = dynamic_cast<const Failure *>(&failure))
        return own->text();
    const QString text = QString::fromUtf8(failure.what());
    return text.isEmpty() ? unknownFailureText() : text;
}

void runGuarded(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const Cancelled &stopped) {
        // The user stopped it: no error, only what was kept as it was.
        prompts().information(stopped.text());
    } catch (const std::exception &failure) {
        if (!dynamic_cast<const Failure *>(&failure))
            qCWarning(lcPlatform) << "handler failed:" << typeid(failure).name() << failure.what();
        prompts().error(failureText(failure));
    } catch (...) {
        // Something that is not an exception of the language: nothing to
        // tell but that it happened.
        qCWarning(lcPlatform) << "handler failed with an unknown exception";
        prompts().error(unknownFailureText());
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
