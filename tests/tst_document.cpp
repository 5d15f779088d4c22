#include "app/Menu.h"
#include "document/Document.h"
#include "lines/Unit1.h"
#include "print/Pr.h"
#include "support/AppFixture.h"
#include "support/ScriptedPrompter.h"

#include <QtTest>

namespace {

const QString Dots40 = QString(40, u'.');

// The label of Doc that a test row names.
QLabel *docLabel(const QString &name)
{
    // Controls are members, not named objects: map the names the tests use.
    const QHash<QString, QLabel *> members = {
        {"Label15", Doc->Label15}, {"Label22", Doc->Label22}, {"Label33", Doc->Label33},
        {"Label29", Doc->Label29}, {"Label30", Doc->Label30}, {"Label34", Doc->Label34},
        {"Label65", Doc->Label65}, {"Label16", Doc->Label16}, {"Label18", Doc->Label18},
        {"Label19", Doc->Label19}, {"Label55", Doc->Label55}, {"Label57", Doc->Label57},
        {"Label40", Doc->Label40}, {"Label37", Doc->Label37}, {"Label38", Doc->Label38},
        {"Label39", Doc->Label39}, {"Label53", Doc->Label53}, {"Label35", Doc->Label35},
        {"Label52", Doc->Label52}, {"Label14", Doc->Label14}, {"Label46", Doc->Label46},
        {"Label36", Doc->Label36}, {"Label17", Doc->Label17}, {"Label24", Doc->Label24},
    };
    return members.value(name);
}

QStringList tops(const QList<QWidget *> &controls)
{
    QStringList result;
    for (QWidget *control : controls)
        result.append(QString::number(control->y()));
    return result;
}

// Visible controls of one container whose boxes intersect.
QStringList overlaps(QWidget *container)
{
    QList<QWidget *> controls;
    for (QWidget *child : container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!child->isHidden())
            controls.append(child);
    }
    QStringList result;
    for (qsizetype i = 0; i < controls.size(); ++i) {
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            if (controls[i]->geometry().intersects(controls[j]->geometry())) {
                auto describe = [](QWidget *w) {
                    auto *label = qobject_cast<QLabel *>(w);
                    QString text = label ? label->text().left(20) : QString(w->metaObject()->className());
                    QRect g = w->geometry();
                    return QStringLiteral("%1 at %2,%3 %4x%5")
                        .arg(text).arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height());
                };
                result.append(describe(controls[i]) + " / " + describe(controls[j]));
            }
        }
    }
    return result;
}

QStringList pageOverlaps()
{
    QStringList result;
    for (QWidget *container : {static_cast<QWidget *>(Doc->Client), static_cast<QWidget *>(Doc->Panel1),
                               static_cast<QWidget *>(Doc->Panel3), static_cast<QWidget *>(Doc->Panel4),
                               static_cast<QWidget *>(Doc->Panel2), static_cast<QWidget *>(Doc->Memo4),
                               static_cast<QWidget *>(Doc->Panel6), static_cast<QWidget *>(Doc->Panel5)})
        result += overlaps(container);
    return result;
}

} // namespace

class tst_Document : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsTheDesignTextsBeforeAnyAssembly()
    {
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        QCOMPARE(Doc->windowTitle(), QStringLiteral("Фактура"));
        QCOMPARE(Doc->Label1->text(), QStringLiteral("ФАКТУРА"));
        QCOMPARE(Doc->Label8->text(), QStringLiteral("Оригинал"));
        QCOMPARE(Doc->Label15->text(), QStringLiteral("№ 0000000001 / Дата: дд.мм.гггг"));
        QCOMPARE(Doc->Label33->text(), Dots40);
        QCOMPARE(Doc->Label18->text(), QString(76, u'.'));
        QCOMPARE(Doc->Label16->text(), QString(24, u'.'));
        QCOMPARE(Doc->Label22->text(), QStringLiteral("от дата: , към фактура №:"));
        QCOMPARE(Doc->Label2->text(), QStringLiteral("Данъчна ставка %\nразмер на данъка"));
        for (QLabel *total : {Doc->Label5, Doc->Label7, Doc->Label3})
            QCOMPARE(total->text(), QStringLiteral("0 лв"));
        QVERIFY(Doc->Panel2->isHidden());
        QVERIFY(Doc->StringGrid1->isHidden());
        QVERIFY(Doc->NO->isHidden());
        QVERIFY(Doc->SVpath->isHidden());
        QVERIFY(Doc->Image1->isHidden());
        QCOMPARE(Doc->NO->text(), QStringLiteral("0"));
        QCOMPARE(Doc->Panel1->geometry(), QRect(8, 8, 859, 1168));
        QCOMPARE(Doc->windowState() & Qt::WindowMaximized, Qt::WindowMaximized);
        QVERIFY2(prompter.finished(), prompter.problems());
    }

    // Label widths come from the fonts. With the Liberation twins they are
    // within a pixel of the page's design widths (55, 49 and 50 for the last
    // three), so the layout holds; the hinted widths are what is checked.
    void selfSizingLabelsFitTheirText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("width");
        QTest::newRow("40 dots") << "Label33" << 160;
        QTest::newRow("24 dots") << "Label16" << 96;
        QTest::newRow("76 dots") << "Label18" << 304;
        QTest::newRow("Словом:") << "Label36" << 51;
        QTest::newRow("bold КЛИЕНТ:") << "Label24" << 56;
        QTest::newRow("(Фирма)") << "Label46" << 48;
    }
    void selfSizingLabelsFitTheirText()
    {
        QFETCH(QString, name);
        QFETCH(int, width);
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        QCOMPARE(docLabel(name)->width(), width);
    }

    void fontsResolveToTheMetricTwins_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pixels");
        QTest::newRow("Arial heading") << "Label1" << "Liberation Sans" << 24;
        QTest::newRow("Times New Roman imprint") << "Label9" << "Liberation Serif" << 11;
        QTest::newRow("Times New Roman note kind") << "Label21" << "Liberation Serif" << 16;
        QTest::newRow("MS Sans Serif button") << "SpeedButton1" << "Liberation Sans" << 11;
    }
    void fontsResolveToTheMetricTwins()
    {
        QFETCH(QString, control);
        QFETCH(QString, family);
        QFETCH(int, pixels);
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        const QHash<QString, QWidget *> controls = {{"Label1", Doc->Label1}, {"Label9", Doc->Label9},
                                                    {"Label21", Doc->Label21},
                                                    {"SpeedButton1", Doc->SpeedButton1}};
        const QFontInfo resolved(controls.value(control)->font());
        QCOMPARE(resolved.family(), family);
        QCOMPARE(resolved.pixelSize(), pixels);
    }

    void theNineteenGreyFieldsAreSilver()
    {
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        const QList<QLabel *> expected = {
            Doc->Label15, Doc->Label22, Doc->Label33, Doc->Label29, Doc->Label30,
            Doc->Label34, Doc->Label65, Doc->Label16, Doc->Label18, Doc->Label19,
            Doc->Label55, Doc->Label57, Doc->Label40, Doc->Label37, Doc->Label38,
            Doc->Label39, Doc->Label53, Doc->Label35, Doc->Label52};
        QCOMPARE(Doc->greyFields().size(), 19);
        for (QLabel *field : expected) {
            QVERIFY(Doc->greyFields().contains(field));
            QVERIFY(field->autoFillBackground());
            QCOMPARE(field->palette().color(QPalette::Window), QColor(192, 192, 192));
        }
        // The signature lines look like fields but are not.
        for (QLabel *line : {static_cast<QLabel *>(Doc->Label14), static_cast<QLabel *>(Doc->Label17)})
            QVERIFY(!Doc->greyFields().contains(line));
    }

    // A click on each grey field opens its entry: the pair entry asks for two
    // values with the prefix and the separator as titles; the other two
    // propose the current caption in an untitled box.
    void clickingAGreyFieldRunsItsEntry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("titles");  // of the input boxes, in order
        QTest::addColumn<QString>("answer");      // to every box
        QTest::addColumn<QString>("caption");
        const QStringList plain = {QString()};
        QTest::newRow("Label15 number and date")
            << "Label15" << QStringList{"№ ", " / Дата: "} << "12"
            << "№ 0000000012 / Дата: 12";
        QTest::newRow("Label22 note reference")
            << "Label22" << QStringList{"от дата: ", ", към фактура №: "} << "5"
            << "от дата: 0000000005, към фактура №: 5";
        for (const char *name : {"Label33", "Label29", "Label30", "Label18", "Label19", "Label55",
                                 "Label34", "Label65", "Label16", "Label57", "Label40", "Label37",
                                 "Label38", "Label39", "Label53", "Label35", "Label52"})
            QTest::newRow(name) << name << plain << "ЕТ „Иван & син“" << "ЕТ „Иван & син“";
    }
    void clickingAGreyFieldRunsItsEntry()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, titles);
        QFETCH(QString, answer);
        QFETCH(QString, caption);
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        Doc->show();
        QLabel *field = docLabel(name);
        const QString before = field->text();
        for (const QString &title : titles)
            prompter.expectInput(title, QString(), answer);
        QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(field->text(), caption);
        // The pair entry never proposes the old caption; the others do.
        QCOMPARE(prompter.proposed.last(), titles.size() == 2 ? QString() : before);
        QVERIFY2(prompter.finished(), prompter.problems());
    }

    void clickingAnOrdinaryLabelAsksNothing()
    {
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        Doc->show();
        for (const char *name : {"Label14", "Label24", "Label36", "Label46"})
            QTest::mouseClick(docLabel(name), Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY2(prompter.finished(), prompter.problems());
    }

    void plainEntryCancelKeepsTheCaption()
    {
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        Doc->Label37->setText(QStringLiteral("по банков път"));
        prompter.expectInput(QString(), QString(), std::nullopt);
        Doc->Label34Click(Doc->Label37);
        QCOMPARE(Doc->Label37->text(), QStringLiteral("по банков път"));
        // The fixed field keeps its width whatever it holds.
        prompter.expectInput(QString(), QString(), QStringLiteral("BG123456789012345"));
        Doc->Label34Click(Doc->Label34);
        QCOMPARE(Doc->Label34->text(), QStringLiteral("BG123456789012345"));
        QCOMPARE(Doc->Label34->width(), 96);
        QVERIFY2(prompter.finished(), prompter.problems());
    }

    void editPair_data()
    {
        QTest::addColumn<bool>("numberLine");  // Label15, else the note reference Label22
        QTest::addColumn<std::optional<QString>>("first");
        QTest::addColumn<std::optional<QString>>("second");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("number");  // of NO afterwards
        QTest::newRow("number 42")
            << true << std::optional<QString>("42") << std::optional<QString>("07.12.2007")
            << "№ 0000000042 / Дата: 07.12.2007" << "0000000042";
        QTest::newRow("twelve digits stay whole")
            << true << std::optional<QString>("123456789012") << std::optional<QString>("07.12.2007")
            << "№ 123456789012 / Дата: 07.12.2007" << "123456789012";
        QTest::newRow("both cancelled")
            << true << std::optional<QString>() << std::optional<QString>()
            << "№ 0000000000 / Дата: " << "0000000000";
        QTest::newRow("date cancelled")
            << true << std::optional<QString>("7") << std::optional<QString>()
            << "№ 0000000007 / Дата: " << "0000000007";
        QTest::newRow("reference: a nine-character date is padded, the number not")
            << false << std::optional<QString>("7.12.2007") << std::optional<QString>("42")
            << "от дата: 07.12.2007, към фактура №: 42" << "0";
        QTest::newRow("reference cancelled")
            << false << std::optional<QString>() << std::optional<QString>()
            << "от дата: 0000000000, към фактура №: " << "0";
    }
    void editPair()
    {
        QFETCH(bool, numberLine);
        QFETCH(std::optional<QString>, first);
        QFETCH(std::optional<QString>, second);
        QFETCH(QString, caption);
        QFETCH(QString, number);
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        if (numberLine) {
            prompter.expectInput(QStringLiteral("№ "), QString(), first);
            prompter.expectInput(QStringLiteral(" / Дата: "), QString(), second);
            Doc->Label15Click();
            QCOMPARE(Doc->Label15->text(), caption);
        } else {
            prompter.expectInput(QStringLiteral("от дата: "), QString(), first);
            prompter.expectInput(QStringLiteral(", към фактура №: "), QString(), second);
            Doc->Label22Click();
            QCOMPARE(Doc->Label22->text(), caption);
        }
        QCOMPARE(Doc->NO->text(), number);
        QVERIFY2(prompter.finished(), prompter.problems());
    }

    // Label29 (client address) at top 24 of Panel3; the limit is 206 pixels.
    void editWrappedInTheClientBlock_data()
    {
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::addColumn<QString>("before");  // the caption before the click
        QTest::addColumn<int>("width");       // of the last line to be measured
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("moved");
        const QString fits = QString(48, u'.') + "11";  // 206 px
        const QString wide = QString(50, u'.') + "1";   // 207 px
        QTest::newRow("206 pixels fit") << std::optional<QString>(fits) << Dots40 << 206 << fits
                                         << false;
        QTest::newRow("207 pixels break at L div 2")
            << std::optional<QString>(wide) << Dots40 << 207
            << QString(25, u'.') + "\n" + QString(25, u'.') + "1" << true;
        QTest::newRow("Cancel still measures")
            << std::optional<QString>() << wide << 207
            << QString(25, u'.') + "\n" + QString(25, u'.') + "1" << true;
        QTest::newRow("only the last line is measured")
            << std::optional<QString>(wide + "\nул. 1") << Dots40 << 30 << wide + "\nул. 1" << false;
        QTest::newRow("an earlier line feed is split like any character")
            << std::optional<QString>("ab\n" + wide) << Dots40 << 207
            << "ab\n" + QString(24, u'.') + "\n" + QString(26, u'.') + "1" << true;
    }
    void editWrappedInTheClientBlock()
    {
        QFETCH(std::optional<QString>, answer);
        QFETCH(QString, before);
        QFETCH(int, width);
        QFETCH(QString, caption);
        QFETCH(bool, moved);
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        Doc->Label29->setText(before);
        if (answer) {
            Doc->Label29->setText(*answer);
            QCOMPARE(Doc->Label29->lastLineWidth(), width);
            Doc->Label29->setText(before);
        } else {
            QCOMPARE(Doc->Label29->lastLineWidth(), width);
        }
        const QList<QWidget *> same = {Doc->Label24, Doc->Label33, Doc->Label28, Doc->Label29};
        const QList<QWidget *> below = {Doc->Label31, Doc->Label30, Doc->Label25,
                                        Doc->Label34, Doc->Label66, Doc->Label65};
        const QStringList sameTops = tops(same);
        const QStringList belowTops = tops(below);
        const int panelHeight = Doc->Panel3->height();

        prompter.expectInput(QString(), QString(), answer);
        Doc->Label33Click(Doc->Label29);

        QCOMPARE(Doc->Label29->text(), caption);
        QCOMPARE(prompter.proposed.last(), before);
        QCOMPARE(tops(same), sameTops);
        const int shift = moved ? 12 : 0;
        QStringList expectedBelow;
        for (const QString &top : belowTops)
            expectedBelow.append(QString::number(top.toInt() + shift));
        QCOMPARE(tops(below), expectedBelow);
        QCOMPARE(Doc->Panel3->height(), panelHeight + shift);
        // The taller block re-stacked the page under it.
        QCOMPARE(Doc->Panel2->y(), Doc->Panel3->geometry().bottom() + 1 + 2);
        QVERIFY2(prompter.finished(), prompter.problems());
    }

    void repeatedBreaksMoveTheControlsBelowAgain()
    {
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        const int labelTop = Doc->Label25->y();
        const int panelHeight = Doc->Panel3->height();
        const QString name =
            QStringLiteral("Строителна компания „Родопи-Инвест“ ЕООД, клон Пловдив, офис Централна гара");
        QVERIFY(Doc->Label30->fontMetrics().horizontalAdvance(name) > 2 * 206);

        // First break: the second half is still too wide for the limit...
        prompter.expectInput(QString(), QString(), name);
        Doc->Label33Click(Doc->Label30);
        QCOMPARE(Doc->Label30->text(), name.left(name.size() / 2) + "\n" + name.mid(name.size() / 2));
        QCOMPARE(Doc->Label25->y(), labelTop + 12);
        QVERIFY(Doc->Label30->lastLineWidth() > 206);

        // ...so the next click breaks the whole caption again, even after Cancel.
        const QString once = Doc->Label30->text();
        prompter.expectInput(QString(), QString(), std::nullopt);
        Doc->Label33Click(Doc->Label30);
        QCOMPARE(Doc->Label30->text(), once.left(once.size() / 2) + "\n" + once.mid(once.size() / 2));
        QCOMPARE(Doc->Label25->y(), labelTop + 24);
        QCOMPARE(Doc->Panel3->height(), panelHeight + 24);
        QVERIFY2(pageOverlaps().isEmpty(), qPrintable(pageOverlaps().join("; ")));

        // A caption that fits is left alone and nothing moves.
        prompter.expectInput(QString(), QString(), QStringLiteral("Иван Петров"));
        Doc->Label33Click(Doc->Label30);
        QCOMPARE(Doc->Label30->text(), QStringLiteral("Иван Петров"));
        QCOMPARE(Doc->Label25->y(), labelTop + 24);
        QVERIFY2(prompter.finished(), prompter.problems());
    }

    void editWrappedInTheLowerBlockMovesTheSectionsBelow()
    {
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        Doc->ResizedExecute();
        const int memoHeight = Doc->Memo4->height();
        const int bevel3Top = Doc->Bevel3->y();
        const int panel5Top = Doc->Panel5->y();
        const int panel6Top = Doc->Panel6->y();
        const int bevel2Top = Doc->Bevel2->y();
        const int grid1Top = Doc->StringGrid1->y();  // hidden, moves all the same
        const int label20Top = Doc->Label20->y();

        prompter.expectInput(QString(), QString(), QString(80, u'.'));  // 320 px > 308
        Doc->Label18Click(Doc->Label19);

        QCOMPARE(Doc->Label19->text(), QString(40, u'.') + "\n" + QString(40, u'.'));
        QCOMPARE(Doc->Label20->y(), label20Top + 12);
        QCOMPARE(Doc->Bevel2->y(), bevel2Top);  // above Label19
        QCOMPARE(Doc->Panel6->y(), panel6Top);
        QCOMPARE(Doc->StringGrid1->y(), grid1Top + 12);
        QCOMPARE(Doc->Memo4->height(), memoHeight + 12);
        QCOMPARE(Doc->Bevel3->y(), bevel3Top + 12);
        QCOMPARE(Doc->Panel5->y(), panel5Top + 12);
        QVERIFY2(prompter.finished(), prompter.problems());
    }

    void newCentresTheMarkAndTheNumberLine_data()
    {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("number");
        QTest::newRow("invoice") << "ФАКТУРА" << "№ 0000000001 / Дата: дд.мм.гггг";
        QTest::newRow("proforma, wider than the number line")
            << "ПРОФОРМА ФАКТУРА" << "№ 0000000042 / Дата: 7.12.2007";
        QTest::newRow("same width") << "ФАКТУРА" << "ФАКТУРА";
    }
    void newCentresTheMarkAndTheNumberLine()
    {
        QFETCH(QString, heading);
        QFETCH(QString, number);
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        Doc->Label1->setText(heading);
        Doc->Label15->setFont(Doc->Label1->font());
        Doc->Label15->setText(number);
        Doc->NewExecute();
        for (QLabel *label : {static_cast<QLabel *>(Doc->Label8), static_cast<QLabel *>(Doc->Label15)}) {
            const int difference = Doc->Label1->width() - label->width();
            QCOMPARE(label->x(), Doc->Label1->x() + difference / 2);
            QVERIFY(qAbs(label->geometry().center().x() - Doc->Label1->geometry().center().x()) <= 1);
        }
    }

    void newAddsTheCurrencyOnceAndAlignsTheTotals()
    {
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        Doc->Label5->setText(QStringLiteral("1234.50"));
        Doc->Label7->setText(QStringLiteral("246.90"));
        Doc->Label3->setText(QStringLiteral("1481.40 лв"));
        Doc->Label6->move(10, Doc->Label6->y());
        Doc->NewExecute();
        Doc->NewExecute();
        QCOMPARE(Doc->Label5->text(), QStringLiteral("1234.50 лв"));
        QCOMPARE(Doc->Label7->text(), QStringLiteral("246.90 лв"));
        QCOMPARE(Doc->Label3->text(), QStringLiteral("1481.40 лв"));
        QCOMPARE(Doc->Label2->x(), 10);
        QCOMPARE(Doc->Label4->x(), 10);
        QCOMPARE(Doc->Label5->x(), 10 + Doc->Label6->width() + 35);
        const int right = Doc->Label5->x() + Doc->Label5->width();
        QCOMPARE(Doc->Label7->x() + Doc->Label7->width(), right);
        QCOMPARE(Doc->Label3->x() + Doc->Label3->width(), right);
        QVERIFY(Doc->Label7->x() > Doc->Label5->x());  // narrower, so further right
    }

    void resizedStacksTheSections_data()
    {
        QTest::addColumn<bool>("noteShown");
        QTest::addColumn<int>("clientLines");  // extra lines under the client's "ИН:" caption
        QTest::newRow("note hidden, supplier block lower") << false << 0;
        QTest::newRow("note shown, supplier block lower") << true << 0;
        QTest::newRow("note hidden, note block lower") << false << 3;
        QTest::newRow("note shown, note block lower") << true << 3;
    }
    void resizedStacksTheSections()
    {
        QFETCH(bool, noteShown);
        QFETCH(int, clientLines);
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        Doc->Panel2->setVisible(noteShown);
        // Extra lines at the foot of the client block make it taller.
        QString caption = QStringLiteral("ИН:");
        for (int line = 0; line < clientLines; ++line)
            caption += QStringLiteral("\nред");
        Doc->Label66->setText(caption);
        Doc->ResizedExecute();

        auto bottom = [](QWidget *w) { return w->y() + w->height(); };
        QCOMPARE(Doc->Panel2->y(), bottom(Doc->Panel3) + 2);
        const int lower = std::max(bottom(Doc->Panel2), bottom(Doc->Panel4));
        QCOMPARE(lower == bottom(Doc->Panel2), clientLines > 0);
        QCOMPARE(Doc->StringGrid2->y(), lower + 5);
        QCOMPARE(Doc->Bevel1->y(), bottom(Doc->StringGrid2) + 15);
        QCOMPARE(Doc->Memo4->y(), bottom(Doc->Bevel1) + 6);
        QCOMPARE(Doc->Bevel3->y(), bottom(Doc->Memo4) + 7);
        QCOMPARE(Doc->Panel5->y(), bottom(Doc->Bevel3) + 9);
        QVERIFY2(pageOverlaps().isEmpty(), qPrintable(pageOverlaps().join("; ")));
    }

    void printButtonShowsThePrintWindowAndClosingHidesIt()
    {
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        Doc->show();
        QVERIFY(PrintDlgOru->isHidden());
        Doc->SpeedButton1->click();
        QVERIFY(!PrintDlgOru->isHidden());
        const QPointer<TDoc> page(Doc);
        Doc->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(page);  // closing only hides the window
        QVERIFY(Doc->isHidden());
        QVERIFY(PrintDlgOru->isHidden());
        QVERIFY2(prompter.finished(), prompter.problems());
    }

    void newInvoiceStartsACopyAndEndsTheLoop_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("document's button") << false;
        QTest::newRow("main menu's button") << true;
    }
    void newInvoiceStartsACopyAndEndsTheLoop()
    {
        QFETCH(bool, fromMenu);
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        if (fromMenu)
            Main->SpeedButton10->click();
        else
            Doc->SpeedButton3->click();
        QCOMPARE(app.shell.newCopies, 1);
        QCOMPARE(app.shell.loopEnds, 1);
        // Ends without saving the remembered settings.
        QVERIFY(!QFile::exists(app.path(QStringLiteral("mem.txt"))));
        QVERIFY2(prompter.finished(), prompter.problems());
    }

    void thePageRendersWithoutOverlaps()
    {
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        QVERIFY2(pageOverlaps().isEmpty(), qPrintable(pageOverlaps().join("; ")));

        // A filled-in note with the sections stacked: still nothing overlaps.
        Doc->Panel2->show();
        Doc->Label21->setText(QStringLiteral("Кредитно известие"));
        Doc->StringGrid1->show();
        Doc->StringGrid2->setItem(0, 1, new QTableWidgetItem(QStringLiteral("Наименование")));
        Doc->StringGrid2->setItem(1, 1, new QTableWidgetItem(QStringLiteral("Стол дъбов")));
        Doc->Label33->setText(QStringLiteral("ЕТ „Иван & син“"));
        Doc->ResizedExecute();
        QVERIFY2(pageOverlaps().isEmpty(), qPrintable(pageOverlaps().join("; ")));

        QImage page(Doc->Panel1->size(), QImage::Format_RGB32);
        Doc->Panel1->render(&page);
        const QString path = QDir(QCoreApplication::applicationDirPath()).filePath("artifacts/page.png");
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(page.save(path));
        QImage window(Doc->Client->size(), QImage::Format_RGB32);
        Doc->Client->render(&window);
        QVERIFY(window.save(QFileInfo(path).dir().filePath("window.png")));
        Doc->show();
        QVERIFY(Doc->grab().save(QFileInfo(path).dir().filePath("screen.png")));
        // The page is white, the grey fields silver.
        QCOMPARE(page.pixelColor(2, 2), QColor(Qt::white));
        const QPoint inField = Doc->Label30->mapTo(Doc->Panel1, QPoint(0, 0)) + QPoint(1, 1);
        QCOMPARE(page.pixelColor(inField), QColor(192, 192, 192));
    }
};

QTEST_MAIN(tst_Document)
#include "tst_document.moc"
