#include "support/WindowTest.h"

#include <QtTest>

AppFixture &WindowTest::app()
{
    if (!m_app)
        m_app.emplace();
    return *m_app;
}

void WindowTest::init()
{
    m_prompter.emplace();
}

void WindowTest::cleanup()
{
    // The windows and the prompter go before the check, so that a failed
    // function leaves nothing behind for the next one.
    const bool finished = m_prompter->finished();
    const QByteArray problems = m_prompter->problems();
    m_app.reset();
    m_prompter.reset();
    QVERIFY2(finished, problems);
}
