#pragma once

#include "support/RecordingShell.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <optional>

class ScriptedPrompter;

// A fresh temporary start folder, made the current directory and StartFolder.
// start() creates the six windows there as the program does, answering the
// VAT rate dialog; the destructor destroys them and restores the old folder.
class AppFixture {
public:
    AppFixture();
    ~AppFixture();

    // Expects the rate dialog (answered with rateAnswer, nullopt = Cancel) and
    // creates the windows.
    void start(ScriptedPrompter &prompter, std::optional<QString> rateAnswer = QStringLiteral("20%"));
    // Creates the windows with no prompt expected beyond those already queued.
    void open();

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QDir dir() const { return QDir(m_dir.path()); }
    RecordingShell shell;

private:
    QTemporaryDir m_dir;
    QString m_previousFolder;
    QString m_previousStartFolder;
};
