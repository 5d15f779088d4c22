#include "lines/Unit1.h"

#include "common/Failure.h"
#include "common/Logging.h"
#include "document/Document.h"
#include "document/FieldRules.h"
#include "lines/LegalTexts.h"
#include "lines/LineRules.h"
#include "lines/SettingsFile.h"
#include "lines/VatRate.h"
#include "lines/Totals.h"
#include "platform/Fonts.h"
#include "platform/Handlers.h"
#include "platform/Paths.h"
#include "platform/Prompts.h"
#include "platform/Widgets.h"

#include <QCursor>
#include <QDate>
#include <QFile>
#include <QLocale>
#include <QSignalBlocker>
#include <QHeaderView>
#include <QKeyEvent>

TForm1 *Form1 = nullptr;
int LineCounter = 0;

namespace {

const QString NumberPlaceholder = QStringLiteral("Пор. №");
const QString NamePlaceholder = QStringLiteral("Въведи тук Стока/Услуга");
const QString UnitPlaceholder = QStringLiteral("Мярка");
const QString QuantityPlaceholder = QStringLiteral("К-во");
const QString PricePlaceholder = QStringLiteral("Стойност");

using LineRules::LimitMessage;
using LineRules::PriceMessage;
using LineRules::QuantityMessage;
using LineRules::SmallPriceMessage;
using LineRules::SmallQuantityMessage;
using LineRules::TooLargeMessage;

using SettingsFile::ShortSettingsMessage;
const QString UnreadableSettingsNote =
    QStringLiteral("Файлът с настройките остава непроменен и настройките от тази работа няма да бъдат запомнени.");
using VatRate::BadRateMessage;
using VatRate::RateAboveHundredMessage;
const QString DecimalSeparatorMessage =
    QStringLiteral("Моля, конфигурирайте вашата операционна система за коректна работа с програмата:\n"
                   "отидете на:\n"
                   "My Computer->Control Panel->Regional and Language Options->  изберете 'Regional "
                   "Options' и натиснете бутона 'customize',за полето 'Decimal Symbol', трябва да "
                   "бъде попълнено '.' (знака: точка), вместо друг символ, натиснете 'ОК' и отново 'ОК'.");

const QString FallbackRate = QStringLiteral("20%");

const QString CurrencyWithLinesMessage = QStringLiteral(
    "Валутата не е сменена: цените на редовете в таблицата са в „%1“. Изчистете таблицата "
    "(„Изчисти всичко“) и изберете валутата, преди да добавите редовете.");
const QString LevaAfterEuroMessage = QStringLiteral(
    "Програмата започва с валута „лв“, запомнена от последната работа. От 1 януари 2026 г. "
    "фактурите се издават в евро: изберете „EUR“ в „Валута“, освен ако документът е за период преди 2026 г.");

constexpr int QuantityColumn = 3;
constexpr int PriceColumn = 4;
constexpr int ValueColumn = 5;
// Each cell of the line table keeps the text last accepted in it, for an
// edit that is refused.
constexpr int AcceptedTextRole = Qt::UserRole;
// A quantity, price or value cell keeps the number read where it was typed,
// in ten-thousandths; the text shown is written from it.
constexpr int AmountRole = Qt::UserRole + 1;

constexpr int QuantityDecimals = 3;
constexpr int PriceDecimals = 2;

AutoSizeLabel *smallLabel(const QString &text, QWidget *parent, int left, int top)
{
    auto *label = new AutoSizeLabel(text, parent);
    label->setFont(pixelFont(QStringLiteral("Arial"), 11));
    label->move(left, top);
    return label;
}

QLabel *selectorCaption(const QString &text, QWidget *parent, int left, int top)
{
    auto *label = new AutoSizeLabel(text, parent);
    label->move(left, top);
    return label;
}

QComboBox *selector(const QStringList &items, QWidget *parent, int left, int top)
{
    auto *combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);  // a typed text is a one-off, not a new item
    combo->addItems(items);
    combo->setGeometry(left, top, 257, 22);
    return combo;
}

QLineEdit *stagingEditor(const QString &text, QWidget *parent)
{
    auto *editor = new QLineEdit(text, parent);
    editor->setFont(pixelFont(QStringLiteral("Arial"), 13, true));
    editor->setFrame(false);
    editor->hide();
    return editor;
}

} // namespace

TForm1::TForm1(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Таблица"));
    setFixedSize(792, 482);
    move(150, 161);
    fillBackground(this, QColor(223, 223, 223));
    setFont(pixelFont(QStringLiteral("Arial"), 11));

    buildTable();
    buildTotals();
    buildSelectors();
    buildStaging();
}

void TForm1::buildTable()
{
    StringGrid1 = new QTableWidget(1, 6, this);
    StringGrid1->setGeometry(8, 8, 777, 361);
    StringGrid1->setFont(pixelFont(QStringLiteral("Arial"), 13));
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    setCellSizes(StringGrid1, {47, 489, 42, 47, 72, 73}, 18);
    StringGrid1->setFrameShape(QFrame::NoFrame);
    StringGrid1->setTextElideMode(Qt::ElideNone);  // a narrow cell clips its text, as the form did
    StringGrid1->setWordWrap(false);
    StringGrid1->setEditTriggers(QAbstractItemView::AllEditTriggers);
    StringGrid1->setEnabled(false);
    StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);

    PopupMenu1 = new QMenu(this);
    N1 = PopupMenu1->addAction(QStringLiteral("Добави празен ред"));
    Clear1 = PopupMenu1->addAction(QStringLiteral("Изчисти всичко"));
    onTriggered(N1, [this] { N1Click(); });
    onTriggered(Clear1, [this] { Clear1Click(); });
    onSignal(StringGrid1, &QWidget::customContextMenuRequested, this, [this] { PopupMenu1->popup(QCursor::pos()); });
    onSignal(StringGrid1, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) { cellEdited(item); });

    SpeedButton4 = new QToolButton(this);
    SpeedButton4->setAutoRaise(true);
    SpeedButton4->setText(QStringLiteral("Таблица"));
    SpeedButton4->setGeometry(8, 372, 153, 22);
    onClick(SpeedButton4, [this] { SpeedButton4Click(); });
}

void TForm1::buildTotals()
{
    Panel1 = new AutoSizePanel(this);
    Panel1->setGeometry(8, 400, 144, 62);
    fillBackground(Panel1, QColor(211, 211, 211));
    Label6 = smallLabel(QStringLiteral("Всичко :"), Panel1, 1, 1);
    Label7 = smallLabel(QStringLiteral("0"), Panel1, 137, 1);
    Label2 = smallLabel(QStringLiteral("% :"), Panel1, 1, 15);
    Label3 = smallLabel(QStringLiteral("0"), Panel1, 137, 33);
    Label4 = smallLabel(QStringLiteral("Общо :"), Panel1, 1, 47);
    Label5 = smallLabel(QStringLiteral("0"), Panel1, 137, 47);
}

void TForm1::buildSelectors()
{
    Label15 = selectorCaption(QStringLiteral("Документ"), this, 464, 380);
    ComboBox2 = selector({QStringLiteral("ФАКТУРА"), QStringLiteral("ПРОФОРМА ФАКТУРА")}, this, 528, 376);
    Label16 = selectorCaption(QStringLiteral("Известие"), this, 464, 406);
    ComboBox1 = selector({QString(), QStringLiteral("Кредитно известие"), QStringLiteral("Дебитно известие")},
                         this, 528, 402);
    Label17 = selectorCaption(QStringLiteral("Основания"), this, 456, 430);
    ComboBox4 = selector({QString(76, u'.'), QStringLiteral("чл. 28с(Е)(3) 77/388/ЕЕС"),
                          QStringLiteral("чл. 113, ал. 9"), QStringLiteral("чл. 22, ал. 2"),
                          QStringLiteral("чл. 23, ал. 1"), QStringLiteral("чл. 23, ал. 3"),
                          QStringLiteral("чл. 23, ал. 4"), QStringLiteral("чл. 23, ал. 5"),
                          QStringLiteral("чл. 24, ал. 1"), QStringLiteral("чл. 24, ал. 2"),
                          QStringLiteral("чл. 24, ал. 3"), QStringLiteral("чл. 86, ал. 1"),
                          QStringLiteral("чл. 44, т. 3"), QStringLiteral("чл. 50, т. 1")},
                         this, 528, 428);
    Label8 = selectorCaption(QStringLiteral("основание за "), this, 448, 456);
    ComboBox5 = selector({QStringLiteral("неначисляване на ДДС и за нулева ставка"),
                          QStringLiteral("начисляване на ДДС"), QStringLiteral("нулева ставка"),
                          QStringLiteral("неначисляване на ДДС")},
                         this, 527, 455);
    for (QComboBox *combo : {ComboBox2, ComboBox1, ComboBox4, ComboBox5})
        combo->setCurrentIndex(-1);
    Label18 = selectorCaption(QStringLiteral("Валута"), this, 176, 380);
    ComboBox6 = selector({selectorText(Currency::Leva), selectorText(Currency::Euro)}, this, 224, 376);
    ComboBox6->resize(90, ComboBox6->height());
    ComboBox6->lineEdit()->setReadOnly(true);  // two currencies, nothing else to type

    onSignal(ComboBox2, &QComboBox::editTextChanged, this, [this] { ComboBox2Change(); });
    onSignal(ComboBox1, &QComboBox::editTextChanged, this, [this] { ComboBox1Change(); });
    onSignal(ComboBox4, &QComboBox::editTextChanged, this, [this] { ComboBox4Change(); });
    onSignal(ComboBox5, &QComboBox::editTextChanged, this, [this] { ComboBox5Change(); });
    onSignal(ComboBox6, &QComboBox::currentIndexChanged, this, [this] { ComboBox6Change(); });

    SpeedButton2 = new QToolButton(this);
    SpeedButton2->setAutoRaise(true);
    SpeedButton2->setText(QStringLiteral("?"));
    SpeedButton2->setFont(pixelFont(QStringLiteral("Arial"), 13, true));
    SpeedButton2->setStyleSheet(QStringLiteral("color: red"));
    SpeedButton2->setGeometry(408, 424, 31, 30);
    onClick(SpeedButton2, [this] { SpeedButton2Click(); });
}

void TForm1::ComboBox2Change()
{
    Doc->showSelectors({.kind = ComboBox2->currentText()});
    MemList[1] = ComboBox2->currentText();
}

void TForm1::ComboBox1Change()
{
    Doc->showSelectors({.note = ComboBox1->currentText()});
    MemList[2] = ComboBox1->currentText();
}

void TForm1::ComboBox4Change()
{
    Doc->showSelectors({.basis = ComboBox4->currentText()});
    MemList[3] = ComboBox4->currentText();
}

void TForm1::ComboBox5Change()
{
    Doc->showSelectors({.vatMode = vatModeLine()});
    MemList[4] = ComboBox5->currentText();
}

QString TForm1::vatModeLine() const { return u'/' + Label8->text() + ComboBox5->currentText() + u'/'; }

PageSelectors TForm1::selectors() const
{
    return {ComboBox2->currentText(), ComboBox1->currentText(), ComboBox4->currentText(), vatModeLine(),
            currency()};
}

InvoiceTotals TForm1::totals() const
{
    return {m_totals.taxBase, m_rate, m_totals.vat, m_totals.total};
}

void TForm1::ComboBox6Change()
{
    // The lines' prices are in the currency the page shows: they never pass
    // under the other sign unconverted.
    if (StringGrid1->rowCount() > 1 && currency() != Doc->currency()) {
        const QString shown = selectorText(Doc->currency());
        {
            const QSignalBlocker quiet(ComboBox6);
            ComboBox6->setCurrentIndex(ComboBox6->findText(shown));
        }
        prompts().message(CurrencyWithLinesMessage.arg(shown), Prompter::Icon::Warning);
        return;
    }
    Doc->showSelectors({.currency = currency()});
    // Only a chosen currency adds the sixth line: a run in leva writes the five it read.
    if (MemList.size() <= SettingsFile::CurrencyItem)
        MemList.resize(SettingsFile::CurrencyItem + 1);
    MemList[SettingsFile::CurrencyItem] = ComboBox6->currentText();
}

Currency TForm1::currency() const
{
    return currencyFromText(ComboBox6->currentText()).value_or(Currency::Leva);
}

void TForm1::SpeedButton2Click() { prompts().information(legalTexts().join(u'\n')); }

void TForm1::buildStaging()
{
    ComboBox3 = stagingEditor(NumberPlaceholder, this);
    ComboBox3->setMaxLength(6);
    Edit4 = stagingEditor(UnitPlaceholder, this);
    Edit3 = stagingEditor(QuantityPlaceholder, this);
    Edit1 = stagingEditor(PricePlaceholder, this);
    Stock = new QPlainTextEdit(NamePlaceholder, this);
    Stock->setLineWrapMode(QPlainTextEdit::NoWrap);
    Stock->hide();
    for (QLineEdit *editor : {ComboBox3, Edit4, Edit3, Edit1})
        editor->installEventFilter(this);
    onSignal(Edit3, &QLineEdit::textChanged, this, [this] { Edit3Change(); });
    onSignal(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(); });

    SpeedButton1 = new QPushButton(QStringLiteral("Добави"), this);
    SpeedButton1->hide();
    onClick(SpeedButton1, [this] { SpeedButton1Click(); });

    Label10 = new QLabel(QStringLiteral("0"), this);
    Label10->hide();
    Label1 = new QLabel(QStringLiteral("0"), this);
    Label1->hide();
}

TForm1::StartAnswers TForm1::askAtStart()
{
    StartAnswers answers;
    const bool fromFile = loadSettings(answers);
    if (fromFile && answers.remembered.size() < SettingsFile::defaults().size())
        prompts().message(ShortSettingsMessage.arg(answers.remembered.size()), Prompter::Icon::Warning);
    answers.rate = askVatRate(answers.remembered.isEmpty() ? FallbackRate : answers.remembered[0]);
    return answers;
}

void TForm1::FormCreate(const StartAnswers &answers)
{
    MemList = answers.remembered;
    m_settingsUnreadable = answers.unreadable;
    restoreSettings();
    // Later writes go to all five items, so the missing ones get their defaults.
    const QStringList defaults = SettingsFile::defaults();
    while (MemList.size() < defaults.size())
        MemList.append(defaults[MemList.size()]);
    setHeadings();
    QLocale::setDefault(QLocale::c());  // the program's own numbers use the point
    CurrencyName = QStringLiteral("лв");
    MemList[0] = answers.rate.remembered;
    VatRateText = VatRate::fractionText(answers.rate.heading);
    VatFactor = VatRate::factor(VatRateText);
    m_rate = answers.rate.heading;
    Label2->setText(vatRateHeading(m_rate));
    // A leva choice remembered from before the euro would go on silently.
    if (MemList.value(SettingsFile::CurrencyItem) == selectorText(Currency::Leva) && QDate::currentDate().year() >= 2026)
        prompts().message(LevaAfterEuroMessage, Prompter::Icon::Warning);
    if (QLocale().decimalPoint() != u".") {
        prompts().message(DecimalSeparatorMessage, Prompter::Icon::Warning);
        close();
    }
}

bool TForm1::loadSettings(StartAnswers &answers)
{
    const QString path = settingsFilePath();
    if (!QFile::exists(path)) {
        // A new start folder issues in the currency of the day.
        answers.remembered =
            SettingsFile::defaultsIn(QDate::currentDate().year() >= 2026 ? Currency::Euro : Currency::Leva);
        return false;
    }
    try {
        answers.remembered = SettingsFile::load(path);
        return true;
    } catch (const Failure &failure) {
        // The user's remembered answers are still in the file: it is left as it is.
        answers.unreadable = true;
        prompts().error(failure.text() + u'\n' + UnreadableSettingsNote);
        return false;
    }
}

void TForm1::restoreSettings()
{
    // Restoring stops silently at the first missing item and writes nothing
    // to the document or the list.
    const QSignalBlocker blockers[] = {QSignalBlocker(ComboBox2), QSignalBlocker(ComboBox1),
                                       QSignalBlocker(ComboBox4), QSignalBlocker(ComboBox5),
                                       QSignalBlocker(ComboBox6)};
    QComboBox *const selectors[] = {ComboBox2, ComboBox1, ComboBox4, ComboBox5};
    for (int item = 1; item < 5 && item < MemList.size(); ++item)
        showText(selectors[item - 1], MemList[item]);
    // A file without the sixth line, or with a text there that names no
    // currency, is in leva; the text itself stays in the list until a
    // currency is chosen.
    const Currency remembered = currencyFromText(MemList.value(SettingsFile::CurrencyItem)).value_or(Currency::Leva);
    ComboBox6->setCurrentIndex(ComboBox6->findText(selectorText(remembered)));
}

void TForm1::showText(QComboBox *selector, const QString &text)
{
    // A remembered item is selected, so the arrow keys go on from it; any
    // other text stands as typed.
    const int item = selector->findText(text, Qt::MatchExactly);
    if (item >= 0)
        selector->setCurrentIndex(item);
    selector->setEditText(text);
}

TForm1::RateAnswer TForm1::askVatRate(const QString &proposed)
{
    QString typed = prompts().input(QString(), QStringLiteral("ДДС"), proposed).value_or(proposed);
    // A rate above 100 is a slip of the keyboard ("200" for "20"): it is
    // neither charged nor remembered, and the dialog asks again, proposing
    // the usual rate, which a Cancel then takes.
    while (VatRate::isAboveHundred(VatRate::withoutPercent(typed))) {
        prompts().message(RateAboveHundredMessage.arg(typed), Prompter::Icon::Warning);
        typed = prompts().input(QString(), QStringLiteral("ДДС"), FallbackRate).value_or(FallbackRate);
    }
    const QString heading = VatRate::withoutPercent(typed);
    try {
        VatRate::factor(VatRate::fractionText(heading));  // a rate that can be charged
        return {typed, heading};
    } catch (const Failure &) {
        prompts().message(BadRateMessage.arg(typed), Prompter::Icon::Warning);
        // The caption and the next start show the rate that is charged.
        return {FallbackRate, VatRate::withoutPercent(FallbackRate)};
    }
}

void TForm1::SaveSettings()
{
    if (!m_settingsUnreadable)
        SettingsFile::save(settingsFilePath(), MemList);
}

void TForm1::setHeadings()
{
    const QStringList headings = {QStringLiteral("Пор. №"),
                                  QStringLiteral("Наименование на стоките или услугите"),
                                  QStringLiteral("Мярка"), QStringLiteral("К-во"),
                                  QStringLiteral("Ед. цена"), QStringLiteral("Стойност")};
    for (int column = 0; column < headings.size(); ++column)
        setCell(column, 0, headings[column]);
}

QString TForm1::cell(int column, int row) const
{
    const QTableWidgetItem *item = StringGrid1->item(row, column);
    return item ? item->text() : QString();
}

void TForm1::setCell(int column, int row, const QString &text)
{
    const QSignalBlocker quiet(StringGrid1);
    QTableWidgetItem *item = StringGrid1->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        StringGrid1->setItem(row, column, item);
    }
    item->setText(text);
    item->setData(AcceptedTextRole, text);
    item->setData(AmountRole, QVariant());
    if (row == 0)
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
}

void TForm1::setAmountCell(int column, int row, Amount amount)
{
    setCell(column, row, column == QuantityColumn ? amount.text() : lineAmountText(amount));
    const QSignalBlocker quiet(StringGrid1);
    StringGrid1->item(row, column)->setData(AmountRole, QVariant::fromValue<qlonglong>(amount.units()));
}

std::optional<Amount> TForm1::amountCell(int column, int row) const
{
    const QTableWidgetItem *item = StringGrid1->item(row, column);
    if (!item || !item->data(AmountRole).isValid())
        return std::nullopt;
    return Amount::fromUnits(item->data(AmountRole).toLongLong());
}

QList<InvoiceLine> TForm1::lines() const
{
    // A row with a number starts a line, a row with only a description
    // continues the one before; empty rows are no lines.
    QList<InvoiceLine> result;
    for (int row = 1; row < StringGrid1->rowCount(); ++row) {
        const QString number = cell(0, row);
        const QString description = cell(1, row);
        if (number.isEmpty()) {
            if (!description.isEmpty() && !result.isEmpty())
                result.last().description += u'\n' + description;
            continue;
        }
        const auto amount = [&](int column) { return amountCell(column, row).value_or(Amount()); };
        result.append({number.toInt(), description, cell(2, row), amount(QuantityColumn), amount(PriceColumn),
                       amount(ValueColumn)});
    }
    return result;
}

void TForm1::cellEdited(QTableWidgetItem *item)
{
    const int row = item->row();
    const int column = item->column();
    if (row < 1 || column < QuantityColumn)
        return;
    const auto refuse = [this, item](const QString &message) {
        {
            const QSignalBlocker quiet(StringGrid1);
            item->setText(item->data(AcceptedTextRole).toString());
        }
        if (!message.isEmpty())
            prompts().information(message);
    };
    const QString typed = item->text();
    bool tooLarge = false;
    const std::optional<Amount> read = LineRules::readTypedNumber(typed, QLocale::system(), &tooLarge);
    if (!read) {
        refuse(tooLarge ? TooLargeMessage : column == QuantityColumn ? QuantityMessage : PriceMessage);
        return;
    }
    // Worked out in full before anything changes, so a line too large to
    // count leaves the table as it was.
    std::optional<Amount> value = column == ValueColumn ? read : std::nullopt;
    LineTotals totals;
    try {
        if (column != ValueColumn)
            value = recomputedValue(row, column, *read);
        totals = totalsOfLines(row, value);
    } catch (const Failure &) {
        refuse(TooLargeMessage);
        return;
    }
    // A picked line's new quantity moves its stock by the difference first.
    if (column == QuantityColumn && !takeStockDifference(row, *read)) {
        refuse(QString());
        return;
    }
    setAmountCell(column, row, *read);
    if (value)
        setAmountCell(ValueColumn, row, *value);
    setTotals(totals);
}

std::optional<Amount> TForm1::recomputedValue(int row, int changedColumn, Amount changed) const
{
    const auto quantity = changedColumn == QuantityColumn ? changed : amountCell(QuantityColumn, row);
    const auto price = changedColumn == PriceColumn ? changed : amountCell(PriceColumn, row);
    if (!quantity || !price)
        return std::nullopt;  // a row still being filled in has no value yet
    return Amount::parseOrThrow(fixTwoDecimals(LineRules::lineValueText(*price, *quantity)));
}

LineTotals TForm1::totalsOfLines(int changedRow, std::optional<Amount> changedValue) const
{
    LineTotals totals;
    for (int row = 1; row < StringGrid1->rowCount(); ++row) {
        const std::optional<Amount> value =
            row == changedRow && changedValue ? changedValue : amountCell(ValueColumn, row);
        if (value)
            totals = addLineToTotals(totals, *value, VatFactor);
    }
    return totals;
}

bool TForm1::takeStockDifference(int row, Amount quantity)
{
    const auto taken = std::find_if(m_taken.begin(), m_taken.end(),
                                    [row](const TakenStock &stock) { return stock.row == row; });
    if (taken == m_taken.end() || taken->quantity == quantity)
        return true;
    if (!ChangeStock || !ChangeStock(taken->goodsKey, quantity - taken->quantity))
        return false;
    taken->quantity = quantity;
    return true;
}

void TForm1::setTotals(const LineTotals &totals)
{
    // Kept as the captions show them, rounded to two decimals.
    m_totals = {shownTotal(totals.taxBase), totals.vat, shownTotal(totals.total)};
    m_totalsCounted = true;
    showTotals();
}

void TForm1::showTotals()
{
    if (!m_totalsCounted) {
        for (QLabel *total : {Label7, Label3, Label5})
            total->setText(QStringLiteral("0"));
        return;
    }
    Label7->setText(totalCaption(m_totals.taxBase));
    Label1->setText(totalCaption(m_totals.vat));
    Label3->setText(totalCaption(m_totals.vat));
    Label5->setText(totalCaption(m_totals.total));
}

void TForm1::RemoveLastLine(int rowsBefore)
{
    {
        const QSignalBlocker quiet(StringGrid1);
        StringGrid1->setRowCount(rowsBefore);
    }
    --LineCounter;
    setTotals(totalsOfLines(-1, std::nullopt));
}

void TForm1::appendRow() { StringGrid1->setRowCount(StringGrid1->rowCount() + 1); }

bool TForm1::AddLine()
{
    const QString quantity = Edit3->text();
    const QString price = Edit1->text();
    bool complete = true;
    if (quantity.isEmpty() || quantity == QuantityPlaceholder) {
        prompts().information(QuantityMessage);
        complete = false;
    }
    if (price.isEmpty() || price == PricePlaceholder) {
        prompts().information(PriceMessage);
        complete = false;
    }
    QStringList nameLines = LineRules::memoLines(Stock->toPlainText());
    bool added = false;
    if (complete) {
        // The computation swallows its failures: what it did so far stays.
        try {
            // Measured as the page shows the line, so that none is cut there.
            nameLines = LineRules::wrapNameLines(nameLines, [](QStringView line) {
                return !Doc || Doc->nameLineFits(line);
            });
            Stock->setPlainText(nameLines.join(u'\n'));
            const LineOutcome outcome = appendLineRow(nameLines);
            added = outcome == LineOutcome::Added;
            // A full table shows its totals with two decimals; a refused
            // number leaves them exactly as they were.
            if (outcome == LineOutcome::TableFull) {
                m_totalsCounted = true;
                showTotals();
            }
        } catch (const Failure &failure) {
            qCWarning(lcLines) << "line not added:" << failure.text();
        }
    }
    if (StringGrid1->rowCount() > 1)
        StringGrid1->setEnabled(true);
    // A refused line leaves no part of its description behind.
    if (added)
        addContinuationRows(nameLines);
    resetStaging();
    return added;
}

TForm1::LineOutcome TForm1::appendLineRow(const QStringList &nameLines)
{
    if (StringGrid1->rowCount() >= LineRules::MaxRows) {
        prompts().information(LimitMessage);
        return LineOutcome::TableFull;
    }
    // A price or quantity that is not a number is refused before a row or a
    // line number is spent on it.
    bool quantityTooLarge = false;
    bool priceTooLarge = false;
    const auto quantity = LineRules::readTypedNumber(Edit3->text(), QLocale::system(), &quantityTooLarge);
    const auto price = LineRules::readTypedNumber(Edit1->text(), QLocale::system(), &priceTooLarge);
    if (quantityTooLarge || priceTooLarge) {
        prompts().information(TooLargeMessage);
        return LineOutcome::Refused;
    }
    if (!quantity)
        prompts().information(QuantityMessage);
    if (!price)
        prompts().information(PriceMessage);
    if (!quantity || !price)
        return LineOutcome::Refused;

    // The value and the totals are worked out before the row is spent, so a
    // line too large to count adds nothing either.
    QString value;
    LineTotals totals;
    try {
        value = fixTwoDecimals(LineRules::lineValueText(*price, *quantity));
        totals = addLineToTotals(m_totals, Amount::parseOrThrow(value), VatFactor);
    } catch (const Failure &) {
        prompts().information(TooLargeMessage);
        return LineOutcome::Refused;
    }

    appendRow();
    ++LineCounter;
    Label10->setText(value);
    setTotals(totals);

    const int row = StringGrid1->rowCount() - 1;
    m_lastLineRow = row;
    setCell(0, row, QString::number(LineCounter));
    setCell(1, row, nameLines.value(0));
    setCell(2, row, Edit4->text().isEmpty() ? QStringLiteral(" ") : Edit4->text());
    setAmountCell(QuantityColumn, row, *quantity);
    setAmountCell(PriceColumn, row, *price);
    setAmountCell(ValueColumn, row, Amount::parseOrThrow(value));
    return LineOutcome::Added;
}

void TForm1::addContinuationRows(const QStringList &nameLines)
{
    if (nameLines.size() <= 1)
        return;
    appendRow();
    for (qsizetype i = 1; i < nameLines.size(); ++i) {
        setCell(1, StringGrid1->rowCount() - 1, nameLines[i]);
        if (i < nameLines.size() - 1)
            appendRow();
    }
}

void TForm1::resetStaging()
{
    ComboBox3->setText(NumberPlaceholder);
    Edit1->setText(PricePlaceholder);
    Stock->setPlainText(NamePlaceholder);
    Edit3->setText(QuantityPlaceholder);
    Edit4->setText(UnitPlaceholder);
}

void TForm1::SpeedButton4Click() { PopupMenu1->popup(QCursor::pos()); }

void TForm1::N1Click()
{
    if (StringGrid1->rowCount() < LineRules::MaxRows)
        appendRow();
}

void TForm1::clearAll()
{
    giveBackStock();
    for (int row = 1; row < StringGrid1->rowCount(); ++row)
        for (int column = 0; column < StringGrid1->columnCount(); ++column)
            setCell(column, row, QString());
    StringGrid1->setRowCount(1);
    m_totals = {};
    m_totalsCounted = false;
    showTotals();
    LineCounter = 0;
}

void TForm1::stockTaken(qint64 goodsKey, const Amount &quantity)
{
    m_taken.append({goodsKey, quantity, false, m_lastLineRow});
}

void TForm1::linesOnPage()
{
    for (TakenStock &taken : m_taken)
        taken.onPage = true;
}

void TForm1::pageIssued()
{
    m_taken.removeIf([](const TakenStock &taken) { return taken.onPage; });
}

void TForm1::giveBackStock()
{
    while (!m_taken.isEmpty()) {
        if (GiveBackStock)
            GiveBackStock(m_taken.constFirst().goodsKey, m_taken.constFirst().quantity);
        m_taken.removeFirst();
    }
}

void TForm1::Edit3Change() { enforceDecimalRule(Edit3, QuantityDecimals, SmallQuantityMessage); }

void TForm1::Edit1Change() { enforceDecimalRule(Edit1, PriceDecimals, SmallPriceMessage); }

void TForm1::enforceDecimalRule(QLineEdit *editor, int decimals, const QString &tooSmallMessage)
{
    int &limit = editor == Edit3 ? m_quantityLimit : m_priceLimit;
    const QString text = editor->text();
    const auto point = text.indexOf(u'.');
    if (point < 0) {
        limit = 0;
        return;
    }
    if (text.mid(point + 1) == u"0" && text.left(point) == u"0") {
        editor->setText(text.left(point + 1));
        prompts().information(tooSmallMessage);
    }
    limit = int(point) + 1 + decimals;
}

bool TForm1::acceptsKey(QLineEdit *editor, const QString &typed) const
{
    if (typed == u"\b")
        return true;
    const int limit = editor == Edit3 ? m_quantityLimit : m_priceLimit;
    if (limit > 0 && editor->text().size() - editor->selectedText().size() >= limit)
        return false;
    const QChar key = typed.at(0);
    if (key.isDigit() && key.unicode() < 128)
        return true;
    if (key == u'.')
        return !editor->text().contains(u'.');
    return key == u'-' && editor == Edit1;
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    auto *editor = qobject_cast<QLineEdit *>(watched);
    if (!editor)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        editor->clear();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        runGuarded([this] { SpeedButton1Click(); });
        return true;
    }
    if ((editor == Edit3 || editor == Edit1) && !key->text().isEmpty())
        return !acceptsKey(editor, key->text());
    return false;
}
