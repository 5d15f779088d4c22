// What a user waits for in the windows, each beside a baseline measured in
// the same run:
//   open the goods table in the browser, grid shown  vs  its keys read through SQLite
//   one search keystroke, grid repainted             vs  the same prefix through an index
//   the first keystroke after opening                vs  the column read through SQLite
//     (typed half a second after the search column is chosen, as a hand
//     moves from the mouse to the keys; judged on wall time, since the
//     column is read on another thread meanwhile)
//   a pick of one goods line with its stock post     vs  one UPDATE in a transaction
//   "Към фактурата" with 25 lines                    vs  the same cells put into a QTableWidget
// Run on Qt's offscreen platform:
//   cmake --build build-bench --target bench_browser && build-bench/bench/bench_browser

#include "BenchData.h"
#include "reference/Schema.h"

#include "app/Menu.h"
#include "app/Windows.h"
#include "document/Document.h"
#include "lines/Unit1.h"
#include "platform/Paths.h"
#include "platform/Prompts.h"
#include "reference/TableStore.h"
#include "reference/Unit4.h"
#include "store/SqliteFile.h"
#include "store/SqliteStatement.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTableWidget>
#include <QThread>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <vector>

namespace {

// Answers every input box with the text it proposes ("20%" for the rate,
// "1" for a quantity) and lets every message pass; anything unexpected is
// printed, since it means the benchmark measures something else.
class BenchPrompter final : public Prompter {
public:
    std::optional<QString> input(const QString &, const QString &, const QString &text) override { return text; }
    void information(const QString &text) override { report(text); }
    void message(const QString &text, Icon) override { report(text); }
    void error(const QString &text) override { report(text); }
    bool question(const QString &text) override
    {
        report(text);
        return false;
    }
    bool print(QPrinter &, int, int) override { return false; }
    QString openPicture(const QString &) override { return QString(); }
    QString chooseFolder(const QString &) override { return QString(); }
    QString saveFile(const QString &, const QString &, const QString &) override { return QString(); }
    std::optional<PaymentAnswer> payment(const PaymentForm &) override { return std::nullopt; }
    QString openFile(const QString &, const QString &) override { return QString(); }
    std::optional<QList<int>> chooseItems(const QString &, const QString &, const QStringList &) override
    {
        return std::nullopt;
    }

    QStringList expected;

private:
    void report(const QString &text)
    {
        if (!expected.contains(text))
            std::fprintf(stderr, "bench: the program said: %s\n", qPrintable(text));
    }
};

// Counts the paints of a widget, so that a figure is known to include one.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

PaintCounter gridPaints;
PaintCounter pagePaints;

// Delivers what is pending, paints included, until the counter has moved.
bool settle(const PaintCounter &counter, int before)
{
    for (int round = 0; round < 20 && counter.paints == before; ++round)
        QApplication::processEvents();
    QApplication::processEvents();
    return counter.paints > before;
}

void useFolder(const QString &folder)
{
    StartFolder = folder;
    QDir::setCurrent(folder);
}

void openGoods()
{
    const int before = gridPaints.paints;
    Main->SpeedButton3Click();
    settle(gridPaints, before);
}

// Closes the table and empties the search edit (with no table open, that
// searches nothing), so that the next opening starts afresh.
void closeBrowser()
{
    Form4->Table1->close();
    Form4->Edit1->clear();
    Form4->hide();
    QApplication::processEvents();
}

void searchOnDescription()
{
    Form4->ComboBox1->setCurrentIndex(Form4->ComboBox1->findText(BenchData::descriptionField()));
    Form4->ComboBox1Change();
    QApplication::processEvents();
}

// Types one more character of the prefix (the text set as the edit's own
// typing sets it); false when the grid was not repainted.
bool type(const QString &text)
{
    const int before = gridPaints.paints;
    Form4->Edit1->setText(text);
    return settle(gridPaints, before);
}

// ------------------------------------------------------------------ SQLite alone

QString descriptionColumn() { return u'"' + BenchData::descriptionField() + u'"'; }

// ------------------------------------------------------------------ open

void BM_Open(benchmark::State &state)
{
    const int records = int(state.range(0));
    useFolder(BenchData::startFolder(records));
    for (auto _ : state) {
        state.PauseTiming();
        closeBrowser();
        const int before = gridPaints.paints;
        state.ResumeTiming();
        Main->SpeedButton3Click();
        if (!settle(gridPaints, before) || Form4->DataSource1->rowCount() != records) {
            state.SkipWithError("the grid did not show the table");
            break;
        }
    }
    closeBrowser();
}

void BM_Open_Baseline(benchmark::State &state)
{
    const QString file = BenchData::goodsFile(int(state.range(0)));
    for (auto _ : state) {
        const SqliteFile connection(file);
        SqliteStatement keys(connection.handle(), QStringLiteral("SELECT rowid FROM stock ORDER BY rowid"));
        std::vector<qint64> read;
        while (keys.step())
            read.push_back(keys.key(0));
        if (read.size() != size_t(state.range(0))) {
            state.SkipWithError("the table is not whole");
            break;
        }
    }
}

// ------------------------------------------------------------------ search

void BM_Keystroke(benchmark::State &state)
{
    useFolder(BenchData::startFolder(int(state.range(0))));
    openGoods();
    searchOnDescription();
    type(BenchData::TypedPrefix);  // the column is read
    qsizetype typed = 0;
    for (auto _ : state) {
        if (typed == BenchData::TypedPrefix.size()) {
            // Emptying the edit is not what is measured.
            state.PauseTiming();
            type(QString());
            typed = 0;
            state.ResumeTiming();
        }
        ++typed;
        if (!type(BenchData::TypedPrefix.left(typed))) {
            state.SkipWithError("the grid was not repainted");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    closeBrowser();
}

void BM_Keystroke_Baseline(benchmark::State &state)
{
    const SqliteFile connection(BenchData::goodsFile(int(state.range(0))));
    SqliteStatement prefix(connection.handle(), QStringLiteral("SELECT rowid FROM stock WHERE %1 >= ?1 AND %1 < ?2")
                                                    .arg(descriptionColumn()));
    qsizetype typed = 0;
    std::vector<qint64> found;
    for (auto _ : state) {
        typed = typed == BenchData::TypedPrefix.size() ? 1 : typed + 1;
        const QByteArray low = BenchData::TypedPrefix.left(typed).toUtf8();
        const QByteArray high = low + "\xEF\xBF\xBF";  // above every text that begins with low
        prefix.bindText(1, low);
        prefix.bindText(2, high);
        found.clear();
        while (prefix.step())
            found.push_back(prefix.key(0));
        prefix.reset();
        benchmark::DoNotOptimize(found.data());
    }
    state.SetItemsProcessed(state.iterations());
}

// From choosing the search column with the mouse to the first key: the
// hand's move to the keyboard (0.4 s in the keystroke-level model of Card,
// Moran and Newell) and the key itself.
constexpr unsigned long HandToKeys = 500;

void BM_FirstKeystroke(benchmark::State &state)
{
    useFolder(BenchData::startFolder(int(state.range(0))));
    for (auto _ : state) {
        state.PauseTiming();
        closeBrowser();
        openGoods();
        searchOnDescription();
        QThread::msleep(HandToKeys);
        state.ResumeTiming();
        if (!type(BenchData::TypedPrefix.left(1))) {
            state.SkipWithError("the grid was not repainted");
            break;
        }
    }
    closeBrowser();
}

void BM_FirstKeystroke_Baseline(benchmark::State &state)
{
    const QString file = BenchData::goodsFile(int(state.range(0)));
    for (auto _ : state) {
        const SqliteFile connection(file);
        SqliteStatement column(connection.handle(),
                               QStringLiteral("SELECT rowid, %1 FROM stock ORDER BY rowid").arg(descriptionColumn()));
        qint64 characters = 0;
        while (column.step())
            characters += column.text(1).size();
        benchmark::DoNotOptimize(characters);
    }
}

// ------------------------------------------------------------------ pick

constexpr int PickRecords = 100000;

void BM_Pick(benchmark::State &state)
{
    useFolder(BenchData::scratchFolder(PickRecords));
    openGoods();
    QRandomGenerator random(11);
    for (auto _ : state) {
        state.PauseTiming();
        // Room for a description of three lines.
        if (Form1->StringGrid1->rowCount() > 22)
            Form1->Clear1Click();
        do {
            Form4->Table1->setRecNo(1 + random.bounded(PickRecords));
        } while (Form4->Table1->text(Schema::Goods::Quantity.name) == QLatin1String("0"));
        QApplication::processEvents();
        const int lines = LineCounter;
        state.ResumeTiming();
        Form4->SpeedButton2Click();
        QApplication::processEvents();
        if (LineCounter != lines + 1) {
            state.SkipWithError("the pick added no line");
            break;
        }
    }
    Form1->Clear1Click();
    closeBrowser();
}

void BM_Pick_Baseline(benchmark::State &state)
{
    SqliteFile connection(QDir(BenchData::scratchFolder(PickRecords)).filePath(QStringLiteral("DB/stock.db")));
    SqliteStatement update(connection.handle(), QStringLiteral("UPDATE stock SET \"К-во\" = ?1 WHERE rowid = ?2"));
    std::vector<qint64> keys;
    {
        SqliteStatement read(connection.handle(), QStringLiteral("SELECT rowid FROM stock"));
        while (read.step())
            keys.push_back(read.key(0));
    }
    QRandomGenerator random(11);
    for (auto _ : state) {
        try {
            connection.execute(QStringLiteral("BEGIN"));
            update.bindText(1, "41");
            update.bind(2, keys[random.bounded(int(keys.size()))]);
            update.step();
            update.reset();
            connection.execute(QStringLiteral("COMMIT"));
        } catch (const Failure &) {
            state.SkipWithError("the update failed");
            break;
        }
    }
}

// ------------------------------------------------------------------ assembly

void fillLines()
{
    Form1->Clear1Click();
    while (Form1->StringGrid1->rowCount() < 26) {
        Form1->ComboBox3->setText(QString::number(LineCounter + 1));
        Form1->Stock->setPlainText(QStringLiteral("Хартия за принтер А4 „Витоша“ %1").arg(LineCounter + 1));
        Form1->Edit4->setText(QStringLiteral("кутия"));
        Form1->Edit1->setText(QStringLiteral("42.50"));
        Form1->Edit3->setText(QStringLiteral("3"));
        if (!Form1->AddLine())
            break;
    }
}

void BM_Assembly(benchmark::State &state)
{
    useFolder(BenchData::scratchFolder(1000));
    fillLines();
    if (Form1->StringGrid1->rowCount() != 26)
        state.SkipWithError("the line table is not full");
    for (auto _ : state) {
        state.PauseTiming();
        Doc->hide();
        QApplication::processEvents();
        const int before = pagePaints.paints;
        state.ResumeTiming();
        Main->SpeedButton4Click();
        if (!settle(pagePaints, before)) {
            state.SkipWithError("the page was not painted");
            break;
        }
    }
    Doc->hide();
    closeBrowser();
    Form1->Clear1Click();
}

void BM_Assembly_Baseline(benchmark::State &state)
{
    // The cells the assembly copies: the heading row and 25 lines of six columns.
    QStringList texts;
    for (int cell = 0; cell < 26 * 6; ++cell)
        texts << QStringLiteral("Хартия %1").arg(cell);
    for (auto _ : state) {
        QTableWidget grid(26, 6);
        for (int row = 0; row < 26; ++row) {
            for (int column = 0; column < 6; ++column)
                grid.setItem(row, column, new QTableWidgetItem(texts[row * 6 + column]));
        }
        benchmark::DoNotOptimize(grid.item(25, 5));
    }
}

void sizes(benchmark::internal::Benchmark *benchmark)
{
    for (int records : {1000, 10000, 100000, 1000000})
        benchmark->Arg(records);
    benchmark->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Open)->Apply(sizes);
BENCHMARK(BM_Open_Baseline)->Apply(sizes);
BENCHMARK(BM_Keystroke)->Apply(sizes);
BENCHMARK(BM_Keystroke_Baseline)->Apply(sizes);
// Each measure waits the hand's half second: a few measures, not as many as
// fill the benchmark's minimum time.
BENCHMARK(BM_FirstKeystroke)->Apply(sizes)->Iterations(4);
BENCHMARK(BM_FirstKeystroke_Baseline)->Apply(sizes);
BENCHMARK(BM_Pick)->Arg(PickRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pick_Baseline)->Arg(PickRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Assembly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Assembly_Baseline)->Unit(benchmark::kMillisecond);

} // namespace

// The offscreen platform cannot raise a window and says so at every opening.
QtMessageHandler previousHandler = nullptr;

void quietRaise(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.startsWith(QLatin1String("This plugin does not support")))
        previousHandler(type, context, message);
}

int main(int argc, char **argv)
{
    previousHandler = qInstallMessageHandler(quietRaise);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    BenchPrompter prompter;
    prompter.expected << QStringLiteral("Количеството на стоката е изчерпано!");
    setPrompter(&prompter);
    setUpApplication(app);
    useFolder(BenchData::startFolder(1000));
    createWindows();
    Form4->DBGrid1->viewport()->installEventFilter(&gridPaints);
    Doc->installEventFilter(&pagePaints);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    destroyWindows();
    setPrompter(nullptr);
    return 0;
}
