#pragma once

#include <QString>
#include <QToolButton>
#include <QWidget>

enum class MenuPicture;

// "Към фактурата" has run in this run; never reset.
extern bool DocumentAssembled;
// The page of the last "Към фактурата" has been printed (original or copy).
extern bool AssemblyPrinted;
// What closing the menu asks while the assembled page is not printed.
inline const QString UnprintedCloseQuestion =
    QStringLiteral("Съставеният документ не е отпечатан: стоката от редовете му ще се върне "
                   "в наличност. Да се затвори ли програмата?");

// What "Обновяване" says where the system's package manager updates the
// program (the Debian package's launcher names it in BILVARO_UPDATED_BY).
inline QString packagedUpdateMessage(const QString &manager)
{
    return QStringLiteral("Тази инсталация на програмата се обновява от пакетите на системата: "
                          "обновете я с %1.")
        .arg(manager);
}

// What the start-up reminder asks when no backup was made for a week.
QString backupReminderQuestion(const QString &automaticFolder, int keep);

// The main menu: the picture buttons from which every task starts.
class TMain : public QWidget {
    Q_OBJECT
public:
    explicit TMain(QWidget *parent = nullptr);

    QToolButton *SpeedButton5, *SpeedButton6, *SpeedButton3, *SpeedButton7;
    QToolButton *SpeedButton2, *SpeedButton4, *SpeedButton1, *SpeedButton10, *SpeedButton9;
    QToolButton *SpeedButton11, *SpeedButton12;

    void FormCreate();
    // Asks first while the assembled page is not printed ("Не" keeps the
    // program open: false); gives back the stock of the lines not issued,
    // saves the remembered settings, then ends the message loop.
    bool FormClose();

    void SpeedButton5Click();   // "Собствени фирми"
    void SpeedButton6Click();   // "Банкови сметки"
    void SpeedButton3Click();   // "Стоки и Услуги"
    void SpeedButton7Click();   // "Клиенти"
    void SpeedButton2Click();   // "Таблица"
    void SpeedButton4Click();   // "Към фактурата"
    void SpeedButton1Click();   // "Отпечатай и съхрани"
    void SpeedButton10Click();  // "Нова фактура"
    void SpeedButton9Click();   // "Обновяване"
    void SpeedButton11Click();  // "Издадени документи"
    void SpeedButton12Click();  // "Резервно копие"
    // Once a week without a backup, at start: offers an automatic one into
    // DB/backups/, which keeps the newest few.
    void remindOfBackup();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QToolButton *addButton(const QString &caption, int left, int top, MenuPicture picture);
};

extern TMain *Main;
