#include "app/Menu.h"
#include "app/Windows.h"
#include "backup/Backup.h"
#include "common/Failure.h"
#include "lines/Unit1.h"
#include "platform/Handlers.h"
#include "platform/SizedIcon.h"
#include "support/WindowTest.h"

#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QtTest>

class tst_Menu : public WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void buttons_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("own companies") << "SpeedButton5" << "Собствени фирми" << QRect(0, 0, 180, 120);
        QTest::newRow("banks") << "SpeedButton6" << "Банкови сметки" << QRect(0, 120, 180, 120);
        QTest::newRow("goods") << "SpeedButton3" << "Стоки и Услуги" << QRect(0, 240, 180, 120);
        QTest::newRow("clients") << "SpeedButton7" << "Клиенти" << QRect(0, 360, 180, 120);
        QTest::newRow("table") << "SpeedButton2" << "Таблица" << QRect(180, 0, 180, 120);
        QTest::newRow("to invoice") << "SpeedButton4" << "Към фактурата" << QRect(180, 120, 180, 120);
        QTest::newRow("print and save") << "SpeedButton1" << "Отпечатай и съхрани" << QRect(180, 240, 180, 120);
        QTest::newRow("new invoice") << "SpeedButton10" << "Нова фактура" << QRect(180, 360, 180, 121);
        QTest::newRow("update") << "SpeedButton9" << "Обновяване" << QRect(180, 480, 180, 120);
        QTest::newRow("issued documents") << "SpeedButton11" << "Издадени документи" << QRect(0, 480, 180, 120);
        QTest::newRow("backup") << "SpeedButton12" << "Резервно копие" << QRect(0, 600, 180, 120);
    }

    void buttons()
    {
        QFETCH(QString, name);
        app().start(prompter());
        const QHash<QString, QToolButton *> buttons = {
            {"SpeedButton5", Main->SpeedButton5}, {"SpeedButton6", Main->SpeedButton6},
            {"SpeedButton3", Main->SpeedButton3}, {"SpeedButton7", Main->SpeedButton7},
            {"SpeedButton2", Main->SpeedButton2}, {"SpeedButton4", Main->SpeedButton4},
            {"SpeedButton1", Main->SpeedButton1}, {"SpeedButton10", Main->SpeedButton10},
            {"SpeedButton9", Main->SpeedButton9}, {"SpeedButton11", Main->SpeedButton11},
            {"SpeedButton12", Main->SpeedButton12}};
        QToolButton *button = buttons.value(name);
        QTEST(button->text(), "caption");
        QTEST(button->geometry(), "geometry");
        QVERIFY(button->isEnabled());
        QVERIFY(!button->icon().isNull());
        QCOMPARE(button->font().family(), QStringLiteral("Arial"));
        QVERIFY(button->font().bold());
        QCOMPARE(button->font().pixelSize(), 13);
    }

    void window()
    {
        app().start(prompter());
        QCOMPARE(Main->windowTitle(), QStringLiteral("Bilvaro 2007 - Меню"));
        QCOMPARE(Main->size(), QSize(360, 720));
        QCOMPARE(Main->minimumSize(), Main->maximumSize());
        QCOMPARE(Main->pos(), QPoint(0, 0));
        QVERIFY(!(Main->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(Main->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(Main->palette().color(QPalette::Window), QColor(223, 223, 223));
        // Every other window is created hidden.
        QVERIFY(!Form1->isVisible());
        Main->SpeedButton2->click();
        QVERIFY(Form1->isVisible());
    }

    void backupButtonWritesTheChosenFile()
    {
        app().start(prompter());
        const QString file = app().path(QStringLiteral("copy.tar"));
        prompter().expectSaveFile(QStringLiteral("Резервно копие"), file);
        prompter().expectInformation(QStringLiteral("Резервното копие „%1“ е записано: 0 таблици, 0 страници на "
                                                    "архива. Пазете копие и на друг диск или компютър.")
                                         .arg(QDir::toNativeSeparators(file)));
        Main->SpeedButton12->click();
        QVERIFY(QFile::exists(file));
        // The reminder keeps quiet for a week after it.
        QVERIFY(!Backup::reminderDue(Backup::remembered(app().path(QStringLiteral("DB"))), QDate::currentDate()));
    }

    void leftoversOfAnUpdateAreDeleted()
    {
        for (const char *name : {"Bilvaro2007old.exe", "BILVARO2007.BAK", "keep.txt"}) {
            QFile file(app().path(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        app().start(prompter());
        QVERIFY(!QFile::exists(app().path("Bilvaro2007old.exe")));
        QVERIFY(!QFile::exists(app().path("BILVARO2007.BAK")));
        QVERIFY(QFile::exists(app().path("keep.txt")));
    }

    void failureOfAClickIsShownAndTheProgramGoesOn()
    {
        QPushButton button;
        onClick(&button, [&] {
            throw Failure(QStringLiteral("Таблицата „stock.db“ липсва"));
        });
        // Each click shows the failure in the error box and returns to the loop.
        prompter().expectError(QStringLiteral("Таблицата „stock.db“ липсва"));
        prompter().expectError(QStringLiteral("Таблицата „stock.db“ липсва"));
        button.click();
        button.click();
    }

    // Whatever a handler throws shows a text, and what is not a failure of
    // the program's own is also written to the log.
    void everyFailureShowsAText_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("logged");
        QTest::newRow("the program's own") << 0 << QStringLiteral("Полето „МОЛ“ не е намерено.") << false;
        QTest::newRow("a library's") << 1 << QStringLiteral("disk full") << true;
        QTest::newRow("a library's without text") << 2 << unknownFailureText() << true;
        QTest::newRow("not an exception class") << 3 << unknownFailureText() << true;
    }
    void everyFailureShowsAText()
    {
        QFETCH(int, kind);
        QFETCH(QString, shown);
        QFETCH(bool, logged);
        QPushButton button;
        onClick(&button, [kind] {
            switch (kind) {
            case 0:
                throw Failure(QStringLiteral("Полето „МОЛ“ не е намерено."));
            case 1:
                throw std::runtime_error("disk full");
            case 2:
                throw std::runtime_error("");
            default:
                throw 42;
            }
        });
        if (logged)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("handler failed")));
        prompter().expectError(shown);
        button.click();
        QVERIFY(!shown.isEmpty());
    }

    void failureOfAPressedHandlerStopsItsCaller()
    {
        QPushButton inner;
        QPushButton outer;
        bool outerFinished = false;
        const auto innerHandler = [] { throw Failure(QStringLiteral("вътрешна грешка")); };
        onClick(&inner, innerHandler);
        onClick(&outer, [&] {
            innerHandler();  // code pressing the inner button runs its handler directly
            outerFinished = true;
        });
        prompter().expectError(QStringLiteral("вътрешна грешка"));
        outer.click();
        QVERIFY(!outerFinished);
    }

    void standardButtonsReadInBulgarian()
    {
        setUpApplication(*qApp);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отказ"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("BILVARO 2007"));
    }

    void everyWindowCarriesTheProgramIcon()
    {
        setUpApplication(*qApp);
        const QIcon icon = QApplication::windowIcon();
        QVERIFY(!icon.isNull());
        const QList<QSize> sizes = icon.availableSizes();
        for (const int side : {16, 24, 32, 48, 64})
            QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
        // Drawn, not blank: the page is opaque, the corner around it clear.
        const QImage small = icon.pixmap(QSize(32, 32)).toImage();
        QCOMPARE(small.pixelColor(8, 16).alpha(), 255);
        QCOMPARE(small.pixelColor(0, 0).alpha(), 0);
        QWidget window;
        QCOMPARE(window.windowIcon().cacheKey(), icon.cacheKey());
    }

    // Each size is read when asked for, not when the icon is made: the files
    // are written only after it.
    void iconSizeReadWhenAsked_data()
    {
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("side");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("a side it has") << 32 << 32 << QColor(Qt::green);
        QTest::newRow("smallest") << 16 << 16 << QColor(Qt::red);
        QTest::newRow("between: the larger, scaled down") << 20 << 20 << QColor(Qt::green);
        QTest::newRow("above all: the largest, not blown up") << 100 << 64 << QColor(Qt::blue);
        QTest::newRow("below all: the smallest, scaled down") << 8 << 8 << QColor(Qt::red);
    }

    void iconSizeReadWhenAsked()
    {
        QFETCH(int, asked);
        QFETCH(int, side);
        QFETCH(QColor, colour);
        QTemporaryDir folder;
        const QIcon icon = sizedIcon(folder.filePath(QStringLiteral("icon-%1.png")), {64, 16, 32});
        const QList<std::pair<int, QColor>> files = {{16, Qt::red}, {32, Qt::green}, {64, Qt::blue}};
        for (const auto &[fileSide, fileColour] : files) {
            QImage image(fileSide, fileSide, QImage::Format_ARGB32);
            image.fill(fileColour);
            QVERIFY(image.save(folder.filePath(QStringLiteral("icon-%1.png").arg(fileSide))));
        }
        QCOMPARE(icon.availableSizes(), QList<QSize>({QSize(16, 16), QSize(32, 32), QSize(64, 64)}));
        const QImage drawn = icon.pixmap(QSize(asked, asked)).toImage();
        QCOMPARE(drawn.size(), QSize(side, side));
        QCOMPARE(drawn.pixelColor(side / 2, side / 2), colour);
    }
};

QTEST_MAIN(tst_Menu)
#include "tst_menu.moc"
