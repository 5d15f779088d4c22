#include "reference/Unit4.h"

#include "common/Failure.h"
#include "common/Logging.h"
#include "common/PictureToBitmap.h"
#include "platform/BusyCursor.h"
#include "platform/Fonts.h"
#include "platform/Handlers.h"
#include "platform/Paths.h"
#include "platform/Prompts.h"
#include "platform/Widgets.h"
#include "reference/Schema.h"
#include "reference/Search.h"
#include "reference/TableStore.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QImageReader>
#include <QLineEdit>
#include <optional>

TForm4 *Form4 = nullptr;

namespace {

const QString OwnCompanies = QStringLiteral("Фирмен профил");
const QString BankDetails = QStringLiteral("Банкови детайли");
const QString Goods = QStringLiteral("СТОКИ");
const QString Clients = QStringLiteral("КЛИЕНТИ");

const QString NoRecordMessage = QStringLiteral("Няма избран запис за добавяне.");
const QString DeleteQuestion = QStringLiteral("Да бъде ли изтрит записът?");
const QString NoMatch = QStringLiteral("Няма запис, който започва с „%1“.");
const QString NoMatchPickMessage =
    QStringLiteral("Няма запис, който започва с „%1“. Изберете запис от таблицата или променете търсения текст.");

const QString PictureFilter = QStringLiteral(
    "Всички картини (*.bmp *.ico *.png *.jpg *.jpeg *.gif *.emf *.wmf);;"
    "Растерни изображения (*.bmp);;Икони (*.ico);;Метафайлове (*.emf *.wmf)");

// The system's desktop colour of the classic Windows scheme.
const QColor DesktopColour(58, 110, 165);
// The search box when no record begins with its text.
const QColor NoMatchColour(178, 34, 34);

constexpr int DesignWidth = 691;
constexpr int DesignHeight = 396;

void paintDesktopColours(QWidget *widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, DesktopColour);
    palette.setColor(QPalette::Button, DesktopColour);
    palette.setColor(QPalette::Text, Qt::white);
    palette.setColor(QPalette::ButtonText, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::white);
    widget->setPalette(palette);
}

QLabel *newLabel(const QString &text, QWidget *parent, int left, int top, const QFont &font)
{
    auto *label = new QLabel(text, parent);
    label->setFont(font);
    label->adjustSize();
    label->move(left, top);
    return label;
}

QToolButton *newFlatButton(const QString &text, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setText(text);
    return button;
}

} // namespace

// ------------------------------------------------------------------ TForm4

TForm4::TForm4(QWidget *parent) : QWidget(parent, Qt::Window)
{
    resize(DesignWidth, DesignHeight);
    fillBackground(this, QColor(223, 223, 223));
    const QFont font = pixelFont(QStringLiteral("Arial"), 11);
    const QFont large = pixelFont(QStringLiteral("Arial"), 13);
    const QFont bold = pixelFont(QStringLiteral("Arial"), 11, true);
    setFont(font);

    Table1 = new TableStore(this);
    DataSource1 = new TableModel(Table1, this);

    DBNavigator1 = new DBNavigator(this);
    Label1 = newLabel(QStringLiteral("Търси :"), this, 8, 40, large);
    Edit1 = new QLineEdit(this);
    Edit1->setFrame(false);
    Edit1->setFont(large);
    paintDesktopColours(Edit1);
    Label2 = newLabel(QStringLiteral("Раздел :"), this, 370, 40, large);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setFont(large);
    paintDesktopColours(ComboBox1);

    DBGrid1 = new DBGrid(this);
    DBGrid1->setFrameShape(QFrame::NoFrame);
    DBGrid1->setModel(DataSource1);
    DBGrid1->setItemDelegate(new WidthLimitedDelegate(Table1, DBGrid1));
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                             | QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    DBGrid1->verticalHeader()->setMinimumSectionSize(1);
    DBGrid1->verticalHeader()->setDefaultSectionSize(19);
    DBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DBGrid1->verticalHeader()->hide();
    DBGrid1->horizontalHeader()->setDefaultSectionSize(130);
    DBGrid1->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: %1; color: white; padding: 2px; "
                       "border: 0px; border-right: 1px solid silver; }")
            .arg(DesktopColour.name()));

    DBMemo1 = new QPlainTextEdit(this);
    DBMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DBMemo1->setGeometry(9, 64, 433, 57);
    DBMemo1->hide();
    LabelOpisanie = newLabel(QStringLiteral("Описание на стоката/услугата"), this, 448, 80, bold);
    LabelOpisanie->hide();
    DBImage1 = new DBImage(this);
    DBImage1->setGeometry(450, 64, 233, 97);
    DBImage1->hide();
    LabelLogo = newLabel(QStringLiteral("Лого\n(натиснете върху\nбялото поле)"), this, 328, 96, bold);
    LabelLogo->hide();

    SpeedButton2 = newFlatButton(QStringLiteral("Добави"), this);
    SpeedButton1 = newFlatButton(QStringLiteral("Изход"), this);

    onSignal(Table1, &TableStore::afterClose, this, [this] { Table1AfterClose(); });
    onSignal(Table1, &TableStore::wasReset, this, [this] { followCursor(); });
    onSignal(Table1, &TableStore::currentRowChanged, this, [this] { followCursor(); });
    onSignal(Table1, &TableStore::rowChanged, this, [this](int row) {
        if (row == Table1->currentRow())
            showRecord();
    });
    // A row the user chose becomes the current record once the click is over.
    onSignal(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] {
                if (m_followingCursor)
                    return;
                QMetaObject::invokeMethod(this, [this] {
                    const int row = DBGrid1->currentIndex().row();
                    if (Table1->isActive() && row >= 0)
                        runGuarded([this, row] {
                            Table1->moveToRow(row);
                            showSearchMissed(false);  // a record the user chose
                        });
                }, Qt::QueuedConnection);
            });
    onSignal(DataSource1, &TableModel::editFailed, this, [](const QString &text) { prompts().error(text); });
    onSignal(DBMemo1, &QPlainTextEdit::textChanged, this, [this] { memoEdited(); });

    onSignal(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(); });
    onSignal(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Change(); });
    onSignal(DBImage1, &DBImage::clicked, this, [this] { DBImage1Click(); });
    onClick(SpeedButton1, [this] { SpeedButton1Click(); });
    onClick(SpeedButton2, [this] { SpeedButton2Click(); });
    onClick(DBNavigator1->First, [this] { navigatorFirst(); });
    onClick(DBNavigator1->Last, [this] { navigatorLast(); });
    onClick(DBNavigator1->Insert, [this] { navigatorInsert(); });
    onClick(DBNavigator1->Delete, [this] { navigatorDelete(); });
    onClick(DBNavigator1->Refresh, [this] { navigatorRefresh(); });

    layOut();
    followCursor();
}

TForm4::~TForm4()
{
    // The table's close stores a pending change; one that cannot be stored is reported.
    runGuarded([this] {
        DBGrid1->commitOpenEditor();
        Table1->close();
    });
    // The grid lets go of the table before the table goes, and the table
    // goes quietly: the controls its notices touch are going as well.
    DBGrid1->setModel(nullptr);
    delete DataSource1;
    DataSource1 = nullptr;
    Table1->blockSignals(true);
    delete Table1;
    Table1 = nullptr;
}

void TForm4::layOut()
{
    // Controls keep their distance to the right and bottom edges as the window grows.
    const int dx = width() - DesignWidth;
    const int dy = height() - DesignHeight;
    DBNavigator1->setGeometry(8, 8, 680 + dx, 25);
    Edit1->setGeometry(56, 36, 299 + dx, 24);
    Label2->move(370 + dx, 40);
    ComboBox1->setGeometry(426 + dx, 36, 265, 24);
    DBGrid1->setGeometry(8, m_gridTop, 673 + dx, m_gridHeight + dy);
    SpeedButton2->setGeometry(500 + dx, 368 + dy, 87, 22);
    SpeedButton1->setGeometry(596 + dx, 368 + dy, 87, 22);
}

void TForm4::setGridPlace(int top, int height)
{
    m_gridTop = top;
    m_gridHeight = height;
    layOut();
}

void TForm4::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void TForm4::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        runGuarded([this] { FormShow(); });
}

bool TForm4::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        runGuarded([this] { FormActivate(); });
    return QWidget::event(event);
}

// ------------------------------------------------------------------ opening

void TForm4::openTable(const QString &fileName)
{
    Table1->setDatabaseName(dataDirectory());
    Table1->setTableName(fileName);
    BusyCursor busy;
    Table1->open();
}

void TForm4::bringUp()
{
    // Showing a hidden window rebuilds the section list on its own.
    if (isVisible())
        FormShow();
    show();
    raise();
    activateWindow();
}

void TForm4::openOwnCompanies()
{
    DBGrid1->commitOpenEditor();
    Table1->close();
    setWindowTitle(OwnCompanies);
    setGridPlace(168, 193);
    openTable(Schema::Firm::FileName);
    if (FirmRecNo > 0)
        Table1->setRecNo(FirmRecNo);
    bindPicture(Schema::Firm::Logo.name);
    DBImage1->show();
    LabelLogo->show();
    bringUp();
}

void TForm4::openBankDetails()
{
    DBGrid1->commitOpenEditor();
    Table1->close();
    setWindowTitle(BankDetails);
    openTable(Schema::Bank::FileName);
    if (BankRecNo > 0)
        Table1->setRecNo(BankRecNo);
    bringUp();
}

void TForm4::openGoods()
{
    DBGrid1->commitOpenEditor();
    Table1->close();
    setWindowTitle(Goods);
    setGridPlace(120, 241);
    openTable(Schema::Goods::FileName);
    bindMemo(Schema::Goods::DescriptionAsBound);
    DBMemo1->show();
    LabelOpisanie->show();
    bringUp();
}

void TForm4::openClients()
{
    DBGrid1->commitOpenEditor();
    Table1->close();
    setWindowTitle(Clients);
    openTable(Schema::Clients::FileName);
    bringUp();
}

void TForm4::bindMemo(const QString &field)
{
    Table1->fieldByName(field);
    m_memoField = field;
    showRecord();
}

void TForm4::bindPicture(const QString &field)
{
    Table1->fieldByName(field);
    m_pictureField = field;
    showRecord();
}

// ------------------------------------------------------------------ events

void TForm4::FormShow()
{
    ComboBox1->clear();
    if (Table1->isActive())
        ComboBox1->addItems(Table1->fieldNames());
    ComboBox1->setCurrentIndex(ComboBox1->count() > 0 ? 0 : -1);
    if (ComboBox1->count() > 0)
        Table1->foldAhead(ComboBox1->currentText());
}

void TForm4::FormActivate()
{
    DBGrid1->commitOpenEditor();
    if (Table1->isActive())
        Table1->refresh();
}

void TForm4::Table1AfterClose()
{
    setGridPlace(64, 297);
    m_memoField.clear();
    m_pictureField.clear();
    DBMemo1->hide();
    DBImage1->hide();
    LabelLogo->hide();
    LabelOpisanie->hide();
    Table1->setFilter(QString());
    Table1->setFiltered(false);
    showSearchMissed(false);
    showRecord();
}

void TForm4::Edit1Change()
{
    if (Table1->isActive()) {
        // The first keystroke may wait for the rest of the column read ahead.
        std::optional<BusyCursor> busy;
        if (Table1->isFoldingAhead())
            busy.emplace();
        const bool found = searchTable(*Table1, ComboBox1->currentText(), Edit1->text());
        showSearchMissed(!found && !Edit1->text().isEmpty());
    }
}

void TForm4::showSearchMissed(bool missed)
{
    m_searchMissed = missed;
    QPalette palette = Edit1->palette();
    palette.setColor(QPalette::Base, missed ? NoMatchColour : DesktopColour);
    Edit1->setPalette(palette);
    Edit1->setToolTip(missed ? NoMatch.arg(Edit1->text()) : QString());
}

void TForm4::ComboBox1Change()
{
    DBGrid1->commitOpenEditor();
    Table1->moveFieldToFront(ComboBox1->currentText());
    Table1->foldAhead(ComboBox1->currentText());
    Edit1->setFocus();
    Edit1->clear();
}

void TForm4::DBImage1Click()
{
    DBGrid1->commitOpenEditor();
    if (m_pictureField.isEmpty())
        return;
    const QString file = prompts().openPicture(PictureFilter);
    if (file.isEmpty())
        return;
    QFile picture(file);
    if (!picture.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Файлът „%1“ не може да бъде отворен.").arg(QDir::toNativeSeparators(file)));
    const QByteArray bytes = picture.readAll();
    // The column keeps bitmaps: any other picture is stored as one, and a
    // file that is no picture is refused before the stored logo is touched.
    const QByteArray stored = pictureAsBitmap(bytes, file);
    Table1->edit();
    Table1->setPicture(m_pictureField, stored);
    Table1->post();
}

void TForm4::SpeedButton1Click()
{
    DBGrid1->commitOpenEditor();
    hide();
}

void TForm4::storePendingChange()
{
    DBGrid1->commitOpenEditor();
    if (Table1->isActive())
        Table1->postPending();
}

void TForm4::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // A change typed into the grid is stored, not left behind the hidden window.
    runGuarded([this] { storePendingChange(); });
}

// ------------------------------------------------------------------ navigator

void TForm4::navigatorFirst()
{
    DBGrid1->commitOpenEditor();
    Table1->first();
    showSearchMissed(false);
}

void TForm4::navigatorLast()
{
    DBGrid1->commitOpenEditor();
    Table1->last();
    showSearchMissed(false);
}

void TForm4::navigatorInsert()
{
    DBGrid1->commitOpenEditor();
    Table1->insert();
    DBGrid1->setFocus();
}

void TForm4::navigatorDelete()
{
    DBGrid1->commitOpenEditor();
    const bool record = Table1->hasCurrent() || Table1->state() == TableStore::State::Insert;
    if (record && !prompts().question(DeleteQuestion))
        return;
    Table1->remove();
}

void TForm4::navigatorRefresh()
{
    DBGrid1->commitOpenEditor();
    Table1->refresh();
}

// ------------------------------------------------------------------ the record shown

void TForm4::followCursor()
{
    m_followingCursor = true;
    const int row = Table1->isActive() ? Table1->currentRow() : -1;
    if (row >= 0) {
        const int column = std::max(0, DBGrid1->currentIndex().column());
        const QModelIndex index = DataSource1->index(row, std::min(column, DataSource1->columnCount() - 1));
        DBGrid1->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        DBGrid1->scrollTo(index);
    } else {
        DBGrid1->selectionModel()->clear();
    }
    m_followingCursor = false;
    for (QToolButton *button : {DBNavigator1->First, DBNavigator1->Last, DBNavigator1->Insert,
                                DBNavigator1->Delete, DBNavigator1->Refresh})
        button->setEnabled(Table1->isActive());
    showRecord();
}

void TForm4::showRecord()
{
    m_showingRecord = true;
    const bool current = Table1->hasCurrent();
    try {
        const QString memo = (!m_memoField.isEmpty() && current) ? Table1->text(m_memoField) : QString();
        if (DBMemo1->toPlainText() != memo)
            DBMemo1->setPlainText(memo);
        DBMemo1->setReadOnly(!current);
        QPixmap logo;
        if (!m_pictureField.isEmpty() && current)
            logo.loadFromData(Table1->picture(m_pictureField));
        DBImage1->setPicture(logo);
    } catch (const Failure &failure) {
        qCWarning(lcReference) << "current record shown empty:" << failure.text();
        // The binding was checked when the table opened; a record gone
        // meanwhile shows empty until the next refresh.
    }
    m_showingRecord = false;
}

void TForm4::memoEdited()
{
    if (m_showingRecord || m_memoField.isEmpty() || !Table1->hasCurrent())
        return;
    runGuarded([this] {
        Table1->edit();
        Table1->setText(m_memoField, DBMemo1->toPlainText());
    });
}

// ------------------------------------------------------------------ the pick

void TForm4::SpeedButton2Click()
{
    DBGrid1->commitOpenEditor();
    // A new record left blank is dropped, and the record after it must not
    // be picked in its place.
    const bool blankNewRecord = Table1->isActive() && Table1->state() == TableStore::State::Insert
                                && !Table1->isModified();
    if (Table1->isActive())
        Table1->postPending();
    const QString mode = windowTitle();
    const bool picking = mode == Clients || mode == Goods || mode == BankDetails || mode == OwnCompanies;
    if (!picking)
        return;
    // When the search found nothing, the cursor merely stayed where it was:
    // its record is not the one searched for.
    if (m_searchMissed) {
        prompts().information(NoMatchPickMessage.arg(Edit1->text()));
        return;
    }
    if (blankNewRecord || !Table1->hasCurrent()) {
        prompts().information(NoRecordMessage);
        return;
    }
    if (mode == Clients && m_pick.client)
        m_pick.client(*Table1);
    if (mode == Goods && m_pick.goods)
        m_pick.goods(*Table1);
    if (mode == BankDetails && m_pick.bank) {
        m_pick.bank(*Table1);
        BankRecNo = Table1->recNo();
    }
    if (mode == OwnCompanies && m_pick.ownCompany) {
        FirmRecNo = Table1->recNo();
        m_pick.ownCompany(*Table1, DBImage1->picture());
    }
}
