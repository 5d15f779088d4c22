#include "app/Menu.h"

#include "app/Assembly.h"
#include "app/Leftovers.h"
#include "app/MenuPictures.h"
#include "backup/Backup.h"
#include "document/Document.h"
#include "lines/Unit1.h"
#include "platform/Executable.h"
#include "platform/Fonts.h"
#include "platform/Handlers.h"
#include "platform/Paths.h"
#include "platform/ProgressDialog.h"
#include "platform/Prompts.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"
#include "print/Pr.h"
#include "reference/TableStore.h"
#include "reference/Unit4.h"
#include "register/IssuedDocs.h"
#include "update/Updater.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>

TMain *Main = nullptr;
bool DocumentAssembled = false;
bool AssemblyPrinted = false;

namespace {

Backup::Folders backupFolders()
{
    return {StartFolder, QDir(installFolder()).filePath(QStringLiteral("DB"))};
}

QString madeText(const Backup::Made &made)
{
    QString text = QStringLiteral("Резервното копие „%1“ е записано: %2 таблици, %3 страници на архива. "
                                  "Пазете копие и на друг диск или компютър.")
                       .arg(QDir::toNativeSeparators(made.file))
                       .arg(made.tables)
                       .arg(made.pages);
    if (made.serverNote)
        text += u'\n' + *made.serverNote;
    return text;
}

void bringUp(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

TMain::TMain(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Bilvaro 2007 - Меню"));
    setFixedSize(360, 720);
    fillBackground(this, QColor(223, 223, 223));
    setFont(pixelFont(QStringLiteral("Arial"), 11));

    SpeedButton5 = addButton(QStringLiteral("Собствени фирми"), 0, 0, MenuPicture::OwnCompanies);
    SpeedButton6 = addButton(QStringLiteral("Банкови сметки"), 0, 120, MenuPicture::BankAccounts);
    SpeedButton3 = addButton(QStringLiteral("Стоки и Услуги"), 0, 240, MenuPicture::Goods);
    SpeedButton7 = addButton(QStringLiteral("Клиенти"), 0, 360, MenuPicture::Clients);
    SpeedButton2 = addButton(QStringLiteral("Таблица"), 180, 0, MenuPicture::Table);
    SpeedButton4 = addButton(QStringLiteral("Към фактурата"), 180, 120, MenuPicture::ToInvoice);
    SpeedButton1 = addButton(QStringLiteral("Отпечатай и съхрани"), 180, 240, MenuPicture::PrintAndSave);
    SpeedButton10 = addButton(QStringLiteral("Нова фактура"), 180, 360, MenuPicture::NewInvoice);
    SpeedButton10->resize(180, 121);
    SpeedButton9 = addButton(QStringLiteral("Обновяване"), 180, 480, MenuPicture::Update);
    SpeedButton11 = addButton(QStringLiteral("Издадени документи"), 0, 480, MenuPicture::IssuedDocuments);
    SpeedButton12 = addButton(QStringLiteral("Резервно копие"), 0, 600, MenuPicture::Backup);

    onClick(SpeedButton5, [this] { SpeedButton5Click(); });
    onClick(SpeedButton6, [this] { SpeedButton6Click(); });
    onClick(SpeedButton3, [this] { SpeedButton3Click(); });
    onClick(SpeedButton7, [this] { SpeedButton7Click(); });
    onClick(SpeedButton2, [this] { SpeedButton2Click(); });
    onClick(SpeedButton4, [this] { SpeedButton4Click(); });
    onClick(SpeedButton1, [this] { SpeedButton1Click(); });
    onClick(SpeedButton10, [this] { SpeedButton10Click(); });
    onClick(SpeedButton9, [this] { SpeedButton9Click(); });
    onClick(SpeedButton11, [this] { SpeedButton11Click(); });
    onClick(SpeedButton12, [this] { SpeedButton12Click(); });
}

QToolButton *TMain::addButton(const QString &caption, int left, int top, MenuPicture picture)
{
    auto *button = new QToolButton(this);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFont(pixelFont(QStringLiteral("Arial"), 13, true));
    button->setText(caption);
    button->setIcon(menuPicture(picture));
    button->setIconSize(QSize(72, 72));
    button->setGeometry(left, top, 180, 120);
    return button;
}

void TMain::FormCreate()
{
    move(0, 0);
    // What a completed update leaves behind: the previous build kept in the
    // installation folder, and the files of that name in the current directory.
    const QStringList leftovers = {QDir(installFolder()).filePath(oldExecutableFileName()),
                                   QStringLiteral("Bilvaro2007old.exe"), QStringLiteral("BILVARO2007.BAK")};
    for (const QString &leftover : leftovers) {
        if (QFile::exists(leftover))
            QFile::remove(leftover);
    }
    removeWriterLeftovers(StartFolder, installFolder(), programStartTime());
}

bool TMain::FormClose()
{
    if (DocumentAssembled && !AssemblyPrinted && !prompts().question(UnprintedCloseQuestion))
        return false;
    Form1->giveBackStock();
    Form1->SaveSettings();
    // A change typed into the browser is stored; one that cannot be is
    // reported, and the program still ends.
    runGuarded([] {
        Form4->DBGrid1->commitOpenEditor();
        Form4->Table1->close();
    });
    shell().endMessageLoop();
    return true;
}

void TMain::closeEvent(QCloseEvent *event)
{
    // A settings file that cannot be written keeps the program running.
    event->ignore();
    runGuarded([this, event] {
        if (FormClose())
            event->accept();
    });
}

void TMain::SpeedButton5Click() { Form4->openOwnCompanies(); }
void TMain::SpeedButton6Click() { Form4->openBankDetails(); }
void TMain::SpeedButton3Click() { Form4->openGoods(); }
void TMain::SpeedButton7Click() { Form4->openClients(); }
void TMain::SpeedButton2Click() { bringUp(Form1); }

void TMain::SpeedButton4Click() { assembleInvoice(); }

void TMain::SpeedButton1Click()
{
    if (!DocumentAssembled)
        assembleInvoice();
    else if (linesChangedSinceAssembly())
        assembleKeepingTypedFields();
    else
        bringUp(Doc);
    Doc->showPrintWindow();
}

void TMain::SpeedButton10Click() { Doc->startNewInvoice(); }

void TMain::SpeedButton11Click() { bringUp(IssuedDocs); }

void TMain::SpeedButton12Click()
{
    const QString proposed = QDir(QDir::homePath())
                                 .filePath(QStringLiteral("Bilvaro-%1.tar").arg(QDate::currentDate().toString(Qt::ISODate)));
    const QString file = prompts().saveFile(QStringLiteral("Резервно копие"), proposed, QStringLiteral("Резервно копие (*.tar)"));
    if (file.isEmpty())
        return;
    ProgressDialog progress(this);
    const Backup::Made made = Backup::make(backupFolders(), file, progress);
    progress.finish();
    Backup::rememberMade(StartFolder, QDate::currentDate());
    prompts().information(madeText(made));
}

QString backupReminderQuestion(const QString &automaticFolder, int keep)
{
    return QStringLiteral("От поне %1 дни не е правено резервно копие на таблиците, регистъра и архива. "
                          "Да се направи ли сега? (Автоматичните копия са в „%2“; пазят се последните %3.)")
        .arg(Backup::ReminderDays)
        .arg(QDir::toNativeSeparators(automaticFolder))
        .arg(keep);
}

void TMain::remindOfBackup()
{
    // A reminder that cannot be remembered or a backup that fails is
    // reported; the program goes on either way.
    runGuarded([] {
        if (!QFileInfo(dataDirectory()).isDir())
            return;  // nothing to back up yet
        Backup::Memory memory = Backup::remembered(dataDirectory());
        const QDate today = QDate::currentDate();
        if (!memory.lastBackup && !memory.lastReminder) {
            // The first run starts the week: a new folder is not asked at once.
            memory.lastReminder = today;
            Backup::remember(dataDirectory(), memory);
            return;
        }
        if (!Backup::reminderDue(memory, today))
            return;
        memory.lastReminder = today;
        Backup::remember(dataDirectory(), memory);
        if (!prompts().question(backupReminderQuestion(Backup::automaticFolder(StartFolder), memory.keep)))
            return;
        ProgressDialog progress(Main);
        const Backup::Made made = Backup::makeAutomatic(backupFolders(), QDateTime::currentDateTime(), progress);
        progress.finish();
        prompts().information(madeText(made));
    });
}

void TMain::SpeedButton9Click()
{
    // A program installed from the system's packages is updated by its
    // package manager: its own update would land beside the data and never run.
    if (const QString manager = qEnvironmentVariable("BILVARO_UPDATED_BY"); !manager.isEmpty()) {
        prompts().information(packagedUpdateMessage(manager));
        return;
    }
    UpdateI->CheckVersion();
    if (UpdateI->UpdateAvailable)
        bringUp(UpdateI);
    else
        prompts().message(QStringLiteral("Вашата версия на програмата е актуална!"),
                          Prompter::Icon::Warning);
}
