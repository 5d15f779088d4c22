#pragma once

#include "support/AppFixture.h"
#include "support/ScriptedPrompter.h"

#include <QObject>
#include <optional>

// The base of a test class whose functions drive the windows. Each function
// (each data row) gets a fresh prompter, and a fresh start folder the first
// time it asks for app(). After the function every prompt it expected must
// have come, in order, and no other.
class WindowTest : public QObject {
    Q_OBJECT
protected:
    ScriptedPrompter &prompter() { return *m_prompter; }
    AppFixture &app();

protected Q_SLOTS:
    // A class with an init() or cleanup() of its own calls these from it.
    void init();
    void cleanup();

private:
    std::optional<ScriptedPrompter> m_prompter;
    std::optional<AppFixture> m_app;
};
