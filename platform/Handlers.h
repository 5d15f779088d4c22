#pragma once

#include <QObject>
#include <functional>
#include <type_traits>

class QAbstractButton;
class QAction;
class QString;

// Runs a handler entered from the event loop: a failure it throws is shown in
// the standard error box with its own text, and the program carries on.
// Code that runs another handler calls that handler directly instead, so a
// failure passes on to its caller, which stops as well.
void runGuarded(const std::function<void()> &handler);

// Connects a button's click or an action's trigger to its handler, guarded.
void onClick(QAbstractButton *button, std::function<void()> handler);
void onTriggered(QAction *action, std::function<void()> handler);

// Connects any other signal to its handler, guarded; the handler takes the
// signal's arguments, or none.
template<typename Sender, typename Signal, typename Handler>
void onSignal(Sender *sender, Signal signal, QObject *context, Handler handler)
{
    QObject::connect(sender, signal, context, [handler = std::move(handler)](const auto &...arguments) {
        runGuarded([&] {
            if constexpr (std::is_invocable_v<const Handler &, decltype(arguments)...>)
                handler(arguments...);
            else
                handler();
        });
    });
}

// The text shown for whatever a handler threw; an exception without a text
// of its own shows unknownFailureText().
QString failureText(const std::exception &failure);
QString unknownFailureText();
