#pragma once

#include "platform/Prompts.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// A prompter for tests: it expects the prompts of a test in order, answers
// them as prepared and keeps a transcript of every text shown. A prompt it
// did not expect, or an expected one that never came, is a problem that
// finished() reports. It installs itself for its lifetime.
class ScriptedPrompter final : public Prompter {
public:
    ScriptedPrompter();
    ~ScriptedPrompter() override;

    // An input box with this title and prompt; nullopt answers Cancel.
    ScriptedPrompter &expectInput(const QString &title, const QString &prompt,
                                  std::optional<QString> answer);
    ScriptedPrompter &expectInformation(const QString &text);
    ScriptedPrompter &expectMessage(const QString &text, Icon icon);
    ScriptedPrompter &expectError(const QString &text);
    // An error box whatever its text.
    ScriptedPrompter &expectAnyError();
    // A Yes/No question with this text, answered "Да" when yes.
    ScriptedPrompter &expectQuestion(const QString &text, bool yes);
    // The print dialog; whileOpen runs while it is open (what another
    // program does meanwhile).
    ScriptedPrompter &expectPrint(bool confirm, std::function<void()> whileOpen = {});
    ScriptedPrompter &expectOpenPicture(const QString &chosenFile);
    // A folder dialog with this title, answered with a folder (empty: Cancel).
    ScriptedPrompter &expectFolder(const QString &title, const QString &chosenFolder);
    // A save-file dialog with this title, answered with a file (empty: Cancel).
    ScriptedPrompter &expectSaveFile(const QString &title, const QString &chosenFile);
    // The payment form, answered with an entry (nullopt: Cancel); the form
    // shown is kept in lastPaymentForm.
    ScriptedPrompter &expectPayment(std::optional<PaymentAnswer> answer);
    // A file-open dialog with this title, answered with a file (empty: Cancel).
    ScriptedPrompter &expectOpenFile(const QString &title, const QString &chosenFile);
    // A check list with this title, answered with the checked items (nullopt:
    // Cancel); the items shown are kept in lastItems.
    ScriptedPrompter &expectChooseItems(const QString &title, std::optional<QList<int>> checked);

    // True when every expected prompt came, in order, and no other.
    bool finished() const;
    // What went wrong, for QVERIFY2.
    QByteArray problems() const;

    // Every prompt shown, as "kind: text" lines; input boxes also record the
    // text they proposed, as "input: title | prompt | proposed".
    QStringList transcript;
    // The texts the input boxes proposed, in order.
    QStringList proposed;
    // The printer of the last print dialog, for inspecting its settings.
    int lastMinPage = 0;
    int lastMaxPage = 0;
    PaymentForm lastPaymentForm;
    QStringList lastItems;

    std::optional<QString> input(const QString &title, const QString &prompt,
                                 const QString &text) override;
    void information(const QString &text) override;
    void message(const QString &text, Icon icon) override;
    void error(const QString &text) override;
    bool question(const QString &text) override;
    bool print(QPrinter &printer, int minPage, int maxPage) override;
    QString openPicture(const QString &filter) override;
    QString chooseFolder(const QString &title) override;
    QString saveFile(const QString &title, const QString &proposed, const QString &filter) override;
    std::optional<PaymentAnswer> payment(const PaymentForm &form) override;
    QString openFile(const QString &title, const QString &filter) override;
    std::optional<QList<int>> chooseItems(const QString &title, const QString &prompt, const QStringList &items) override;

private:
    enum class Kind { Input, Information, Message, Error, Print, OpenPicture, Question, Folder, SaveFile, Payment, OpenFile, ChooseItems };
    struct Step {
        Kind kind;
        QString text;      // title for an input box
        QString prompt;
        std::optional<QString> answer;
        Icon icon = Icon::Warning;
        bool anyText = false;
        bool confirm = false;
        std::function<void()> whileOpen = nullptr;
        PaymentAnswer payment = {};  // the payment form's entry, when `confirm`
        QList<int> checked = {};     // the check list's answer, when `confirm`
    };
    const Step *next(Kind kind, const QString &shown);

    QList<Step> m_steps;
    qsizetype m_next = 0;
    QStringList m_problems;
};
