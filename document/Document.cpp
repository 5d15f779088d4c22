#include "document/Document.h"

#include "document/AmountWords.h"
#include "document/AssemblyRules.h"
#include "document/FieldRules.h"
#include "document/PagePieces.h"
#include "platform/Fonts.h"
#include "platform/Handlers.h"
#include "platform/Prompts.h"
#include "platform/Shell.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

TDoc *Doc = nullptr;

namespace {

const QColor Silver(192, 192, 192);
const QColor FormGrey(223, 223, 223);

constexpr int PageHeight = 1168;
constexpr int ClientHeight = 1184;
constexpr int ImprintTop = 1144;
constexpr int ImprintGap = 8;

const QString Dots40 = QString(40, u'.');
const QString Dots76 = QString(76, u'.');
const QString Dots24 = QString(24, u'.');

QFont arial(int pixels = 13, bool bold = false)
{
    return pixelFont(QStringLiteral("Arial"), pixels, bold);
}

AutoSizeLabel *label(QWidget *parent, const QString &text, int left, int top,
                     const QFont &font = arial())
{
    auto *result = new AutoSizeLabel(text, parent);
    result->setFont(font);
    result->move(left, top);
    return result;
}

AutoSizeLabel *whiteLabel(QWidget *parent, const QString &text, int left, int top,
                          const QFont &font = arial())
{
    AutoSizeLabel *result = label(parent, text, left, top, font);
    fillBackground(result, Qt::white);
    return result;
}

// A label that keeps the width it was given.
QLabel *fixedLabel(QWidget *parent, const QString &text, QRect geometry, const QFont &font)
{
    auto *result = new QLabel(parent);
    result->setTextFormat(Qt::PlainText);
    result->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    result->setMargin(0);
    result->setIndent(0);
    result->setFont(font);
    result->setText(text);
    result->setGeometry(geometry);
    return result;
}

AutoSizePanel *whitePanel(QWidget *parent, int left, int top, QColor colour = Qt::white)
{
    auto *panel = new AutoSizePanel(parent);
    fillBackground(panel, colour);
    panel->move(left, top);
    return panel;
}

QString cellText(const QTableWidget &grid, int row, int column)
{
    const QTableWidgetItem *item = grid.item(row, column);
    return item ? item->text() : QString();
}

// The rows of a note's references that hold anything.
QList<NoteReference> noteReferences(const QTableWidget &grid)
{
    QList<NoteReference> references;
    for (int row = 1; row < grid.rowCount(); ++row) {
        const NoteReference reference{cellText(grid, row, 0), cellText(grid, row, 1), cellText(grid, row, 2)};
        if (!(reference == NoteReference()))
            references.append(reference);
    }
    return references;
}

// Sets a caption whatever kind of label holds it; a self-sizing label refits.
void setCaption(QLabel *target, const QString &text)
{
    if (auto *sizing = qobject_cast<AutoSizeLabel *>(target))
        sizing->setText(text);
    else
        target->setText(text);
}

} // namespace

TDoc::TDoc(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Фактура"));
    setWindowIcon(documentPicture());
    setFont(arial(11));
    setGeometry(46, 206, 954, 520);
    setWindowState(Qt::WindowMaximized);

    // The page is taller than any screen: the client area scrolls.
    Scroller = new QScrollArea(this);
    Scroller->setFrameShape(QFrame::NoFrame);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Scroller);
    Client = new QWidget;
    fillBackground(Client, FormGrey);
    Client->setFixedSize(1000, ClientHeight);
    Scroller->setWidget(Client);
    fillBackground(Scroller->viewport(), FormGrey);

    buildPage();
    buildClientBlock();
    buildSupplierBlock();
    buildNoteBlock();
    buildGrids();
    buildLowerBlock();
    buildTotals();
    buildSignatures();
    buildBesideThePage();

    // Bound once everything stands, so that building does not re-stack the page.
    onSignal(Panel3, &AutoSizePanel::contentsResized, this, [this] { Panel3Resize(); });
    onSignal(Memo4, &AutoSizePanel::contentsResized, this, [this] { Memo4Resize(); });
    onSignal(Panel6, &AutoSizePanel::contentsResized, Memo4, [this] { Memo4->fitContents(); });

    bindGreyField(Label15, [this] { Label15Click(); });
    bindGreyField(Label22, [this] { Label22Click(); });
    for (AutoSizeLabel *field : {Label33, Label29, Label30})
        bindGreyField(field, [this, field] { Label33Click(field); });
    for (AutoSizeLabel *field : {Label18, Label19, Label55})
        bindGreyField(field, [this, field] { Label18Click(field); });
    for (QLabel *field : std::initializer_list<QLabel *>{Label34, Label65, Label16, Label57, Label40,
                                                          Label37, Label38, Label39, Label53, Label35,
                                                          Label52})
        bindGreyField(field, [this, field] { Label34Click(field); });
}

void TDoc::buildPage()
{
    Panel1 = new QFrame(Client);
    Panel1->setFrameShape(QFrame::NoFrame);
    fillBackground(Panel1, Qt::white);
    Panel1->setFont(pixelFont(QStringLiteral("Times New Roman"), 16));
    Panel1->setGeometry(8, 8, 859, PageHeight);

    Label1 = label(Panel1, QStringLiteral("ФАКТУРА"), 361, 16, arial(24, true));
    Label8 = label(Panel1, QStringLiteral("Оригинал"), 365, 48, arial(21, true));
    Label15 = label(Panel1, QStringLiteral("№ 0000000001 / Дата: дд.мм.гггг"), 304, 88, arial(16));

    Image2 = newFittedPicture(Panel1, QRect(600, 16, 233, 97));

    Image1 = new QLabel(Panel1);
    Image1->setGeometry(792, 1128, 42, 35);
    Image1->hide();

    Label9 = label(Panel1,
                   QStringLiteral("Документът е изготвен с програмата за фактуриране BILVARO 2007"),
                   72, ImprintTop, pixelFont(QStringLiteral("Times New Roman"), 11));
}

void TDoc::buildClientBlock()
{
    Panel3 = whitePanel(Panel1, 72, 120);
    const QFont bold = arial(13, true);
    Label24 = label(Panel3, QStringLiteral("КЛИЕНТ:"), 0, 0, bold);
    Label33 = label(Panel3, Dots40, 72, 0);
    Label28 = label(Panel3, QStringLiteral("Адрес: "), 0, 24, bold);
    Label29 = label(Panel3, Dots40, 72, 24);
    Label31 = label(Panel3, QStringLiteral("МОЛ:"), 0, 48, bold);
    Label30 = label(Panel3, Dots40, 72, 48);
    Label25 = label(Panel3, QStringLiteral("ИН по ЗДДС BG"), 0, 72, bold);
    Label34 = fixedLabel(Panel3, QString(), QRect(104, 72, 96, 16), bold);
    Label66 = label(Panel3, QStringLiteral("ИН:"), 0, 96, bold);
    Label65 = fixedLabel(Panel3, QString(), QRect(104, 96, 95, 16), bold);
    Panel3->fitContents();
}

void TDoc::buildSupplierBlock()
{
    Panel4 = whitePanel(Panel1, 539, 120);
    const QFont bold = arial(13, true);
    Label45 = label(Panel4, QStringLiteral("ДОСТАВЧИК:"), 0, 0, bold);
    Label46 = whiteLabel(Panel4, QStringLiteral("(Фирма)"), 88, 0);
    Label63 = whiteLabel(Panel4, QStringLiteral("(Фирма)"), 88, 16);
    Label48 = label(Panel4, QStringLiteral("Адрес: "), 0, 40, bold);
    Label47 = whiteLabel(Panel4, QStringLiteral("(Адреса)"), 48, 40);
    Label54 = whiteLabel(Panel4, QStringLiteral("(Адреса)"), 48, 56);
    Label50 = label(Panel4, QStringLiteral("МОЛ:"), 0, 80, bold);
    Label49 = whiteLabel(Panel4, QStringLiteral("(МОЛ)"), 48, 80);
    Label64 = label(Panel4, QStringLiteral("ИН по ЗДДС BG"), 0, 104, bold);
    Label11 = fixedLabel(Panel4, QStringLiteral("(Идент.Ном.)"), QRect(104, 104, 96, 16), bold);
    fillBackground(Label11, Qt::white);
    Label69 = label(Panel4, QStringLiteral("ИН:"), 0, 128, bold);
    Label10 = fixedLabel(Panel4, QStringLiteral("(Идент.Ном.)"), QRect(104, 128, 95, 16), bold);
    fillBackground(Label10, Qt::white);
    Label12 = label(Panel4, QStringLiteral("Местоиздаване:"), 0, 152, bold);
    Label16 = label(Panel4, Dots24, 112, 153);
    Panel4->fitContents();
}

void TDoc::buildNoteBlock()
{
    Panel2 = whitePanel(Panel1, 72, 266, palette().color(QPalette::Light));
    Label21 = label(Panel2, QString(), 0, 0, pixelFont(QStringLiteral("Times New Roman"), 16));
    Label22 = label(Panel2, QStringLiteral("от дата: , към фактура №:"), 0, 21);
    Panel2->fitContents();
    Panel2->hide();
}

void TDoc::buildGrids()
{
    StringGrid2 = new QTableWidget(2, 6, Panel1);
    setUpPageGrid(StringGrid2, {49, 540, 42, 47, 72, 73}, 18, GridLines::ColumnsAndHeading);
    StringGrid2->setFont(arial());
    StringGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid2->setSelectionMode(QAbstractItemView::NoSelection);
    StringGrid2->setFocusPolicy(Qt::NoFocus);
    StringGrid2->setGeometry(14, 308, 835, 45);

    Bevel1 = newRule(Panel1, QRect(40, 368, 777, 2));
    Bevel3 = newRule(Panel1, QRect(80, 640, 657, 1));
}

void TDoc::buildLowerBlock()
{
    Memo4 = whitePanel(Panel1, 80, 376);
    const QFont bold = arial(13, true);
    Label36 = whiteLabel(Memo4, QStringLiteral("Словом:"), 8, 0);
    Label18 = label(Memo4, Dots76, 64, 0);
    Bevel2 = newRule(Memo4, QRect(16, 28, 401, 2));
    Label19 = label(Memo4, Dots76, 64, 40);
    Label20 = label(Memo4, QStringLiteral("/основание за неначисляване на ДДС и за нулева ставка/"), 40, 56);
    Label55 = label(Memo4, Dots76, 64, 80);
    Label56 = label(Memo4,
                    QStringLiteral("/обстоятелства, които определят стоката като ново превозно средство/"),
                    24, 96, arial(11));
    Label58 = label(Memo4, QStringLiteral("Дата на данъчното събитие:"), 0, 128);
    Label57 = label(Memo4, QStringLiteral("дд.мм.гггг"), 176, 129);
    Label27 = label(Memo4, QStringLiteral("Дата на плащане:"), 0, 144);
    Label40 = label(Memo4, QStringLiteral("дд.мм.гггг"), 176, 145);
    Bevel6 = newRule(Memo4, QRect(0, 164, 377, 2));
    Label44 = whiteLabel(Memo4, QStringLiteral("Плащане:"), 8, 169, bold);
    Label37 = label(Memo4, Dots40, 80, 169);
    Label43 = whiteLabel(Memo4, QStringLiteral("Банка:"), 8, 193, bold);
    Label38 = label(Memo4, Dots40, 80, 193);
    Label42 = whiteLabel(Memo4, QStringLiteral("IBAN:"), 8, 217, bold);
    Label39 = label(Memo4, Dots40, 80, 217);
    Label41 = whiteLabel(Memo4, QStringLiteral("SWIFT/BIC:"), 8, 241, bold);
    Label53 = label(Memo4, Dots40, 80, 241);

    StringGrid1 = new QTableWidget(4, 3, Memo4);
    setUpPageGrid(StringGrid1, {19, 146, 90}, 20, GridLines::AllCells);
    StringGrid1->setEditTriggers(QAbstractItemView::AllEditTriggers);
    StringGrid1->setGeometry(424, 160, 262, 88);
    StringGrid1->hide();
}

void TDoc::buildTotals()
{
    Panel6 = whitePanel(Memo4, 455, 0);
    const QFont bold = arial(13, true);
    Label6 = label(Panel6, QStringLiteral("Данъчна основа"), 2, 0, bold);
    Label5 = label(Panel6, QStringLiteral("0"), 186, 0, bold);
    Label2 = label(Panel6, QStringLiteral("Данъчна ставка %\nразмер на данъка"), 2, 24, bold);
    Label7 = label(Panel6, QStringLiteral("0"), 186, 32, bold);
    Bevel4 = newRule(Panel6, QRect(0, 60, 241, 2));
    Label4 = label(Panel6, QStringLiteral("Сума за плащане"), 2, 64, bold);
    Label3 = label(Panel6, QStringLiteral("0"), 186, 64, bold);
    Panel6->fitContents();
    Memo4->fitContents();
}

void TDoc::buildSignatures()
{
    Panel5 = whitePanel(Panel1, 80, 650);
    const QFont bold = arial(13, true);
    const QString signatureCaption = QStringLiteral("/име, фамилия и подпис/");
    Label32 = label(Panel5, QStringLiteral("Получател:"), 0, 0, bold);
    Label35 = label(Panel5, Dots40, 80, 0);
    Label14 = label(Panel5, Dots40, 80, 32);
    Label62 = whiteLabel(Panel5, signatureCaption, 80, 48);
    Label51 = label(Panel5, QStringLiteral("Съставил:"), 396, 0, bold);
    Label52 = label(Panel5, Dots40, 473, 0);
    Label17 = label(Panel5, Dots40, 469, 32);
    Label13 = whiteLabel(Panel5, signatureCaption, 467, 48);
    Panel5->fitContents();
}

void TDoc::buildBesideThePage()
{
    const QFont buttonFont = pixelFont(QStringLiteral("MS Sans Serif"), 11);
    auto button = [this, &buttonFont](const QString &caption, const QIcon &picture, int top) {
        auto *result = new QToolButton(Client);
        result->setAutoRaise(true);
        result->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        result->setFont(buttonFont);
        result->setText(caption);
        result->setIcon(picture);
        result->setIconSize(QSize(16, 16));
        result->setGeometry(872, top, 120, 76);
        return result;
    };
    SpeedButton1 = button(QStringLiteral("Отпечатай"), printerPicture(), 13);
    SpeedButton3 = button(QStringLiteral("Нова фактура"), newPagePicture(), 93);
    SpeedButton4 = button(QStringLiteral("Към фактура"), QIcon(), 173);
    SpeedButton4->hide();
    onClick(SpeedButton1, [this] { SpeedButton1Click(); });
    onClick(SpeedButton3, [this] { SpeedButton3Click(); });
    onClick(SpeedButton4, [this] { SpeedButton4Click(); });

    NO = label(Client, QStringLiteral("0"), 893, 232, arial(11));
    NO->hide();
    SVpath = label(Client, QStringLiteral("C:\\Program Files\\Bilvaro 2007\\DB\\"), 869, 248, arial(11));
    SVpath->hide();
}

void TDoc::bindGreyField(QLabel *field, std::function<void()> handler)
{
    fillBackground(field, Silver);
    field->installEventFilter(this);
    m_clickHandlers.insert(field, std::move(handler));
    m_greyFields.append(field);
}

void TDoc::greyTheFields()
{
    for (QLabel *field : m_greyFields)
        fillBackground(field, Silver);
}

bool TDoc::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto handler = m_clickHandlers.constFind(watched);
        auto *mouse = static_cast<QMouseEvent *>(event);
        auto *field = static_cast<QWidget *>(watched);
        if (handler != m_clickHandlers.constEnd() && mouse->button() == Qt::LeftButton
            && field->rect().contains(mouse->position().toPoint())) {
            runGuarded(*handler);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TDoc::closeEvent(QCloseEvent *event)
{
    runGuarded([this] { FormClose(); });
    event->accept();
}

void TDoc::FormCreate() { NewExecute(); }

void TDoc::FormClose()
{
    if (PrintWindow)
        PrintWindow->close();
}

void TDoc::showPrintWindow()
{
    PrintWindow->show();
    PrintWindow->raise();
}

void TDoc::startNewInvoice()
{
    // The new copy starts from the selectors chosen in this run.
    if (SaveSettings)
        SaveSettings();
    shell().openNewCopy();
    shell().endMessageLoop();
}

void TDoc::SpeedButton4Click()
{
    if (PickNoteInvoice)
        PickNoteInvoice();
}

void TDoc::Panel3Resize() { ResizedExecute(); }
void TDoc::Memo4Resize() { ResizedExecute(); }

void TDoc::Label15Click() { EditPair(Label15, QStringLiteral("№ "), QStringLiteral(" / Дата: "), NO); }

void TDoc::Label22Click()
{
    // The invoice a note refers to: its date padded as a date, its number as
    // every document number is.
    EditPair(Label22, NoteDatePrefix, NoteNumberSeparator, nullptr, Pair::DateAndNumber);
}

void TDoc::setNoteReference(const QString &date, const QString &number)
{
    setCaption(Label22, noteReferenceCaption(date, number));
}

void TDoc::Label33Click(AutoSizeLabel *sender) { EditWrapped(sender, 206, Panel3); }
void TDoc::Label18Click(AutoSizeLabel *sender) { EditWrapped(sender, 308, Memo4); }

void TDoc::Label34Click(QLabel *sender)
{
    if (const auto edited = prompts().input(QString(), QString(), sender->text()))
        setCaption(sender, *edited);
}

void TDoc::EditPair(QLabel *label, const QString &prefix, const QString &separator,
                    QLabel *numberLabel, Pair pair)
{
    // Each box proposes the value the field shows; a cancelled box keeps it.
    const auto [shownFirst, shownSecond] = splitPair(label->text(), prefix, separator);
    const auto firstAnswer = prompts().input(prefix, QString(), shownFirst);
    const auto secondAnswer = prompts().input(separator, QString(), shownSecond);
    if (!firstAnswer && !secondAnswer)
        return;
    const bool dateFirst = pair == Pair::DateAndNumber;
    const QString first = !firstAnswer ? shownFirst : dateFirst ? padDate(*firstAnswer) : padNumber(*firstAnswer);
    QString second = secondAnswer.value_or(shownSecond);
    if (dateFirst && secondAnswer && !second.isEmpty())
        second = padNumber(second);
    setCaption(label, prefix + first + separator + second);
    if (numberLabel && firstAnswer)
        setCaption(numberLabel, first);
}

void TDoc::EditWrapped(AutoSizeLabel *label, int widthLimit, AutoSizePanel *container)
{
    if (const auto edited = prompts().input(QString(), QString(), label->text()))
        label->setText(*edited);
    // Measured even after Cancel: a caption set elsewhere may be too wide.
    breakIfTooWide(label, widthLimit, container);
}

bool TDoc::breakIfTooWide(AutoSizeLabel *label, int widthLimit, AutoSizePanel *container)
{
    if (label->lastLineWidth() <= widthLimit)
        return false;
    label->setText(breakAtMiddle(label->text()));
    moveControlsBelow(label, container, 12);
    return true;
}

int TDoc::breakUntilFits(AutoSizeLabel *label, int widthLimit, AutoSizePanel *container)
{
    const QFontMetrics metrics = label->fontMetrics();
    const BrokenCaption broken = ::breakUntilFits(
        label->text(), widthLimit, [&metrics](const QString &line) { return metrics.horizontalAdvance(line); });
    if (broken.breaks > 0) {
        label->setText(broken.text);
        moveControlsBelow(label, container, 12 * broken.breaks);
    }
    return broken.breaks;
}

void TDoc::moveControlsBelow(QWidget *control, AutoSizePanel *container, int by)
{
    const int top = control->y();
    for (QWidget *other : container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (other->y() > top)
            other->move(other->x(), other->y() + by);
    }
    container->fitContents();
}

bool TDoc::nameLineFits(QStringView line) const
{
    // A cell draws its text inside the style's text margin on either side.
    constexpr int NameColumn = 1;
    const int margin = StringGrid2->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, StringGrid2) + 1;
    return StringGrid2->fontMetrics().horizontalAdvance(line.toString())
           <= StringGrid2->columnWidth(NameColumn) - 2 * margin;
}

void TDoc::WriteAmountInWords()
{
    const auto words = amountInWordsLine(totalCaption(m_totals.total), m_currency);
    if (!words)
        return;
    Label18->setText(*words);
    m_wordsBreaks = breakUntilFits(Label18, WordsLineMaxWidth, Memo4);
    m_spelledWords = Label18->text();
}

void TDoc::setCurrency(Currency currency)
{
    if (currency == m_currency)
        return;
    m_currency = currency;
    NewExecute();
    if (m_spelledWords.isEmpty() || Label18->text() != m_spelledWords)
        return;
    // The new words take the old ones' place: their breaks are undone first,
    // and a total that leva do not spell leaves the field empty (dotted).
    moveControlsBelow(Label18, Memo4, -12 * m_wordsBreaks);
    m_wordsBreaks = 0;
    Label18->setText(Dots76);
    m_spelledWords.clear();
    WriteAmountInWords();
}

void TDoc::NewExecute()
{
    for (AutoSizeLabel *centred : {Label8, Label15})
        centred->move(centredLeft(Label1->x(), Label1->width(), centred->width()), centred->y());

    Label5->setText(withCurrency(totalCaption(m_totals.taxBase), m_currency));
    Label7->setText(withCurrency(totalCaption(m_totals.vat), m_currency));
    Label3->setText(withCurrency(totalCaption(m_totals.total), m_currency));

    Label2->move(Label6->x(), Label2->y());
    Label4->move(Label6->x(), Label4->y());
    Label5->move(Label6->x() + Label6->width() + 35, Label5->y());
    const int right = Label5->x() + Label5->width();
    for (AutoSizeLabel *total : {Label7, Label3})
        total->move(right - total->width(), total->y());
    Panel6->fitContents();
}

void TDoc::showSelectors(const PageSelectors &selectors)
{
    if (selectors.kind) {
        Label1->setText(*selectors.kind);
        // A longer heading would run under the logo: it stays centred on the page.
        Label1->move(Panel1->width() / 2 - Label1->width() / 2, Label1->y());
    }
    if (selectors.note)
        Label21->setText(*selectors.note);
    if (selectors.basis)
        Label19->setText(*selectors.basis);
    if (selectors.vatMode) {
        Label20->setText(*selectors.vatMode);
        Label20->move(Label19->x(), Label20->y());
    }
    if (selectors.currency)
        setCurrency(*selectors.currency);
}

void TDoc::showTotals(const InvoiceTotals &totals, bool counted)
{
    m_totals = totals;
    m_totalsCounted = counted;
    Label5->setText(totalCaption(totals.taxBase));
    Label7->setText(totalCaption(totals.vat));
    Label3->setText(totalCaption(totals.total));
    Label2->setText(vatRateHeading(totals.rate));
}

QString TDoc::totalCaption(Amount amount) const
{
    return m_totalsCounted ? ::totalCaption(amount) : QStringLiteral("0");
}

Invoice TDoc::shownInvoice() const
{
    Invoice invoice;
    invoice.heading = Label1->text();
    invoice.kind = documentKindOf(invoice.heading);
    invoice.number = NO->text();
    invoice.issueDate = splitPair(Label15->text(), QStringLiteral("№ "), QStringLiteral(" / Дата: ")).second;
    invoice.currency = m_currency;
    invoice.note.kind = noteKindOf(Label21->text());
    if (!Label21->text().isEmpty()) {
        std::tie(invoice.note.invoiceDate, invoice.note.invoiceNumber) =
            splitPair(Label22->text(), NoteDatePrefix, NoteNumberSeparator);
        invoice.note.references = noteReferences(*StringGrid1);
    }
    invoice.supplier.party = {Label46->text(), Label47->text(), Label49->text(), Label11->text(), Label10->text()};
    invoice.supplier.nameSecondLine = Label63->text();
    invoice.supplier.addressSecondLine = Label54->text();
    invoice.supplier.placeOfIssue = Label16->text();
    invoice.client = {Label33->text(), Label29->text(), Label30->text(), Label34->text(), Label65->text()};
    invoice.payment = {Label37->text(), Label38->text(), Label39->text(), Label53->text()};
    invoice.lines = m_lines;
    invoice.totals = m_totals;
    invoice.texts = {Label18->text(), Label19->text(), Label20->text(), Label55->text(),
                     Label57->text(), Label40->text(), Label35->text(), Label52->text()};
    return invoice;
}

void TDoc::showInvoice(const Invoice &invoice, const QPixmap &logo)
{
    setCurrency(invoice.currency);
    Label1->setText(invoice.heading);
    Label1->move(Panel1->width() / 2 - Label1->width() / 2, Label1->y());
    NO->setText(invoice.number);
    Label15->setText(QStringLiteral("№ ") + invoice.number + QStringLiteral(" / Дата: ") + invoice.issueDate);
    showNote(invoice.note);
    const InvoiceSupplier &supplier = invoice.supplier;
    if (logo.isNull())
        Image2->clear();
    else
        Image2->setPixmap(logo);
    for (const auto &[label, text] : {std::pair{Label46, supplier.party.name}, {Label63, supplier.nameSecondLine},
                                      {Label47, supplier.party.address}, {Label54, supplier.addressSecondLine},
                                      {Label49, supplier.party.manager}})
        label->setText(text);
    Label11->setText(supplier.party.vatNumber);
    Label10->setText(supplier.party.eik);
    Label16->setText(supplier.placeOfIssue);
    showBrokenCaption(Label33, invoice.client.name, Panel3);
    showBrokenCaption(Label29, invoice.client.address, Panel3);
    showBrokenCaption(Label30, invoice.client.manager, Panel3);
    Label34->setText(invoice.client.vatNumber);
    Label65->setText(invoice.client.eik);
    for (const auto &[label, text] : {std::pair{Label37, invoice.payment.terms}, {Label38, invoice.payment.bank},
                                      {Label39, invoice.payment.iban}, {Label53, invoice.payment.bic}})
        label->setText(text);
    showLineRows(invoice.lines);
    m_lines = invoice.lines;
    showTotals(invoice.totals, true);
    showBrokenCaption(Label18, invoice.texts.words, Memo4);
    showBrokenCaption(Label19, invoice.texts.vatBasis, Memo4);
    Label20->setText(invoice.texts.vatBasisCaption);
    showBrokenCaption(Label55, invoice.texts.vehicleBasis, Memo4);
    for (const auto &[label, text] : {std::pair<QLabel *, QString>{Label57, invoice.texts.taxEventDate},
                                      {Label40, invoice.texts.paymentDate}, {Label35, invoice.texts.receiver},
                                      {Label52, invoice.texts.composer}})
        label->setText(text);
    for (QLabel *field : m_greyFields)
        fillBackground(field, Qt::white);
    NewExecute();
    ResizedExecute();
}

void TDoc::showBrokenCaption(AutoSizeLabel *label, const QString &text, AutoSizePanel *container)
{
    const int before = int(label->text().count(u'\n'));
    label->setText(text);
    if (const int by = 12 * (int(text.count(u'\n')) - before))
        moveControlsBelow(label, container, by);
}

void TDoc::showLineRows(const QList<InvoiceLine> &lines)
{
    const QStringList headings = {QStringLiteral("Пор. №"), QStringLiteral("Наименование на стоките или услугите"),
                                  QStringLiteral("Мярка"), QStringLiteral("К-во"), QStringLiteral("Ед. цена"),
                                  QStringLiteral("Стойност")};
    QList<QStringList> rows{headings};
    for (const InvoiceLine &line : lines) {
        const QStringList description = line.description.split(u'\n');
        rows.append({QString::number(line.number), description.value(0), line.unit, line.quantity.text(),
                     lineAmountText(line.price), lineAmountText(line.value)});
        for (qsizetype i = 1; i < description.size(); ++i)
            rows.append({QString(), description[i], QString(), QString(), QString(), QString()});
    }
    StringGrid2->setRowCount(int(rows.size()));
    for (int row = 0; row < rows.size(); ++row)
        for (int column = 0; column < rows[row].size(); ++column)
            StringGrid2->setItem(row, column, new QTableWidgetItem(rows[row][column]));
    setFixedRows(StringGrid2, rows.size() > 1 ? 1 : 0);
    FitGridHeight(StringGrid2);
}

void TDoc::showNote(const InvoiceNote &note)
{
    const bool shown = note.kind != NoteKind::None;
    Label21->setText(noteKindText(note.kind));
    setCaption(Label22, noteReferenceCaption(note.invoiceDate, note.invoiceNumber));
    StringGrid1->setVisible(shown);
    Panel2->setVisible(shown);
    StringGrid1->clearContents();
    const QStringList headings = {QStringLiteral("№"), AssemblyRules::noteAccountHeading(noteKindText(note.kind))
                                                            .value_or(QString()), QStringLiteral("Сума")};
    for (int column = 0; column < headings.size(); ++column)
        StringGrid1->setItem(0, column, new QTableWidgetItem(headings[column]));
    for (int row = 0; row < note.references.size() && row + 1 < StringGrid1->rowCount(); ++row) {
        const NoteReference &reference = note.references[row];
        const QStringList cells{reference.number, reference.account, reference.amount};
        for (int column = 0; column < cells.size(); ++column)
            StringGrid1->setItem(row + 1, column, new QTableWidgetItem(cells[column]));
    }
    Memo4->fitContents();
}

void TDoc::ResizedExecute()
{
    const SectionTops tops = stackSections({
        .panel3Bottom = Panel3->y() + Panel3->height(),
        .panel4Bottom = Panel4->y() + Panel4->height(),
        .panel2Height = Panel2->height(),
        .grid2Height = StringGrid2->height(),
        .bevel1Height = Bevel1->height(),
        .memo4Height = Memo4->height(),
        .bevel3Height = Bevel3->height(),
    });
    Panel2->move(Panel2->x(), tops.panel2);
    StringGrid2->move(StringGrid2->x(), tops.grid2);
    Bevel1->move(Bevel1->x(), tops.bevel1);
    Memo4->move(Memo4->x(), tops.memo4);
    Bevel3->move(Bevel3->x(), tops.bevel3);
    Panel5->move(Panel5->x(), tops.panel5);

    // The imprint stays under the signatures, and the page grows to hold it.
    const int imprintTop = std::max(ImprintTop, Panel5->y() + Panel5->height() + ImprintGap);
    Image1->move(Image1->x(), Image1->y() + imprintTop - Label9->y());
    Label9->move(Label9->x(), imprintTop);
    Panel1->resize(Panel1->width(), imprintTop + PageHeight - ImprintTop);
    Client->setFixedSize(Client->width(), Panel1->y() + Panel1->height() + ClientHeight - PageHeight - 8);
}
