#pragma once

#include <functional>

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

// The text shown for whatever a handler threw; an exception without a text
// of its own shows unknownFailureText().
QString failureText(const std::exception &failure);
QString unknownFailureText();
