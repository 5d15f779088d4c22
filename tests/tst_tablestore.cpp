// The reference table store on real SQLite files in temporary folders, and
// on a database of the test server: every case runs on both.

#include "common/Failure.h"
#include "reference/FilterExpression.h"
#include "reference/TableModel.h"
#include "reference/TableStore.h"
#include "support/TableEngines.h"
#include "support/SqlFile.h"
#include "tools/TableMaker.h"

#include <QAbstractItemModelTester>
#include <QBuffer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <atomic>
#include <memory>
#include <QThread>

using TableMaker::TableDefinition;

Q_DECLARE_METATYPE(TableStore::State)

namespace {

const QString Firm = QStringLiteral("Фирма");

QVariantMap client(const QString &name, const QString &address = QString())
{
    return {{Firm, name}, {QStringLiteral("Адрес"), address}};
}

QVariantMap goods(const QString &number, const QString &stock, const QString &description = QString())
{
    return {{QStringLiteral("Пор. №"), number},
            {QStringLiteral("К-во"), stock},
            {QStringLiteral("Описание на стока/услуга"), description}};
}

} // namespace

class tst_TableStore : public QObject, private EngineFolder {
    Q_OBJECT

    // Runs SQL that changes a table, as another program would.
    void otherProgram(const QString &fileName, const QStringList &statements)
    {
        QCOMPARE(sql(fileName, statements), QStringList());
    }

    // A fresh clients table holding these names.
    std::unique_ptr<TableStore> clients(const QStringList &names)
    {
        QFile::remove(QDir(data()).filePath(QStringLiteral("customer.db")));
        QList<QVariantMap> records;
        for (const QString &name : names)
            records << client(name);
        makeTable(TableMaker::referenceTable(QStringLiteral("customer.db")), records);
        return open(QStringLiteral("customer.db"));
    }

private Q_SLOTS:
    void initTestCase_data()
    {
        engineRows();
    }
    void init()
    {
        QFETCH_GLOBAL(Engine, engine);
        if (engine == Engine::Server)
            REQUIRE_TEST_SERVER();
        QVERIFY(use(engine));
    }

    // ------------------------------------------------------------ opening

    void missingFolderOrFileFailsAndCreatesNothing_data()
    {
        QTest::addColumn<bool>("withFolder");
        QTest::addColumn<QString>("message");
        QTest::newRow("no DB folder") << false << QStringLiteral("Папката с таблиците");
        QTest::newRow("no table file") << true << QStringLiteral("Таблицата");
    }
    void missingFolderOrFileFailsAndCreatesNothing()
    {
        FILES_ONLY();
        QFETCH(bool, withFolder);
        QFETCH(QString, message);
        if (!withFolder)
            QVERIFY(QDir(data()).removeRecursively());
        TableStore table;
        table.setDatabaseName(data() + u'/');
        table.setTableName(QStringLiteral("stock.db"));
        try {
            table.open();
            QFAIL("a missing table opened");
        } catch (const Failure &failure) {
            QVERIFY2(failure.text().startsWith(message), qPrintable(failure.text()));
            QVERIFY(failure.text().contains(QStringLiteral("не съществува")));
        }
        QVERIFY(!table.isActive());
        QCOMPARE(QDir(data()).exists(), withFolder);
        QVERIFY(!QFile::exists(QDir(data()).filePath(QStringLiteral("stock.db"))));
        // A second store opens it once it is there.
        QVERIFY(QDir().mkpath(data()));
        makeTable(TableMaker::referenceTable(QStringLiteral("stock.db")), {goods("1", "5")});
        table.open();
        QCOMPARE(table.recordCount(), 1);
    }

    void fileThatIsNotATableFails()
    {
        FILES_ONLY();
        const QString path = QDir(data()).filePath(QStringLiteral("Firm.db"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        TableStore table;
        table.setDatabaseName(data());
        table.setTableName(QStringLiteral("Firm.db"));
        QVERIFY_THROWS_EXCEPTION(Failure, table.open());
        QVERIFY(!table.isActive());
        QFile again(path);
        QVERIFY(again.open(QIODevice::ReadOnly));
        QCOMPARE(again.readAll(), QByteArray(4096, 'x'));
    }

    // A column named rowid would hide the record key, so that an edit of one
    // record changes others: such a table is refused.
    void columnNamedRowid_data()
    {
        QTest::addColumn<QString>("declaration");
        QTest::addColumn<bool>("opens");
        QTest::newRow("text column") << "rowid TEXT, name TEXT" << false;
        QTest::newRow("any letter case") << "name TEXT, RowID INTEGER" << false;
        QTest::newRow("the integer key itself") << "rowid INTEGER PRIMARY KEY, name TEXT" << true;
    }
    void columnNamedRowid()
    {
        FILES_ONLY();
        QFETCH(QString, declaration);
        QFETCH(bool, opens);
        const QString file = QDir(data()).filePath(QStringLiteral("notes.db"));
        const QString keys = opens ? QStringLiteral("(7, 'а'), (8, 'б')") : QStringLiteral("(1, 'а'), (1, 'б')");
        otherProgram(QFileInfo(file).fileName(), {QStringLiteral("CREATE TABLE notes (%1)").arg(declaration),
                            QStringLiteral("INSERT INTO notes (rowid, name) VALUES ") + keys});
        TableStore table;
        table.setDatabaseName(data());
        table.setTableName(QStringLiteral("notes.db"));
        if (!opens) {
            QVERIFY_THROWS_EXCEPTION(Failure, table.open());
            QVERIFY(!table.isActive());
            return;
        }
        table.open();
        table.edit();
        table.setText(QStringLiteral("name"), QStringLiteral("в"));
        table.post();
        QCOMPARE(column(table, QStringLiteral("name")), (QStringList{QStringLiteral("в"), QStringLiteral("б")}));
    }

    void closeAnnouncesEveryTime()
    {
        makeTable(TableMaker::referenceTable(QStringLiteral("Details.db")));
        TableStore table;
        QSignalSpy closed(&table, &TableStore::afterClose);
        table.close();  // even when nothing was open
        table.setDatabaseName(data());
        table.setTableName(QStringLiteral("Details.db"));
        table.open();
        table.close();
        QCOMPARE(closed.count(), 2);
        QVERIFY(!table.isActive());
        QVERIFY_THROWS_EXCEPTION(Failure, table.first());
    }

    // ------------------------------------------------------------ columns

    void columnsInTableOrderWithFurtherColumns()
    {
        TableDefinition definition = TableMaker::referenceTable(QStringLiteral("stock.db"));
        definition.columns.insert(2, {QStringLiteral("Доставчик"), QStringLiteral("VARCHAR(30)")});
        definition.columns.append({QStringLiteral("Бележка"), QStringLiteral("CLOB")});
        makeTable(definition, {goods("7", "1")});
        auto table = open(QStringLiteral("stock.db"));
        QCOMPARE(table->fieldNames(),
                 QStringList({QStringLiteral("Пор. №"), QStringLiteral("Описание на стока/услуга"),
                              QStringLiteral("Доставчик"), QStringLiteral("Мярка"), QStringLiteral("Продажна цена"),
                              QStringLiteral("К-во"), QStringLiteral("Бележка")}));
        QCOMPARE(table->fieldKind(1), TableStore::FieldKind::Memo);
        QCOMPARE(table->fieldKind(6), TableStore::FieldKind::Memo);
        QCOMPARE(table->fieldKind(0), TableStore::FieldKind::Text);
        // Declared widths, in the column order shown.
        QList<int> widths;
        for (int column = 0; column < table->fieldCount(); ++column)
            widths << table->fieldWidth(column);
        QCOMPARE(widths, (QList<int>{6, 0, 30, 10, 20, 20, 0}));
        table->moveFieldToFront(QStringLiteral("Мярка"));
        QCOMPARE(table->fieldWidth(0), 10);
    }

    void findFieldIgnoresLetterCase_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("column");
        QTest::newRow("memo in lower case") << QStringLiteral("описание на стока/услуга") << 1;
        QTest::newRow("exact") << QStringLiteral("Описание на стока/услуга") << 1;
        QTest::newRow("Cyrillic upper") << QStringLiteral("ПОР. №") << 0;
        QTest::newRow("mixed") << QStringLiteral("к-ВО") << 4;
        QTest::newRow("prefix is not a name") << QStringLiteral("Описание") << -1;
        QTest::newRow("hidden key") << QStringLiteral("__order") << -1;
    }
    void findFieldIgnoresLetterCase()
    {
        QFETCH(QString, name);
        QFETCH(int, column);
        makeTable(TableMaker::referenceTable(QStringLiteral("stock.db")), {goods("1", "2")});
        auto table = open(QStringLiteral("stock.db"));
        QCOMPARE(table->findField(name), column);
        if (column < 0) {
            try {
                table->text(name);
                QFAIL("a missing column was read");
            } catch (const Failure &failure) {
                QCOMPARE(failure.text(), QStringLiteral("Полето „%1“ не е намерено.").arg(name));
            }
        } else {
            QCOMPARE(table->fieldByName(name), column);
        }
    }

    void moveFieldToFrontLastsUntilClose()
    {
        makeTable(TableMaker::referenceTable(QStringLiteral("customer.db")),
                              {client(QStringLiteral("Алфа"), QStringLiteral("София"))});
        auto table = open(QStringLiteral("customer.db"));
        QSignalSpy reset(table.get(), &TableStore::wasReset);
        table->moveFieldToFront(QStringLiteral("адрес"));
        QCOMPARE(reset.count(), 1);
        const QStringList names = table->fieldNames();
        QCOMPARE(names.first(), QStringLiteral("Адрес"));
        QCOMPARE(names.mid(1, 2), QStringList({Firm, QStringLiteral("Идент №")}));
        QCOMPARE(table->rowText(0, 0), QStringLiteral("София"));
        QCOMPARE(table->rowText(0, 1), QStringLiteral("Алфа"));
        QVERIFY_THROWS_EXCEPTION(Failure, table->moveFieldToFront(QStringLiteral("Няма такава")));
        table->close();
        table->open();
        QCOMPARE(table->fieldNames().first(), Firm);
    }

    // ------------------------------------------------------------ values

    void assignedTextIsStoredOnPost()
    {
        makeTable(TableMaker::referenceTable(QStringLiteral("stock.db")),
                              {goods("1", "5"), goods("2", "7")});
        {
            auto table = open(QStringLiteral("stock.db"));
            QVERIFY_THROWS_EXCEPTION(Failure, table->setText(QStringLiteral("К-во"), QStringLiteral("4")));
            table->setRecNo(2);
            table->edit();
            table->setText(QStringLiteral("к-во"), QStringLiteral("6.5"));
            table->setText(QStringLiteral("Мярка"), QStringLiteral("кг"));
            QVERIFY(table->isModified());
            QCOMPARE(table->text(QStringLiteral("К-во")), QStringLiteral("6.5"));
            table->post();
            QCOMPARE(table->state(), TableStore::State::Browse);
            table->edit();
            table->setText(QStringLiteral("Мярка"), QString());
            table->cancel();
        }
        auto table = open(QStringLiteral("stock.db"));
        QCOMPARE(column(*table, QStringLiteral("К-во")), QStringList({QStringLiteral("5"), QStringLiteral("6.5")}));
        QCOMPARE(column(*table, QStringLiteral("Мярка")), QStringList({QString(), QStringLiteral("кг")}));
    }

    void memoKeepsItsLines()
    {
        const QString text = QStringLiteral("Първи ред\r\nвтори ред\nтрети ред с „кавички“ и 'апостроф'");
        makeTable(TableMaker::referenceTable(QStringLiteral("stock.db")), {goods("1", "1")});
        {
            auto table = open(QStringLiteral("stock.db"));
            table->edit();
            table->setText(QStringLiteral("описание на стока/услуга"), text);
            table->post();
        }
        auto table = open(QStringLiteral("stock.db"));
        QCOMPARE(table->text(QStringLiteral("Описание на стока/услуга")), text);
    }

    void numbersStoredAsNumbersReadShortest()
    {
        FILES_ONLY();
        TableDefinition definition = TableMaker::referenceTable(QStringLiteral("stock.db"));
        definition.columns[4].type = QStringLiteral("NUMERIC");
        definition.columns[3].type = QStringLiteral("REAL");
        makeTable(definition);
        const QString file = QDir(data()).filePath(QStringLiteral("stock.db"));
        otherProgram(QFileInfo(file).fileName(), {QStringLiteral("INSERT INTO stock (\"К-во\", \"Продажна цена\") VALUES (7, 2.5)"),
                            QStringLiteral("INSERT INTO stock (\"К-во\", \"Продажна цена\") VALUES (0.1, 12)")});
        auto table = open(QStringLiteral("stock.db"));
        QCOMPARE(column(*table, QStringLiteral("К-во")), QStringList({QStringLiteral("7"), QStringLiteral("0.1")}));
        QCOMPARE(column(*table, QStringLiteral("Продажна цена")), QStringList({QStringLiteral("2.5"), QStringLiteral("12")}));
    }

    // ------------------------------------------------------------ cursor

    void cursorRules_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("setTo");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("count");
        QTest::newRow("a record") << QString() << 3 << 3 << 5;
        QTest::newRow("the last") << QString() << 5 << 5 << 5;
        QTest::newRow("zero stays") << QString() << 0 << 2 << 5;
        QTest::newRow("beyond the end stays") << QString() << 6 << 2 << 5;
        QTest::newRow("negative stays") << QString() << -1 << 2 << 5;
        QTest::newRow("under the filter") << QStringLiteral("Фирма >= 'Б'") << 4 << 4 << 4;
        QTest::newRow("filtered out stays") << QStringLiteral("Фирма >= 'В'") << 2 << 3 << 3;
    }
    void cursorRules()
    {
        QFETCH(QString, filter);
        QFETCH(int, setTo);
        QFETCH(int, expected);
        QFETCH(int, count);
        auto table = clients({QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В"), QStringLiteral("Г"),
                              QStringLiteral("Д")});
        QCOMPARE(table->recNo(), 1);
        table->setRecNo(2);
        if (!filter.isEmpty()) {
            table->setFilter(filter);
            table->setFiltered(true);
        }
        table->setRecNo(setTo);
        QCOMPARE(table->recNo(), expected);
        QCOMPARE(table->recordCount(), count);
        table->last();
        QCOMPARE(table->recNo(), 5);
        table->first();
        QCOMPARE(table->recNo(), 6 - count);
    }

    void emptyTableHasNoCurrentRecord()
    {
        auto table = clients({});
        QCOMPARE(table->recordCount(), 0);
        QCOMPARE(table->recNo(), 0);
        QVERIFY(!table->hasCurrent());
        QCOMPARE(table->text(Firm), QString());
        QVERIFY_THROWS_EXCEPTION(Failure, table->edit());
        QVERIFY_THROWS_EXCEPTION(Failure, table->remove());
        table->first();
        table->last();
        QCOMPARE(table->recNo(), 0);
    }

    void locateByPrefixIgnoringCase_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<int>("expected");  // record number, 0 = not found
        QTest::newRow("Cyrillic lower finds upper") << QString() << QStringLiteral("ива") << 2;
        QTest::newRow("Cyrillic upper finds lower") << QStringLiteral("") << QStringLiteral("ИВАЙ") << 3;
        QTest::newRow("first in table order") << QString() << QStringLiteral("я") << 4;
        QTest::newRow("whole value") << QString() << QStringLiteral("яН") << 4;
        QTest::newRow("empty text finds the first") << QString() << QString() << 1;
        QTest::newRow("Latin") << QString() << QStringLiteral("OMEGA") << 6;
        QTest::newRow("no such beginning") << QString() << QStringLiteral("Х") << 0;
        QTest::newRow("longer than any value") << QString() << QStringLiteral("Ивановци") << 0;
        QTest::newRow("only within the filter") << QStringLiteral("Фирма >= 'ивб'") << QStringLiteral("ИВ") << 0;
        QTest::newRow("the first the filter lets through") << QStringLiteral("Фирма = 'Ян*'") << QStringLiteral("я") << 4;
        QTest::newRow("with an apostrophe") << QString() << QStringLiteral("о'н") << 7;
    }
    void locateByPrefixIgnoringCase()
    {
        QFETCH(QString, filter);
        QFETCH(QString, prefix);
        QFETCH(int, expected);
        auto table = clients({QStringLiteral("Мария"), QStringLiteral("Иван"), QStringLiteral("ивайло"),
                              QStringLiteral("ЯНА"), QStringLiteral("Ян"), QStringLiteral("omega"),
                              QStringLiteral("О'Нийл")});
        table->setFilter(filter);
        table->setFiltered(true);
        const int before = table->recNo();
        QCOMPARE(table->locate(QStringLiteral("фирма"), prefix), expected > 0);
        QCOMPARE(table->recNo(), expected > 0 ? expected : before);
        QVERIFY_THROWS_EXCEPTION(Failure, table->locate(QStringLiteral("Няма"), prefix));
    }

    // ------------------------------------------------------------ filter

    void filterForms_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("equal ignores case") << QStringLiteral("Фирма = 'иван'") << QStringList{QStringLiteral("Иван")};
        QTest::newRow("equal, column in lower case") << QStringLiteral("фирма = 'ЯНА'") << QStringList{QStringLiteral("ЯНА")};
        QTest::newRow("equal, nothing") << QStringLiteral("Фирма = 'Ива'") << QStringList{};
        QTest::newRow("asterisk is a prefix") << QStringLiteral("Фирма = 'ИВ*'")
                                              << QStringList{QStringLiteral("Иван"), QStringLiteral("ивайло")};
        QTest::newRow("asterisk alone") << QStringLiteral("Фирма = '*'")
                                        << QStringList{QStringLiteral("Мария"), QStringLiteral("Иван"),
                                                       QStringLiteral("ивайло"), QStringLiteral("ЯНА"),
                                                       QStringLiteral("Ян"), QString()};
        QTest::newRow("not less") << QStringLiteral("Фирма >= 'м'")
                                  << QStringList{QStringLiteral("Мария"), QStringLiteral("ЯНА"), QStringLiteral("Ян")};
        QTest::newRow("not less, prefix") << QStringLiteral("Фирма >= 'ян*'")
                                          << QStringList{QStringLiteral("ЯНА"), QStringLiteral("Ян")};
        QTest::newRow("not less than a longer text") << QStringLiteral("Фирма >= 'ивайлов'")
                                                     << QStringList{QStringLiteral("Мария"), QStringLiteral("Иван"),
                                                                    QStringLiteral("ЯНА"), QStringLiteral("Ян")};
        QTest::newRow("blank values") << QStringLiteral("Фирма = ''") << QStringList{QString()};
        QTest::newRow("no expression") << QString()
                                       << QStringList{QStringLiteral("Мария"), QStringLiteral("Иван"),
                                                      QStringLiteral("ивайло"), QStringLiteral("ЯНА"),
                                                      QStringLiteral("Ян"), QString()};
    }
    void filterForms()
    {
        QFETCH(QString, expression);
        QFETCH(QStringList, shown);
        auto table = clients({QStringLiteral("Мария"), QStringLiteral("Иван"), QStringLiteral("ивайло"),
                              QStringLiteral("ЯНА"), QStringLiteral("Ян"), QString()});
        table->setFilter(expression);
        QCOMPARE(table->recordCount(), 6);  // held, not applied
        table->setFiltered(true);
        QCOMPARE(column(*table, Firm), shown);
        QCOMPARE(table->recordCount(), shown.size());
        table->setFiltered(false);
        QCOMPARE(table->recordCount(), 6);
        QCOMPARE(table->filter(), expression);
    }

    void refusedExpressionKeepsTheFilter_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("message");
        const QString unreadable = QStringLiteral("Изразът на филтъра „%1“ не може да бъде разчетен.");
        QTest::newRow("apostrophe in the text") << QStringLiteral("Фирма = 'О'Нийл'")
                                                << unreadable.arg(QStringLiteral("Фирма = 'О'Нийл'"));
        QTest::newRow("apostrophe at the end") << QStringLiteral("Фирма = 'Ив''")
                                               << unreadable.arg(QStringLiteral("Фирма = 'Ив''"));
        QTest::newRow("unknown column") << QStringLiteral("Име = 'Иван'")
                                        << QStringLiteral("Полето „Име“ не е намерено.");
        QTest::newRow("no operator") << QStringLiteral("Фирма 'Иван'") << unreadable.arg(QStringLiteral("Фирма 'Иван'"));
        QTest::newRow("unquoted text") << QStringLiteral("Фирма = Иван") << unreadable.arg(QStringLiteral("Фирма = Иван"));
        QTest::newRow("no column") << QStringLiteral(" = 'Иван'") << unreadable.arg(QStringLiteral(" = 'Иван'"));
    }
    void refusedExpressionKeepsTheFilter()
    {
        QFETCH(QString, expression);
        QFETCH(QString, message);
        auto table = clients({QStringLiteral("Мария"), QStringLiteral("Иван"), QStringLiteral("ивайло")});
        const QString kept = QStringLiteral("Фирма = 'ив*'");
        table->setFilter(kept);
        table->setFiltered(true);
        table->setRecNo(3);
        try {
            table->setFilter(expression);
            QFAIL("the expression was taken");
        } catch (const Failure &failure) {
            QCOMPARE(failure.text(), message);
        }
        QCOMPARE(table->filter(), kept);
        QVERIFY(table->isFiltered());
        QCOMPARE(column(*table, Firm), QStringList({QStringLiteral("Иван"), QStringLiteral("ивайло")}));
        QCOMPARE(table->recNo(), 3);
        // Switching the filter off and on again uses the kept expression.
        table->setFiltered(false);
        table->setFiltered(true);
        QCOMPARE(table->recordCount(), 2);
    }

    void storedExpressionIsReadAgainOnOpen()
    {
        makeTable(TableMaker::referenceTable(QStringLiteral("Details.db")));
        auto table = clients({QStringLiteral("Иван"), QStringLiteral("Мария")});
        table->setFilter(QStringLiteral("Фирма = 'мария'"));
        table->setFiltered(true);
        table->close();
        table->open();
        QCOMPARE(column(*table, Firm), QStringList{QStringLiteral("Мария")});
        table->close();
        table->setTableName(QStringLiteral("Details.db"));
        QVERIFY_THROWS_EXCEPTION(Failure, table->open());
        QVERIFY(!table->isActive());
        table->setFilter(QString());
        table->open();
        QVERIFY(table->isActive());
    }

    void filterKeepsTheCursorOnARecordItLetsThrough()
    {
        auto table = clients({QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")});
        table->setRecNo(3);
        table->setFilter(QStringLiteral("Фирма >= 'Б'"));
        table->setFiltered(true);
        QCOMPARE(table->recNo(), 3);
        table->setFilter(QStringLiteral("Фирма = 'Б'"));
        QCOMPARE(table->recNo(), 2);
        table->setFilter(QStringLiteral("Фирма = 'Я'"));
        QCOMPARE(table->recNo(), 0);
        QVERIFY(!table->hasCurrent());
        table->setFiltered(false);
        QCOMPARE(table->recNo(), 1);
    }

    // ------------------------------------------------------------ insert, delete

    void insertPutsTheRecordAtTheCursor()
    {
        auto table = clients({QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")});
        table->setRecNo(2);
        table->insert();
        QCOMPARE(table->state(), TableStore::State::Insert);
        QCOMPARE(table->rowCount(), 4);
        QCOMPARE(table->currentRow(), 1);
        QCOMPARE(table->rowText(2, 0), QStringLiteral("Б"));
        table->setText(Firm, QStringLiteral("Ново"));
        table->post();
        QCOMPARE(table->recNo(), 2);
        QCOMPARE(column(*table, Firm),
                 QStringList({QStringLiteral("А"), QStringLiteral("Ново"), QStringLiteral("Б"), QStringLiteral("В")}));
        table->last();
        table->insert();
        table->setText(Firm, QStringLiteral("Предпоследно"));
        table->post();
        table->close();
        table->open();
        QCOMPARE(column(*table, Firm),
                 QStringList({QStringLiteral("А"), QStringLiteral("Ново"), QStringLiteral("Б"),
                              QStringLiteral("Предпоследно"), QStringLiteral("В")}));
    }

    // A table the maker made (so also one moved in from Paradox) has room
    // between any two records: the first record inserted moves no other.
    void insertIntoAMadeTableMovesNoOtherRecord()
    {
        auto table = clients({QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В"), QStringLiteral("Г")});
        const QStringList keys = {QStringLiteral("SELECT rowid FROM customer ORDER BY rowid")};
        const QStringList before = sql(QStringLiteral("customer.db"), keys);
        table->setRecNo(3);
        table->insert();
        table->setText(Firm, QStringLiteral("Ново"));
        table->post();
        QStringList after = sql(QStringLiteral("customer.db"), keys);
        QCOMPARE(after.size(), before.size() + 1);
        QCOMPARE(after.takeAt(2), QString::number(table->currentKey().value_or(0)));
        QCOMPARE(after, before);
    }

    void insertIntoAnEmptyTableAndUnderAFilter()
    {
        auto table = clients({});
        table->insert();
        table->setText(Firm, QStringLiteral("Първа"));
        table->post();
        QCOMPARE(table->recordCount(), 1);
        table->insert();
        table->setText(Firm, QStringLiteral("Втора"));
        table->post();
        QCOMPARE(column(*table, Firm), QStringList({QStringLiteral("Втора"), QStringLiteral("Първа")}));
        // Under a filter the new record stays in sight until it is applied again.
        table->setFilter(QStringLiteral("Фирма = 'първа'"));
        table->setFiltered(true);
        table->insert();
        table->setText(Firm, QStringLiteral("Трета"));
        table->post();
        QCOMPARE(column(*table, Firm), QStringList({QStringLiteral("Трета"), QStringLiteral("Първа")}));
        QCOMPARE(table->recNo(), 2);
        table->refresh();
        QCOMPARE(column(*table, Firm), QStringList({QStringLiteral("Първа")}));
        table->setFiltered(false);
        QCOMPARE(column(*table, Firm),
                 QStringList({QStringLiteral("Втора"), QStringLiteral("Трета"), QStringLiteral("Първа")}));
    }

    void untouchedNewRecordIsDroppedWhenTheCursorMoves()
    {
        auto table = clients({QStringLiteral("А"), QStringLiteral("Б")});
        table->setRecNo(2);
        table->insert();
        QCOMPARE(table->rowCount(), 3);
        table->moveToRow(2);  // the row below the new one: "Б"
        QCOMPARE(table->state(), TableStore::State::Browse);
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->text(Firm), QStringLiteral("Б"));
        table->insert();
        table->postPending();
        QCOMPARE(table->recordCount(), 2);
        table->close();
        table->open();
        QCOMPARE(table->recordCount(), 2);
    }

    void changedRecordIsPostedWhenTheCursorMoves()
    {
        auto table = clients({QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")});
        table->setRowText(0, 0, QStringLiteral("Аа"));
        QCOMPARE(table->state(), TableStore::State::Edit);
        table->moveToRow(2);
        QCOMPARE(table->state(), TableStore::State::Browse);
        QCOMPARE(table->recNo(), 3);
        // A modified new record is posted and the target row moves down with it.
        table->setRecNo(2);
        table->insert();
        table->setText(Firm, QStringLiteral("Ново"));
        table->moveToRow(3);
        QCOMPARE(table->text(Firm), QStringLiteral("В"));
        table->close();
        table->open();
        QCOMPARE(column(*table, Firm),
                 QStringList({QStringLiteral("Аа"), QStringLiteral("Ново"), QStringLiteral("Б"), QStringLiteral("В")}));
    }

    void manyInsertsAtOnePlaceKeepTheirOrder()
    {
        // Every insert halves the same gap until the keys around it are spread out again.
        auto table = clients({QStringLiteral("край")});
        QStringList expected{QStringLiteral("край")};
        for (int i = 0; i < 120; ++i) {
            table->first();
            table->insert();
            table->setText(Firm, QString::number(i));
            table->post();
            expected.prepend(QString::number(i));
        }
        for (int i = 0; i < 60; ++i) {
            table->setRecNo(61);
            table->insert();
            table->setText(Firm, QStringLiteral("с%1").arg(i));
            table->post();
            expected.insert(60, QStringLiteral("с%1").arg(i));
        }
        QCOMPARE(column(*table, Firm), expected);
        table->close();
        table->open();
        QCOMPARE(column(*table, Firm), expected);
    }

    // Keys below zero, as a table made elsewhere may hold, do not stand in
    // the way of the keys' being spread out again.
    void insertAmongNegativeKeys()
    {
        auto table = clients({QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")});
        table->close();
        otherProgram(QStringLiteral("customer.db"),
                     {QStringLiteral("UPDATE customer SET rowid = (SELECT count(*) FROM customer AS c WHERE c.rowid < "
                                     "customer.rowid) - 4")});
        table->open();
        table->setRecNo(2);
        table->insert();
        table->setText(Firm, QStringLiteral("нов"));
        table->post();
        const QStringList expected{QStringLiteral("А"), QStringLiteral("нов"), QStringLiteral("Б"), QStringLiteral("В")};
        QCOMPARE(column(*table, Firm), expected);
        table->close();
        table->open();
        QCOMPARE(column(*table, Firm), expected);
    }

    void removeTakesTheNextRecord()
    {
        auto table = clients({QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В"), QStringLiteral("Г")});
        table->setRecNo(2);
        table->remove();
        QCOMPARE(table->text(Firm), QStringLiteral("В"));
        table->last();
        table->remove();
        QCOMPARE(table->text(Firm), QStringLiteral("В"));
        table->setFilter(QStringLiteral("Фирма = 'А'"));
        table->setFiltered(true);
        table->remove();
        QVERIFY(!table->hasCurrent());
        table->setFiltered(false);
        QCOMPARE(column(*table, Firm), QStringList{QStringLiteral("В")});
        table->close();
        table->open();
        QCOMPARE(column(*table, Firm), QStringList{QStringLiteral("В")});
    }

    // ------------------------------------------------------------ refresh

    void refreshShowsWhatAnotherProgramChanged()
    {
        auto table = clients({QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")});
        table->setRecNo(2);
        QCOMPARE(table->text(Firm), QStringLiteral("Б"));
        auto other = open(QStringLiteral("customer.db"));
        other->setRecNo(2);
        other->edit();
        other->setText(Firm, QStringLiteral("Бб"));
        other->post();
        other->first();
        other->remove();
        otherProgram(QStringLiteral("customer.db"),
                     {QStringLiteral("INSERT INTO customer (rowid, \"Фирма\") SELECT max(rowid) + 1, 'Д' FROM customer")});
        table->refresh();
        QCOMPARE(column(*table, Firm), QStringList({QStringLiteral("Бб"), QStringLiteral("В"), QStringLiteral("Д")}));
        QCOMPARE(table->text(Firm), QStringLiteral("Бб"));
        QVERIFY(table->locate(Firm, QStringLiteral("д")));
        QCOMPARE(table->recNo(), 3);
    }

    void refreshPostsAPendingChange()
    {
        auto table = clients({QStringLiteral("А")});
        table->edit();
        table->setText(Firm, QStringLiteral("Я"));
        table->refresh();
        QCOMPARE(table->state(), TableStore::State::Browse);
        auto other = open(QStringLiteral("customer.db"));
        QCOMPARE(other->text(Firm), QStringLiteral("Я"));
    }

    // A change whose record another program deleted: closing drops it and
    // says so; refreshing keeps what was typed in a new record at its place,
    // stored by the next post. Either way the table goes on working.
    void changeThatCannotBeStoredDoesNotBlockTheTable_data()
    {
        QTest::addColumn<bool>("closing");
        QTest::addColumn<QString>("message");
        QTest::addColumn<TableStore::State>("state");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("close") << true
                               << QStringLiteral("Записът не може да бъде съхранен: друга програма го е изтрила. "
                                                 "Промяната е отказана.")
                               << TableStore::State::Browse << QStringList{QStringLiteral("Б")};
        QTest::newRow("refresh") << false
                                 << QStringLiteral("Записът е изтрит от друга програма, докато го редактирахте, и "
                                                   "промените ви не са съхранени. Таблицата е прочетена отново; "
                                                   "въведеното от вас е оставено в нов запис на мястото на "
                                                   "изтрития: съхранете го, за да го запишете отново.")
                                 << TableStore::State::Insert
                                 << QStringList{QStringLiteral("Я"), QStringLiteral("Б")};
    }

    void changeThatCannotBeStoredDoesNotBlockTheTable()
    {
        QFETCH(bool, closing);
        QFETCH(QString, message);
        QFETCH(TableStore::State, state);
        QFETCH(QStringList, after);
        auto table = clients({QStringLiteral("А"), QStringLiteral("Б")});
        QSignalSpy closed(table.get(), &TableStore::afterClose);
        table->edit();
        table->setText(Firm, QStringLiteral("Я"));
        otherProgram(QStringLiteral("customer.db"),
                     {QStringLiteral("DELETE FROM customer WHERE \"Фирма\" = 'А'")});
        try {
            closing ? table->close() : table->refresh();
            QFAIL("the lost change was not reported");
        } catch (const Failure &failure) {
            QCOMPARE(failure.text(), message);
        }
        if (closing) {
            QCOMPARE(closed.count(), 1);
            QVERIFY(!table->isActive());
            table->open();
        }
        QCOMPARE(table->state(), state);
        table->refresh();  // nothing is left to fail
        QCOMPARE(column(*table, Firm), after);
    }

    void searchIndexFollowsPostsAndOtherPrograms()
    {
        auto table = clients({QStringLiteral("Алфа"), QStringLiteral("Бета")});
        QVERIFY(table->locate(Firm, QStringLiteral("б")));
        table->edit();
        table->setText(Firm, QStringLiteral("Гама"));
        table->post();
        QVERIFY(!table->locate(Firm, QStringLiteral("б")));
        QVERIFY(table->locate(Firm, QStringLiteral("г")));
        otherProgram(QStringLiteral("customer.db"),
                     {QStringLiteral("UPDATE customer SET \"Фирма\" = 'Делта' WHERE \"Фирма\" = 'Алфа'")});
        table->refresh();
        QVERIFY(!table->locate(Firm, QStringLiteral("а")));
        QVERIFY(table->locate(Firm, QStringLiteral("Д")));
        QCOMPARE(table->recNo(), 1);
    }

    // A column read ahead on another thread is the column a search reads at
    // the keystroke, whatever this store or another program did meanwhile.
    void columnReadAheadMeetsWhatCameMeanwhile_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("found");  // blank: none
        QTest::newRow("nothing") << QString() << QStringLiteral("б") << QStringLiteral("Бета");
        QTest::newRow("an edit") << QStringLiteral("edit") << QStringLiteral("д") << QStringLiteral("Делта");
        QTest::newRow("the edited text") << QStringLiteral("edit") << QStringLiteral("а") << QString();
        QTest::newRow("an insert") << QStringLiteral("insert") << QStringLiteral("е") << QStringLiteral("Ерик");
        QTest::newRow("a delete") << QStringLiteral("remove") << QStringLiteral("а") << QString();
        QTest::newRow("another program") << QStringLiteral("other") << QStringLiteral("ж") << QStringLiteral("Жета");
        QTest::newRow("closed and opened") << QStringLiteral("reopen") << QStringLiteral("г") << QStringLiteral("Гама");
        QTest::newRow("another column chosen") << QStringLiteral("address") << QStringLiteral("г") << QStringLiteral("Гама");
    }
    void columnReadAheadMeetsWhatCameMeanwhile()
    {
        QFETCH(QString, meanwhile);
        QFETCH(QString, typed);
        QFETCH(QString, found);
        auto table = clients({QStringLiteral("Алфа"), QStringLiteral("Бета"), QStringLiteral("Гама")});
        table->foldAhead(Firm);
        // What came meanwhile comes after the column was read.
        QTRY_VERIFY(!table->isFoldingAhead());
        if (meanwhile == QLatin1String("edit")) {
            table->edit();
            table->setText(Firm, QStringLiteral("Делта"));
            table->post();
        } else if (meanwhile == QLatin1String("insert")) {
            table->insert();
            table->setText(Firm, QStringLiteral("Ерик"));
            table->post();
        } else if (meanwhile == QLatin1String("remove")) {
            table->remove();
        } else if (meanwhile == QLatin1String("other")) {
            otherProgram(QStringLiteral("customer.db"),
                         {QStringLiteral("UPDATE customer SET \"Фирма\" = 'Жета' WHERE \"Фирма\" = 'Бета'")});
            table->refresh();
        } else if (meanwhile == QLatin1String("reopen")) {
            table->close();
            table->open();
        } else if (meanwhile == QLatin1String("address")) {
            table->foldAhead(QStringLiteral("Адрес"));
        }
        QCOMPARE(table->locate(Firm, typed), !found.isEmpty());
        if (!found.isEmpty())
            QCOMPARE(table->text(Firm), found);
    }

    // A large column is read ahead in two halves on two threads: together
    // they are the column read whole, and it takes new values as that would.
    void columnReadAheadInHalvesIsTheWholeColumn()
    {
        QStringList names;
        for (int i = 0; i < 25000; ++i)
            names << QStringLiteral("Фирма %1").arg(i * 7919 % 25000, 5, 10, QLatin1Char('0'));
        auto ahead = clients(names);
        ahead->foldAhead(Firm);
        auto whole = open(QStringLiteral("customer.db"));
        // The last record is "Фирма 17081".
        const QStringList typed{QStringLiteral("фирма 0"), QStringLiteral("ФИРМА 12"), QStringLiteral("фирма 17081"),
                                QStringLiteral("фирма 3"), QStringLiteral("фирма 25")};
        for (const QString &text : typed) {
            QCOMPARE(ahead->locate(Firm, text), whole->locate(Firm, text));
            QCOMPARE(ahead->recNo(), whole->recNo());
        }
        QVERIFY(ahead->locate(Firm, QStringLiteral("фирма 17081")));
        QCOMPARE(ahead->recNo(), names.size());
        for (TableStore *table : {ahead.get(), whole.get()}) {
            table->setFilter(QStringLiteral("Фирма >= 'фирма 2'"));
            table->setFiltered(true);
        }
        QCOMPARE(ahead->recordCount(), 5000);
        QCOMPARE(whole->recordCount(), 5000);
        ahead->setFiltered(false);
        ahead->insert();
        ahead->setText(Firm, QStringLiteral("Фирма 99999"));
        ahead->post();
        QVERIFY(ahead->locate(Firm, QStringLiteral("фирма 99")));
        QCOMPARE(ahead->text(Firm), QStringLiteral("Фирма 99999"));
    }

    // ------------------------------------------------------------ a killed writer

    void killedWriterLeavesEveryReturnedPost()
    {
        FILES_ONLY();
        QString helper = QCoreApplication::applicationDirPath() + QStringLiteral("/post_loop_helper");
#ifdef Q_OS_WIN
        helper += QStringLiteral(".exe");
#endif
        QVERIFY2(QFile::exists(helper), qPrintable(helper));
        makeTable(TableMaker::referenceTable(QStringLiteral("stock.db")), {goods("0", "0")});
        const QString file = QDir(data()).filePath(QStringLiteral("stock.db"));
        QSet<int> all;
        for (int round = 0; round < 3; ++round) {
            const int from = (round + 1) * 100000;
            const int killAfter = 40 + 37 * round;
            QProcess writer;
            writer.start(helper, {data(), QString::number(from), QStringLiteral("50000")});
            QVERIFY(writer.waitForStarted());
            QByteArray output;
            while (output.count('\n') < killAfter) {
                QVERIFY2(writer.waitForReadyRead(20000), writer.readAllStandardError().constData());
                output += writer.readAllStandardOutput();
            }
            writer.kill();  // SIGKILL: no chance to finish a write
            QVERIFY(writer.waitForFinished());
            output += writer.readAllStandardOutput();
            QList<int> returned;
            for (const QByteArray &line : output.split('\n')) {
                if (!line.isEmpty())
                    returned << line.toInt();
            }
            QVERIFY(returned.size() >= killAfter);

            // The file passes SQLite's own check ...
            QCOMPARE(sqlOnFile(file, {QStringLiteral("PRAGMA integrity_check")}), QStringList{QStringLiteral("ok")});
            // ... and holds whole records only, each number once with its own
            // stock and text, and every post that returned.
            auto table = open(QStringLiteral("stock.db"));
            QMap<int, int> seen;
            for (int row = 0; row < table->rowCount(); ++row) {
                const int number = table->rowText(row, 0).toInt();
                if (number == 0)
                    continue;
                QCOMPARE(table->rowText(row, 4), QString::number(number * 2));
                QCOMPARE(table->rowText(row, 1), QStringLiteral("Стока %1\nвтори ред на стока %1").arg(number));
                ++seen[number];
            }
            for (int number : std::as_const(returned))
                all.insert(number);
            for (int number : std::as_const(all))
                QVERIFY2(seen.value(number) == 1, qPrintable(QString::number(number)));
            // At most the post under way when the writer died is there besides.
            QVERIFY(seen.size() <= all.size() + round + 1);
            // The newest record stands first.
            QVERIFY(table->rowText(0, 0).toInt() >= returned.last());
        }
    }

    // ------------------------------------------------------------ the server

    // A table missing from the folder or the database is named, with the way
    // to make it.
    void missingTableIsNamed()
    {
        makeTable(TableMaker::referenceTable(QStringLiteral("customer.db")));
        TableStore table;
        table.setDatabaseName(data());
        table.setTableName(QStringLiteral("stock.db"));
        const QString expected = engine() == Engine::Sqlite
                                     ? QStringLiteral("Таблицата „%1“ не съществува.")
                                           .arg(QDir::toNativeSeparators(QDir(data()).filePath(QStringLiteral("stock.db"))))
                                     : QStringLiteral("Таблицата „stock“ на сървъра „%1“, база „%2“ не може да бъде "
                                                      "отворена: на сървъра няма таблица „stock“. Преместете папката "
                                                      "на сървъра с bilvaro-make-tables <папка> --to-server <адрес>.")
                                           .arg(qEnvironmentVariable("PGHOST"), serverDatabase());
        try {
            table.open();
            QFAIL("a missing table opened");
        } catch (const Failure &failure) {
            QCOMPARE(failure.text(), expected);
        }
        QVERIFY(!table.isActive());
    }

    // The server ends the store's connection while it is idle, while a post
    // waits for another program's lock, or after a post's update, before its
    // commit: the post fails saying so, nothing of it is stored, and the next
    // post connects again and stores it.
    void lostConnectionLosesNothing_data()
    {
        QTest::addColumn<QString>("when");
        QTest::newRow("between commands") << QString();
        QTest::newRow("waiting for the lock") << QStringLiteral("wait_event_type = 'Lock'");
        QTest::newRow("after the update") << QStringLiteral("wait_event = 'PgSleep'");
    }
    void lostConnectionLosesNothing()
    {
        QFETCH(QString, when);
        if (engine() == Engine::Sqlite)
            QSKIP("a server's connection");
        auto table = clients({QStringLiteral("А"), QStringLiteral("Б")});
        const QString cut = QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                                           "application_name = 'Bilvaro2007' AND datname = current_database()");
        // An update that stops for a while after it is made, and another program's lock.
        otherProgram(QStringLiteral("customer.db"),
                     {QStringLiteral("CREATE FUNCTION pause() RETURNS trigger LANGUAGE plpgsql AS "
                                     "$$ BEGIN PERFORM pg_sleep(20); RETURN NULL; END $$"),
                      QStringLiteral("CREATE TRIGGER pause AFTER UPDATE ON customer FOR EACH STATEMENT "
                                     "EXECUTE FUNCTION pause()")});
        QSqlDatabase locker = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("locker"));
        locker.setDatabaseName(serverDatabase());
        QVERIFY(locker.open());
        const bool locked = when.startsWith(QLatin1String("wait_event_type"));
        if (locked)
            QVERIFY(QSqlQuery(locker).exec(QStringLiteral("BEGIN; LOCK TABLE customer IN EXCLUSIVE MODE")));
        table->edit();
        table->setText(Firm, QStringLiteral("Я"));
        std::atomic<bool> done = false;
        // A thread of Qt's own: a thread Qt only adopts (std::thread) is
        // cleaned up by a watcher thread on Windows, which crashed under
        // Wine once the thread had used the SQL driver.
        std::unique_ptr<QThread> cutter;
        if (when.isEmpty()) {
            // Every session of the program, as a restart of the server does
            // (a connection kept for the next table among them).
            const QStringList ended = sql(QStringLiteral("customer.db"), {cut});
            QVERIFY(!ended.isEmpty());
            QVERIFY(!ended.contains(QStringLiteral("false")));
        } else {
            // From another connection, once the post stands where the row says.
            cutter.reset(QThread::create([&] {
                for (int i = 0; i < 500 && !done; ++i) {
                    if (sql(QStringLiteral("customer.db"), {cut + QStringLiteral(" AND ") + when}).contains(u"true"))
                        done = true;
                    else
                        QThread::msleep(20);
                }
            }));
            cutter->start();
        }
        try {
            table->post();
            QFAIL("a post on a lost connection was reported as stored");
        } catch (const Failure &failure) {
            QCOMPARE(failure.text(), QStringLiteral("Записът не може да бъде съхранен: връзката със сървъра прекъсна "
                                                    "и командата не е изпълнена. Програмата ще се свърже отново при "
                                                    "следващата команда."));
        }
        done = true;
        if (cutter)
            cutter->wait();
        if (locked)
            QSqlQuery(locker).exec(QStringLiteral("ROLLBACK"));
        locker.close();
        locker = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("locker"));
        otherProgram(QStringLiteral("customer.db"), {QStringLiteral("DROP TRIGGER pause ON customer")});
        QCOMPARE(sql(QStringLiteral("customer.db"), {QStringLiteral("SELECT string_agg(\"Фирма\", ',' ORDER BY rowid) "
                                                                   "FROM customer")}),
                 QStringList{QStringLiteral("А,Б")});
        QCOMPARE(table->text(Firm), QStringLiteral("Я"));
        table->post();
        QCOMPARE(sql(QStringLiteral("customer.db"), {QStringLiteral("SELECT string_agg(\"Фирма\", ',' ORDER BY rowid) "
                                                                   "FROM customer")}),
                 QStringList{QStringLiteral("Я,Б")});
        table->refresh();
        QCOMPARE(column(*table, Firm), QStringList({QStringLiteral("Я"), QStringLiteral("Б")}));
    }

    // ------------------------------------------------------------ parts

    void filterExpressionReading_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("column");
        QTest::addColumn<bool>("notLess");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("prefix");
        QTest::newRow("equal") << QStringLiteral("Пор. № = 'А1'") << QStringLiteral("Пор. №") << false
                               << QStringLiteral("а1") << false;
        QTest::newRow("not less") << QStringLiteral("ИН по ЗДДС BG >= 'bg1'") << QStringLiteral("ИН по ЗДДС BG") << true
                                  << QStringLiteral("bg1") << false;
        QTest::newRow("prefix") << QStringLiteral("Фирма = 'ЕТ „Иван*'") << Firm << false
                                << QStringLiteral("ет „иван") << true;
        QTest::newRow("brackets, no blanks") << QStringLiteral("[Адрес (втори ред)]='x'")
                                             << QStringLiteral("Адрес (втори ред)") << false << QStringLiteral("x") << false;
        QTest::newRow("empty text") << QStringLiteral("Фирма = ''") << Firm << false << QString() << false;
        QTest::newRow("text with equals") << QStringLiteral("Фирма = 'a = b'") << Firm << false
                                          << QStringLiteral("a = b") << false;
    }
    void filterExpressionReading()
    {
        FILES_ONLY();
        QFETCH(QString, expression);
        QFETCH(QString, column);
        QFETCH(bool, notLess);
        QFETCH(QString, text);
        QFETCH(bool, prefix);
        const FilterExpression parsed = FilterExpression::parse(expression);
        QCOMPARE(parsed.column(), column);
        QCOMPARE(parsed.op() == FilterExpression::Operator::NotLess, notLess);
        QCOMPARE(parsed.foldedText(), text);
        QCOMPARE(parsed.isPrefix(), prefix);
    }

    void caseFoldingMatchesQt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("Bulgarian") << QStringLiteral("ЕТ „ИВАН ПЕТРОВ – 91“ № 5 ЙЪЬЮЯ ѝ");
        QTest::newRow("Latin") << QStringLiteral("Omega SOFT Ltd.");
        QTest::newRow("other Cyrillic") << QStringLiteral("ЀЁЂЃЄЅІЇЈЉЊЋЌЍЎЏ ѢѣѪ");
        QTest::newRow("Greek and signs") << QStringLiteral("ΣΊΣΥΦΟΣ µ ß ÀÉ ½ €");
    }
    void caseFoldingMatchesQt()
    {
        FILES_ONLY();
        QFETCH(QString, text);
        QCOMPARE(foldCase(text), text.toCaseFolded());
        QCOMPARE(foldCaseUtf8(text.toUtf8()), text.toCaseFolded());
    }

    // Columns are folded straight from the bytes SQLite holds, whatever they are.
    void utf8FoldingMatchesQt_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("four-byte character") << QByteArray("\xD0\x90\xF0\x9F\x98\x80\xD0\xAF");
        QTest::newRow("byte that starts nothing") << QByteArray("\xD0\x90\xFF\xD0\xAF");
        QTest::newRow("lone continuation") << QByteArray("A\x80" "B");
        QTest::newRow("cut two-byte at the end") << QByteArray("\xD0\x90\xD0");
        QTest::newRow("cut three-byte") << QByteArray("\xE2\x80 \xD0\xAF");
        QTest::newRow("overlong two-byte") << QByteArray("\xC0\xAF\xD0\x90");
        QTest::newRow("overlong three-byte") << QByteArray("\xE0\x80\xAF\xD0\x90");
        QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80\xD0\x90");
        QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF\xD0\x90");
    }
    void utf8FoldingMatchesQt()
    {
        FILES_ONLY();
        QFETCH(QByteArray, bytes);
        QCOMPARE(foldCaseUtf8(bytes), QString::fromUtf8(bytes).toCaseFolded());
    }

    // The search's locate and filter give, as the table changes, what their
    // plain definition gives over the stored values: the first record shown
    // that begins with the text, then the records equal to it or not less
    // than it, letter case not counting. A filter set on its own agrees.
    void searchAgreesWithItsDefinition_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::newRow("short words") << QStringList{QStringLiteral("а"),  QStringLiteral("Аб"), QStringLiteral("абв"),
                                                    QStringLiteral("Б"),  QStringLiteral("ба"), QString(),
                                                    QStringLiteral("я"),  QStringLiteral("z")};
        QTest::newRow("same first four characters")
            << QStringList{QStringLiteral("Абвг"),   QStringLiteral("абвгд"),  QStringLiteral("АБВГДЕ"),
                           QStringLiteral("абвгдж"), QStringLiteral("абвгѐ"), QStringLiteral("абв"),
                           QStringLiteral("абвгд е"), QStringLiteral("абвгдЕ")};
        QTest::newRow("characters Qt folds")
            << QStringList{QStringLiteral("Straße"), QStringLiteral("STRASSE"), QStringLiteral("ΣΊΣΥΦΟΣ"),
                           QStringLiteral("σίσυ"), QStringLiteral("𝔸бв"), QStringLiteral("𝔸"),
                           QStringLiteral("Ѣѣ"), QStringLiteral("ѣ")};
    }
    void searchAgreesWithItsDefinition()
    {
        QFETCH(QStringList, words);
        QRandomGenerator random(20240607);
        const auto word = [&] { return words[random.bounded(int(words.size()))]; };
        QStringList names;
        for (int i = 0; i < 60; ++i)
            names << word();
        auto searched = clients(names);
        auto fresh = open(QStringLiteral("customer.db"));
        for (int step = 0; step < 200; ++step) {
            // Now and then a record changes, comes or goes.
            const int action = random.bounded(6);
            if (action == 0) {
                searched->setFiltered(false);
                searched->setRecNo(1 + random.bounded(searched->recordCount()));
                searched->insert();
                searched->setText(Firm, word() + QStringLiteral("x"));
                searched->post();
            } else if (action == 1 && searched->recordCount() > 0) {
                searched->remove();
            } else if (action == 2 && searched->hasCurrent()) {
                searched->edit();
                searched->setText(Firm, word());
                searched->post();
            }
            QString text = word();
            text.truncate(random.bounded(int(text.size()) + 1));
            const QString folded = text.toCaseFolded();
            const bool notLess = random.bounded(2) == 1;
            const QString expression = QStringLiteral("Фирма %1 '%2'").arg(notLess ? QStringLiteral(">=") : QStringLiteral("="), text);

            const QStringList shownBefore = column(*searched, Firm);
            const auto first = std::find_if(shownBefore.cbegin(), shownBefore.cend(), [&](const QString &value) {
                return folded.isEmpty() || value.toCaseFolded().startsWith(folded);
            });
            QCOMPARE(searched->locate(Firm, text), first != shownBefore.cend());
            if (first != shownBefore.cend())
                QCOMPARE(searched->text(Firm), *first);
            searched->setFilter(expression);
            searched->setFiltered(true);

            fresh->refresh();
            fresh->setFiltered(false);
            QStringList expected;
            for (const QString &value : column(*fresh, Firm)) {
                const int order = value.toCaseFolded().compare(folded);
                if (notLess ? order >= 0 : order == 0)
                    expected << value;
            }
            QCOMPARE(column(*searched, Firm), expected);
            fresh->setFilter(expression);
            fresh->setFiltered(true);
            QCOMPARE(column(*fresh, Firm), expected);
        }
    }

    // ------------------------------------------------------------ the grid's model

    // Qt's model tester checks every signal of the model against its rows and
    // columns while the table changes under it.
    void modelKeepsQtsRules_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("insert, type, post") << QStringList{"insert", "type", "post"};
        QTest::newRow("insert, leave blank") << QStringList{"insert", "first"};
        QTest::newRow("edit in place, delete") << QStringList{"type", "remove", "remove"};
        QTest::newRow("filter, insert, unfilter") << QStringList{"filter", "insert", "type", "unfilter"};
        QTest::newRow("column to front") << QStringList{"front", "type", "refresh"};
        QTest::newRow("other program adds") << QStringList{"other", "refresh", "last"};
        QTest::newRow("close, open") << QStringList{"type", "close", "open", "remove"};
    }
    void modelKeepsQtsRules()
    {
        QFETCH(QStringList, steps);
        auto table = clients({QStringLiteral("Алфа"), QStringLiteral("Бета"), QStringLiteral("Гама")});
        TableModel model(table.get());
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (const QString &step : steps) {
            if (step == u"insert")
                table->insert();
            else if (step == u"type")
                QVERIFY(model.setData(model.index(table->currentRow(), 0), QStringLiteral("Нова")));
            else if (step == u"post")
                table->post();
            else if (step == u"first")
                table->first();
            else if (step == u"last")
                table->last();
            else if (step == u"remove")
                table->remove();
            else if (step == u"filter")
                table->setFilter(QStringLiteral("Фирма >= 'Б'")), table->setFiltered(true);
            else if (step == u"unfilter")
                table->setFiltered(false);
            else if (step == u"front")
                table->moveFieldToFront(QStringLiteral("Адрес"));
            else if (step == u"refresh")
                table->refresh();
            else if (step == u"other")
                otherProgram(QStringLiteral("customer.db"),
                             {QStringLiteral("INSERT INTO customer (rowid, \"Фирма\") "
                                             "SELECT max(rowid) + 1, 'Делта' FROM customer")});
            else if (step == u"close")
                table->close();
            else if (step == u"open")
                table->open();
            QCOMPARE(model.rowCount(), table->rowCount());
            QCOMPARE(model.columnCount(), table->isActive() ? table->fieldCount() : 0);
        }
        for (int row = 0; row < model.rowCount(); ++row)
            QCOMPARE(model.index(row, 0).data().toString(), table->rowText(row, 0));
    }

    // An edit the table cannot store is announced, and the cell is not taken.
    void modelReportsARefusedEdit()
    {
        auto table = clients({QStringLiteral("Алфа"), QStringLiteral("Бета")});
        TableModel model(table.get());
        QSignalSpy failed(&model, &TableModel::editFailed);
        QVERIFY(model.setData(model.index(0, 0), QStringLiteral("Алфа 2")));
        QVERIFY(failed.isEmpty());
        otherProgram(QStringLiteral("customer.db"),
                     {QStringLiteral("DELETE FROM customer WHERE \"Фирма\" = 'Алфа'")});
        QVERIFY(!model.setData(model.index(1, 0), QStringLiteral("Бета 2")));
        QCOMPARE(failed.count(), 1);
        QVERIFY2(failed.first().first().toString().contains(QStringLiteral("изтрит от друга програма")),
                 qPrintable(failed.first().first().toString()));
    }
};

QTEST_GUILESS_MAIN(tst_TableStore)
#include "tst_tablestore.moc"
