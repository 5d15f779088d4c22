#include "platform/Prompts.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QWidget *owner() { return QApplication::activeWindow(); }

class DialogPrompter final : public Prompter {
public:
    std::optional<QString> input(const QString &title, const QString &prompt,
                                 const QString &text) override
    {
        bool ok = false;
        const QString answer =
            QInputDialog::getText(owner(), title, prompt, QLineEdit::Normal, text, &ok);
        if (!ok)
            return std::nullopt;
        return answer;
    }

    void information(const QString &text) override
    {
        QMessageBox::information(owner(), QApplication::applicationName(), text);
    }

    void message(const QString &text, Icon icon) override
    {
        QMessageBox box(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::Critical,
                        QString(), text, QMessageBox::Ok, owner());
        box.exec();
    }

    void error(const QString &text) override
    {
        QMessageBox::critical(owner(), QApplication::applicationName(), text);
    }

    bool question(const QString &text) override
    {
        QMessageBox box(QMessageBox::Question, QString(), text, QMessageBox::NoButton, owner());
        QPushButton *yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(QStringLiteral("Не"), QMessageBox::NoRole);
        box.setDefaultButton(no);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes;
    }

    bool print(QPrinter &printer, int minPage, int maxPage) override
    {
        QPrintDialog dialog(&printer, owner());
        dialog.setMinMax(minPage, maxPage);
        printer.setFromTo(minPage, maxPage);
        return dialog.exec() == QDialog::Accepted;
    }

    QString openPicture(const QString &filter) override
    {
        return QFileDialog::getOpenFileName(owner(), QString(), QString(), filter);
    }

    QString chooseFolder(const QString &title) override
    {
        return QFileDialog::getExistingDirectory(owner(), title);
    }

    QString saveFile(const QString &title, const QString &proposed, const QString &filter) override
    {
        // The program asks about an existing file itself, in its own words.
        return QFileDialog::getSaveFileName(owner(), title, proposed, filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    }

    std::optional<PaymentAnswer> payment(const PaymentForm &form) override
    {
        QDialog dialog(owner());
        dialog.setWindowTitle(form.title);
        auto *layout = new QFormLayout(&dialog);
        layout->addRow(new QLabel(form.prompt, &dialog));
        auto *amount = new QLineEdit(form.amount, &dialog);
        auto *currency = new QComboBox(&dialog);
        currency->addItems(form.currencies);
        auto *date = new QDateEdit(form.date, &dialog);
        date->setCalendarPopup(true);
        date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        auto *way = new QComboBox(&dialog);
        way->addItems(form.ways);
        auto *note = new QLineEdit(&dialog);
        layout->addRow(QStringLiteral("Сума:"), amount);
        layout->addRow(QStringLiteral("Валута:"), currency);
        layout->addRow(QStringLiteral("Дата:"), date);
        layout->addRow(QStringLiteral("Начин:"), way);
        layout->addRow(QStringLiteral("Бележка:"), note);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отказ"));
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        layout->addRow(buttons);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return PaymentAnswer{amount->text(), currency->currentText(), way->currentText(), date->date(), note->text()};
    }

    QString openFile(const QString &title, const QString &filter) override
    {
        return QFileDialog::getOpenFileName(owner(), title, QString(), filter);
    }

    std::optional<QList<int>> chooseItems(const QString &title, const QString &prompt, const QStringList &items) override
    {
        QDialog dialog(owner());
        dialog.setWindowTitle(title);
        auto *layout = new QVBoxLayout(&dialog);
        layout->addWidget(new QLabel(prompt, &dialog));
        auto *list = new QListWidget(&dialog);
        for (const QString &item : items) {
            auto *row = new QListWidgetItem(item, list);
            row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
            row->setCheckState(Qt::Checked);
        }
        list->setMinimumWidth(720);
        layout->addWidget(list);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отказ"));
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        layout->addWidget(buttons);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        QList<int> checked;
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->checkState() == Qt::Checked)
                checked << i;
        }
        return checked;
    }
};

DialogPrompter dialogPrompter;
Prompter *current = &dialogPrompter;

} // namespace

Prompter &prompts() { return *current; }

void setPrompter(Prompter *replacement) { current = replacement ? replacement : &dialogPrompter; }
