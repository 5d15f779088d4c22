#include "app/Menu.h"
#include "support/AppFixture.h"
#include "support/ScriptedPrompter.h"

#include <QtTest>

class tst_Smoke : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsWithMainMenu()
    {
        ScriptedPrompter prompter;
        AppFixture app;
        app.start(prompter);
        QVERIFY(Main);
        QCOMPARE(Main->windowTitle(), QStringLiteral("Bilvaro 2007 - Меню"));
        QVERIFY2(prompter.finished(), prompter.problems());
    }
};

QTEST_MAIN(tst_Smoke)
#include "tst_smoke.moc"
