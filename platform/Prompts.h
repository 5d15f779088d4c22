#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QPrinter;

// The payment form: what it proposes, and what the user entered on OK.
struct PaymentForm {
    QString title;
    QString prompt;      // names the document and what is still owed
    QString amount;      // proposed: the rest owed
    QStringList currencies;  // the document's first
    QStringList ways;
    QDate date;
};
struct PaymentAnswer {
    QString amount;      // as typed
    QString currency;
    QString way;
    QDate date;
    QString note;
};

// Every modal prompt of the program goes through here. The program's own
// prompter shows Qt's dialogs; tests install a scripted one.
class Prompter {
public:
    enum class Icon { Warning, Error };

    virtual ~Prompter() = default;
    // Input box with a title, a prompt and a pre-filled text: the edited text
    // on OK, nothing on Cancel.
    virtual std::optional<QString> input(const QString &title, const QString &prompt,
                                         const QString &text) = 0;
    // Plain information box with one OK button.
    virtual void information(const QString &text) = 0;
    // Message box with an empty title and a warning or error icon.
    virtual void message(const QString &text, Icon icon) = 0;
    // The standard error box that reports a failure with its own text.
    virtual void error(const QString &text) = 0;
    // A question with the buttons "Да" and "Не": true for "Да".
    virtual bool question(const QString &text) = 0;
    // The system print dialog with page range minPage..maxPage: true when confirmed.
    virtual bool print(QPrinter &printer, int minPage, int maxPage) = 0;
    // The picture-open dialog: the chosen file, or an empty text on Cancel.
    virtual QString openPicture(const QString &filter) = 0;
    // The folder dialog: the chosen folder, or an empty text on Cancel.
    virtual QString chooseFolder(const QString &title) = 0;
    // The save-file dialog, proposing a path: the chosen file, or an empty
    // text on Cancel.
    virtual QString saveFile(const QString &title, const QString &proposed, const QString &filter) = 0;
    // The payment form: the entry on OK, nothing on Cancel.
    virtual std::optional<PaymentAnswer> payment(const PaymentForm &form) = 0;
    // The file-open dialog: the chosen file, or an empty text on Cancel.
    virtual QString openFile(const QString &title, const QString &filter) = 0;
    // A list of items, each with a check box, all checked at first: the
    // indexes of the checked ones on OK, nothing on Cancel.
    virtual std::optional<QList<int>> chooseItems(const QString &title, const QString &prompt,
                                                  const QStringList &items) = 0;
};

Prompter &prompts();
// Installs a prompter; nullptr restores Qt's dialogs.
void setPrompter(Prompter *replacement);
