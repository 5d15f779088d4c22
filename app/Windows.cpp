#include "app/Windows.h"

#include "app/Menu.h"
#include "app/ParadoxOffer.h"
#include "app/Pick.h"
#include "app/PrintLinks.h"
#include "app/RegisterLinks.h"
#include "document/Document.h"
#include "lines/Totals.h"
#include "lines/Unit1.h"
#include "platform/Fonts.h"
#include "platform/Handlers.h"
#include "platform/Paths.h"
#include "platform/ProgressDialog.h"
#include "platform/SizedIcon.h"
#include "print/Pr.h"
#include "print/PrintRules.h"
#include "reference/Unit4.h"
#include "register/InvoicePick.h"
#include "register/IssuedDocs.h"
#include "update/Updater.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QIcon applicationIcon()
{
    // The sizes of title bars, task bars and window lists, up to twice the
    // usual scale. Larger ones are for the desktop's own views, which take
    // them from the installed icons (Linux) or the executable's (Windows); a
    // window that carries them makes every start read and send them, 2.5 ms.
    return sizedIcon(QStringLiteral(":/icon/bilvaro2007-%1.png"), {16, 24, 32, 48, 64});
}

void setUpApplication(QApplication &app)
{
    // The title of the program; window titles stay as each window sets them.
    QApplication::setApplicationName(QStringLiteral("BILVARO 2007"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(applicationIcon());
    installFontSubstitutes();
    auto *translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_bg"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

void createWindows()
{
    // What the core waits on without a count (the first connection to a
    // server) shows the busy cursor.
    static BusyCursorProgress waiting;
    setWaitProgress(&waiting);
    // The rate dialog is the first thing a start shows: the windows are
    // made once it is answered.
    const TForm1::StartAnswers answers = TForm1::askAtStart();
    Main = new TMain;
    runGuarded([] { Main->FormCreate(); });
    // Before anything opens a table: a folder moved over from the old program.
    runGuarded([] { offerParadoxConversion(StartFolder); });
    Form1 = new TForm1;
    runGuarded([&answers] { Form1->FormCreate(answers); });
    Form4 = new TForm4;
    Form4->setPickLinks(pickLinks());
    Form1->GiveBackStock = giveBackGoods;
    Form1->ChangeStock = changeGoodsStock;
    Doc = new TDoc;
    Doc->setCurrency(Form1->currency());  // as restored from the settings file
    // "Нова фактура" ends this run: the lines not issued give their stock back.
    Doc->SaveSettings = [] {
        Form1->giveBackStock();
        Form1->SaveSettings();
    };
    runGuarded([] { Doc->FormCreate(); });
    UpdateI = new TUpdateI;
    UpdateI->Restart = [] { Doc->startNewInvoice(); };
    PrintDlgOru = new TPrintDlgOru;
    Doc->PrintWindow = PrintDlgOru;
    PrintDlgOru->setLinks(printLinks());
    IssuedDocs = new TIssuedDocs;
    IssuedDocs->InvoiceFromProforma = invoiceFromProforma;
    IssuedDocs->RenderCopy = [](const Invoice &recorded, const RegisterRow &row) {
        return renderRecordedCopy(recorded, row, PrintRules::archiveDepth(PrintDlgOru->ComboBox1->currentText()));
    };
    IssuedDocs->CompanyLogo = [](const InvoiceSupplier &company) { return ownCompanyLogo(company).toImage(); };
    InvoicePick = new TInvoicePick;
    Doc->PickNoteInvoice = pickNoteInvoice;
}

void destroyWindows()
{
    delete InvoicePick;
    InvoicePick = nullptr;
    delete IssuedDocs;
    IssuedDocs = nullptr;
    delete PrintDlgOru;
    PrintDlgOru = nullptr;
    delete UpdateI;
    UpdateI = nullptr;
    delete Doc;
    Doc = nullptr;
    delete Form4;
    Form4 = nullptr;
    delete Form1;
    Form1 = nullptr;
    delete Main;
    Main = nullptr;
    // Program-wide state starts afresh with the next set of windows.
    DocumentAssembled = false;
    AssemblyPrinted = false;
    NumberRecorded = false;
    LineCounter = 0;
    VatFactor = 0.2;
    QLocale::setDefault(QLocale::system());
}
