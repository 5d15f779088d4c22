#include "document/Document.h"
#include "support/AppFixture.h"
#include "support/ScriptedPrompter.h"

#include <QtTest>

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
        QCOMPARE(Doc->Label33->text(), QString(40, u'.'));
        QCOMPARE(Doc->Label18->text(), QString(76, u'.'));
        QCOMPARE(Doc->Label16->text(), QString(24, u'.'));
        for (QLabel *total : {Doc->Label5, Doc->Label7, Doc->Label3})
            QCOMPARE(total->text(), QStringLiteral("0 лв"));
        QVERIFY(Doc->Panel2->isHidden());
        QVERIFY(Doc->StringGrid1->isHidden());
        QVERIFY(Doc->NO->isHidden());
        QCOMPARE(Doc->NO->text(), QStringLiteral("0"));
        QCOMPARE(Doc->Panel1->geometry(), QRect(8, 8, 859, 1168));
        QVERIFY2(prompter.finished(), prompter.problems());
    }
};

QTEST_MAIN(tst_Document)
#include "tst_document.moc"
