#include "app/Menu.h"
#include "support/WindowTest.h"

#include <QtTest>

class tst_Smoke : public WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void startsWithMainMenu()
    {
        app().start(prompter());
        QVERIFY(Main);
        QCOMPARE(Main->windowTitle(), QStringLiteral("Bilvaro 2007 - Меню"));
    }
};

QTEST_MAIN(tst_Smoke)
#include "tst_smoke.moc"
