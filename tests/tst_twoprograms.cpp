// Two programs on one table, a file or a table on a server: every write
// checks what its program read, keys are never given twice, a table locked by
// the other program is waited for. Where the order must be exact, the other
// program is a second connection in this test; elsewhere it is a real second
// process, as another machine would be. Every case runs on both engines.

#include "common/Failure.h"
#include "reference/TableStore.h"
#include "support/TableEngines.h"
#include "tools/TableMaker.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

const QString Firm = QStringLiteral("Фирма");
const QString Address = QStringLiteral("Адрес");
const QString ChangedWhileEditing = QStringLiteral(
    "Записът е променен от друга програма, докато го редактирахте, и промените ви не са съхранени. "
    "Таблицата е прочетена отново; въведеното от вас е оставено в записа: съхранете го отново, "
    "за да замени промяната на другата програма.");
const QString DeletedWhileEditing = QStringLiteral(
    "Записът е изтрит от друга програма, докато го редактирахте, и промените ви не са съхранени. "
    "Таблицата е прочетена отново; въведеното от вас е оставено в нов запис на мястото на изтрития: "
    "съхранете го, за да го запишете отново.");
const QString ChangedBeforeDelete = QStringLiteral(
    "Записът не е изтрит: друга програма го е променила, след като е показан. "
    "Таблицата е прочетена отново; прегледайте записа и го изтрийте отново, ако още е нужно.");
const QString Busy = QStringLiteral("Записът не може да бъде съхранен: таблицата е заета от друга програма "
                                    "и не се освободи за 5 секунди. Опитайте отново след малко.");

QString helperPath(const char *name)
{
    return QCoreApplication::applicationDirPath() + u'/' + QLatin1String(name);
}

} // namespace

class tst_TwoPrograms : public QObject, private EngineFolder {
    Q_OBJECT

    // A table opened and shown, every row read as the browser's grid reads it.
    std::unique_ptr<TableStore> open(const QString &file)
    {
        auto table = std::make_unique<TableStore>();
        table->setDatabaseName(data());
        table->setTableName(file);
        table->open();
        for (int row = 0; row < table->rowCount(); ++row)
            table->rowText(row, 0);
        return table;
    }

    void makeClients(const QStringList &names)
    {
        QList<QVariantMap> records;
        for (const QString &name : names)
            records << QVariantMap{{Firm, name}};
        makeTable(TableMaker::referenceTable(QStringLiteral("customer.db")), records);
    }

    // The clients as stored, in order, as name or name/address.
    QStringList storedClients() const
    {
        return sql(QStringLiteral("customer.db"), {QStringLiteral("SELECT \"Фирма\" || ifnull('/' || \"Адрес\", '') "
                                                  "FROM customer ORDER BY rowid")});
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

    // This program edits "Б" into "Я" while the other program writes; then
    // it posts, and, when refused, posts again.
    void editMeetsAnotherProgramsWrite_data()
    {
        QTest::addColumn<QString>("other");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QStringList>("afterFirst");
        QTest::addColumn<QStringList>("afterSecond");
        const QStringList aYav{QStringLiteral("А"), QStringLiteral("Я"), QStringLiteral("В")};
        QTest::newRow("changes the record") << "change" << ChangedWhileEditing
                                            << QStringList{"А", "Бб", "В"} << aYav;
        QTest::newRow("changes another column of it")
            << "address" << ChangedWhileEditing << QStringList{"А", "Б/ул. Рила 1", "В"}
            << QStringList{"А", "Я/ул. Рила 1", "В"};
        QTest::newRow("changes another record") << "other record" << QString() << QStringList{"А", "Я", "Вв"}
                                                << QStringList{"А", "Я", "Вв"};
        QTest::newRow("deletes it") << "delete" << DeletedWhileEditing << QStringList{"А", "В"} << aYav;
        QTest::newRow("deletes it, inserts another at its place")
            << "delete and insert" << DeletedWhileEditing << QStringList{"А", "Нов", "В"}
            << QStringList{"А", "Нов", "Я", "В"};
        QTest::newRow("deletes it, puts another under its key")
            << "reuse key" << ChangedWhileEditing << QStringList{"А", "Нов", "В"} << aYav;
        QTest::newRow("moves every key") << "move keys" << QString() << aYav << aYav;
    }
    void editMeetsAnotherProgramsWrite()
    {
        QFETCH(QString, other);
        QFETCH(QString, refusal);
        QFETCH(QStringList, afterFirst);
        QFETCH(QStringList, afterSecond);
        makeClients({QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")});
        auto table = open(QStringLiteral("customer.db"));
        table->setRecNo(2);
        table->edit();
        table->setText(Firm, QStringLiteral("Я"));

        const QString where = QStringLiteral(" WHERE \"Фирма\" = 'Б'");
        if (other == QLatin1String("change"))
            sql(QStringLiteral("customer.db"), {QStringLiteral("UPDATE customer SET \"Фирма\" = 'Бб'") + where});
        if (other == QLatin1String("address"))
            sql(QStringLiteral("customer.db"), {QStringLiteral("UPDATE customer SET \"Адрес\" = 'ул. Рила 1'") + where});
        if (other == QLatin1String("other record"))
            sql(QStringLiteral("customer.db"), {QStringLiteral("UPDATE customer SET \"Фирма\" = 'Вв' WHERE \"Фирма\" = 'В'")});
        if (other == QLatin1String("delete"))
            sql(QStringLiteral("customer.db"), {QStringLiteral("DELETE FROM customer") + where});
        if (other == QLatin1String("reuse key"))
            sql(QStringLiteral("customer.db"), {QStringLiteral("CREATE TEMP TABLE k AS SELECT rowid AS r FROM customer") + where,
                                QStringLiteral("DELETE FROM customer") + where,
                                QStringLiteral("INSERT INTO customer (rowid, \"Фирма\") SELECT r, 'Нов' FROM k")});
        if (other == QLatin1String("move keys"))
            sql(QStringLiteral("customer.db"), {QStringLiteral("UPDATE customer SET rowid = rowid + 1000")});
        if (other == QLatin1String("delete and insert")) {
            // The other program is this program too.
            auto second = open(QStringLiteral("customer.db"));
            second->setRecNo(2);
            second->remove();
            second->insert();
            second->setText(Firm, QStringLiteral("Нов"));
            second->post();
        }

        if (refusal.isEmpty()) {
            table->post();
        } else {
            try {
                table->post();
                QFAIL("the write was not refused");
            } catch (const Failure &failure) {
                QCOMPARE(failure.text(), refusal);
            }
            // Nothing typed is lost.
            QCOMPARE(table->text(Firm), QStringLiteral("Я"));
            QCOMPARE(table->state(), refusal == DeletedWhileEditing ? TableStore::State::Insert
                                                                   : TableStore::State::Edit);
        }
        QCOMPARE(storedClients(), afterFirst);
        table->post();
        QCOMPARE(table->state(), TableStore::State::Browse);
        QCOMPARE(table->text(Firm), QStringLiteral("Я"));
        QCOMPARE(storedClients(), afterSecond);
    }

    void deleteMeetsAnotherProgramsWrite_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("the record changed") << "UPDATE customer SET \"Фирма\" = 'Бб' WHERE \"Фирма\" = 'Б'" << true
                                            << QStringList{"А", "Бб", "В"};
        QTest::newRow("another record changed") << "UPDATE customer SET \"Фирма\" = 'Вв' WHERE \"Фирма\" = 'В'"
                                                << false << QStringList{"А", "Вв"};
        QTest::newRow("the record deleted") << "DELETE FROM customer WHERE \"Фирма\" = 'Б'" << false
                                            << QStringList{"А", "В"};
        QTest::newRow("the record moved") << "UPDATE customer SET rowid = rowid + 7 WHERE \"Фирма\" = 'Б'" << false
                                          << QStringList{"А", "В"};
    }
    void deleteMeetsAnotherProgramsWrite()
    {
        QFETCH(QString, statement);
        QFETCH(bool, refused);
        QFETCH(QStringList, after);
        makeClients({QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")});
        auto table = open(QStringLiteral("customer.db"));
        table->setRecNo(2);
        QCOMPARE(table->text(Firm), QStringLiteral("Б"));
        sql(QStringLiteral("customer.db"), {statement});
        if (refused) {
            try {
                table->remove();
                QFAIL("the delete was not refused");
            } catch (const Failure &failure) {
                QCOMPARE(failure.text(), ChangedBeforeDelete);
            }
            QCOMPARE(table->text(Firm), QStringLiteral("Бб"));  // shown as it is now
        } else {
            table->remove();
        }
        QCOMPARE(storedClients(), after);
        table->refresh();
        QCOMPARE(table->recordCount(), after.size());
    }

    // A deleted record's key is never given to a new record, wherever it goes.
    void keysAreNeverGivenTwice_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("record");  // deleted, then a record is inserted at its place
        QTest::newRow("the only record") << QStringList{"А"} << 1;
        QTest::newRow("the first") << QStringList{"А", "Б", "В"} << 1;
        QTest::newRow("between two") << QStringList{"А", "Б", "В"} << 2;
    }
    void keysAreNeverGivenTwice()
    {
        QFETCH(QStringList, names);
        QFETCH(int, record);
        makeClients(names);
        QSet<QString> given;
        auto table = open(QStringLiteral("customer.db"));
        for (int round = 0; round < 5; ++round) {
            for (const QString &key : sql(QStringLiteral("customer.db"), {QStringLiteral("SELECT rowid FROM customer")}))
                given.insert(key);
            table->setRecNo(record);
            table->remove();
            table->setRecNo(record);
            table->insert();
            const QString name = QStringLiteral("Нов %1").arg(round);
            table->setText(Firm, name);
            table->post();
            QCOMPARE(table->recNo(), record);
            const QStringList key =
                sql(QStringLiteral("customer.db"), {QStringLiteral("SELECT rowid FROM customer WHERE \"Фирма\" = '%1'").arg(name)});
            QCOMPARE(key.size(), 1);
            QVERIFY2(!given.contains(key.first()), qPrintable(key.first()));
        }
    }

    // Both programs stand on the same records and insert: both records are
    // stored, each before the record it was inserted before.
    void insertsOfTwoProgramsAreBothStored_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("one place") << 2 << 2 << QStringList{"А", "1", "2", "Б", "В"};
        QTest::newRow("at the top") << 1 << 1 << QStringList{"1", "2", "А", "Б", "В"};
        QTest::newRow("the second above the first") << 3 << 2 << QStringList{"А", "2", "Б", "1", "В"};
    }
    void insertsOfTwoProgramsAreBothStored()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(QStringList, after);
        makeClients({QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")});
        auto one = open(QStringLiteral("customer.db"));
        auto two = open(QStringLiteral("customer.db"));
        one->setRecNo(first);
        two->setRecNo(second);
        one->insert();
        two->insert();
        one->setText(Firm, QStringLiteral("1"));
        two->setText(Firm, QStringLiteral("2"));
        one->post();
        two->post();
        QCOMPARE(storedClients(), after);
        QCOMPARE(two->text(Firm), QStringLiteral("2"));
        one->refresh();
        QCOMPARE(one->text(Firm), QStringLiteral("1"));
        QCOMPARE(one->recordCount(), after.size());
    }

    // An edit of a record that the other program's insert moved to a new key
    // goes to that record (in a table made by an earlier build, its records
    // 2^24 apart, where an insert spreads the records out).
    void editFollowsARecordMovedByAnotherProgramsInsert()
    {
        makeClients({QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")});
        QCOMPARE(sql(QStringLiteral("customer.db"),
                     {QStringLiteral("UPDATE customer SET rowid = rowid / %1 * %2").arg(Schema::MakerKeyStep).arg(1 << 24)}),
                 QStringList());
        auto one = open(QStringLiteral("customer.db"));
        auto two = open(QStringLiteral("customer.db"));
        const QStringList keysBefore = sql(QStringLiteral("customer.db"), {QStringLiteral("SELECT rowid FROM customer")});
        two->setRecNo(2);
        two->insert();
        two->setText(Firm, QStringLiteral("Нов"));
        two->post();
        QVERIFY(sql(QStringLiteral("customer.db"), {QStringLiteral("SELECT rowid FROM customer")}) != keysBefore);
        one->setRecNo(3);
        one->edit();
        one->setText(Firm, QStringLiteral("Вв"));
        one->post();
        QCOMPARE(storedClients(), QStringList({"А", "Нов", "Б", "Вв"}));
        QCOMPARE(one->recNo(), 4);
    }

    // Two processes take one unit at a time from one stock at once: every
    // unit is taken once, and what there is not is refused.
    void twoProgramsTakeFromOneStock_data()
    {
        QTest::addColumn<int>("stock");
        QTest::addColumn<int>("each");
        QTest::newRow("enough for both") << 80 << 40;
        QTest::newRow("not enough for both") << 60 << 40;
    }
    void twoProgramsTakeFromOneStock()
    {
        QFETCH(int, stock);
        QFETCH(int, each);
        makeTable(TableMaker::referenceTable(QStringLiteral("stock.db")),
                              {{{QStringLiteral("Пор. №"), QStringLiteral("001")},
                                {QStringLiteral("К-во"), QString::number(stock)}}});
        QProcess programs[2];
        for (QProcess &program : programs)
            program.start(helperPath("other_program_helper"), {QStringLiteral("take"), data(), QString::number(each)});
        int taken = 0;
        int refused = 0;
        for (QProcess &program : programs) {
            QVERIFY(program.waitForFinished(60000));
            QVERIFY2(program.exitCode() == 0, program.readAllStandardError().constData());
            const QList<QByteArray> counts = program.readAllStandardOutput().trimmed().split(' ');
            QCOMPARE(counts.size(), 2);
            taken += counts[0].toInt();
            refused += counts[1].toInt();
        }
        QCOMPARE(taken, std::min(stock, 2 * each));
        QCOMPARE(refused, 2 * each - taken);
        QCOMPARE(sql(QStringLiteral("stock.db"), {QStringLiteral("SELECT \"К-во\" FROM stock")}),
                 QStringList{QString::number(stock - taken)});
    }

    // Two processes insert at the top of one table at once: every record of
    // both is stored once, none refused.
    void twoProgramsInsertAtOnePlace()
    {
        makeTable(TableMaker::referenceTable(QStringLiteral("stock.db")),
                              {{{QStringLiteral("Пор. №"), QStringLiteral("0")}}});
        const int each = 80;
        QProcess programs[2];
        for (int i = 0; i < 2; ++i)
            programs[i].start(helperPath("post_loop_helper"),
                              {data(), QString::number((i + 1) * 1000), QString::number(each)});
        for (QProcess &program : programs) {
            QVERIFY(program.waitForFinished(60000));
            QVERIFY2(program.exitCode() == 0, program.readAllStandardError().constData());
        }
        QCOMPARE(sql(QStringLiteral("stock.db"), {QStringLiteral("SELECT count(DISTINCT \"Пор. №\") || '/' || count(*) FROM stock")}),
                 QStringList{QStringLiteral("%1/%1").arg(2 * each + 1)});
        // Each program's records stand in the order it inserted them: newest first.
        const QStringList numbers = sql(QStringLiteral("stock.db"), {QStringLiteral("SELECT \"Пор. №\" FROM stock ORDER BY rowid")});
        QCOMPARE(numbers.last(), QStringLiteral("0"));
        for (int i = 0; i < 2; ++i) {
            QList<int> own;
            for (const QString &number : numbers) {
                if (number.toInt() / 1000 == i + 1)
                    own << number.toInt();
            }
            QCOMPARE(own.size(), each);
            QVERIFY(std::is_sorted(own.crbegin(), own.crend()));
        }
    }

    // The other process holds the table's write lock: a write waits for it,
    // and when it is not let go, says so in words.
    void lockedTableIsWaitedForThenReported_data()
    {
        QTest::addColumn<int>("holdMilliseconds");  // 0: until the test ends it
        QTest::newRow("let go after a moment") << 1500;
        QTest::newRow("held") << 0;
    }
    void lockedTableIsWaitedForThenReported()
    {
        QFETCH(int, holdMilliseconds);
        makeClients({QStringLiteral("А")});
        auto table = open(QStringLiteral("customer.db"));
        QProcess other;
        other.start(helperPath("other_program_helper"),
                    {QStringLiteral("lock"), QDir(data()).filePath(QStringLiteral("customer.db")),
                     QString::number(holdMilliseconds)});
        QVERIFY(other.waitForReadyRead(20000));
        QCOMPARE(other.readAllStandardOutput().trimmed(), QByteArray("locked"));
        table->edit();
        table->setText(Firm, QStringLiteral("Я"));
        if (holdMilliseconds > 0) {
            table->post();
            QCOMPARE(storedClients(), QStringList{QStringLiteral("Я")});
        } else {
            try {
                table->post();
                QFAIL("a write to a locked table was reported as stored");
            } catch (const Failure &failure) {
                QCOMPARE(failure.text(), Busy);
            }
            QCOMPARE(table->text(Firm), QStringLiteral("Я"));  // still there to post again
            other.kill();
            QVERIFY(other.waitForFinished());
            table->post();
            QCOMPARE(storedClients(), QStringList{QStringLiteral("Я")});
        }
        other.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(tst_TwoPrograms)
#include "tst_twoprograms.moc"
