// A server that is gone is reported within seconds, and the first command
// after it is back works: one stopped or not answering when the program
// connects, and one whose machine vanishes while the program holds a
// connection to it.

#include "common/Failure.h"
#include "reference/TableStore.h"
#include "register/RegisterStore.h"
#include "server/ServerConnection.h"
#include "support/EngineFolder.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTcpServer>
#include <QtTest>

namespace {

// The time a command may take to report a server that is gone: what the
// user waits with the window frozen. The connection is given
// Server::ConnectTimeoutSeconds; the rest is room for a busy test machine.
constexpr qint64 ReportedWithinMs = 5000;
// The same for a server that vanished while connected: TCP's keepalive time or
// the limit for what was sent and never acknowledged, whichever comes first.
constexpr qint64 VanishedReportedWithinMs =
    1000 * (Server::KeepaliveIdleSeconds + Server::KeepaliveIntervalSeconds * Server::KeepaliveCount
            + Server::UnacknowledgedTimeoutSeconds) + 4000;

bool setLoopback(const char *state)
{
    return QProcess::execute(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"),
                                                    QLatin1String(state)})
           == 0;
}

void openFirm(const QString &data)
{
    TableStore firms;
    firms.setDatabaseName(data);
    firms.setTableName(Schema::Firm::FileName);
    firms.open();
    QCOMPARE(firms.recordCount(), 1);
}

Recorded recordPrint(const QString &data, const QString &number)
{
    RegisterStore store(data);
    return store.recordPrint(sampleInvoice(DocumentKind::Invoice, NoteKind::None, Currency::Euro, number),
                             ArchiveFiles(), PrintMode::Original);
}

} // namespace

class tst_ServerOutage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reportedQuicklyAndWorksWhenBack_data()
    {
        QTest::addColumn<bool>("stopped");  // else a server that takes the connection and never answers
        QTest::newRow("server stopped") << true;
        QTest::newRow("server not answering") << false;
    }
    void reportedQuicklyAndWorksWhenBack()
    {
        REQUIRE_TEST_SERVER();
        QFETCH(bool, stopped);
#ifdef Q_OS_WIN
        if (stopped)
            QSKIP("the server is stopped with Debian's cluster tools, which a Windows program under Wine cannot run");
#endif
        EngineFolder folder(QStringLiteral("PostgreSQL"));
        QVERIFY(folder.makeOwnCompany());
        openFirm(folder.data());  // the server checked once, as at the start of a day

        QTcpServer silent;  // listens, so the connection is made, but never answers it
        // Whatever fails below, the next test finds the server running.
        const auto back = qScopeGuard([stopped] {
            if (stopped)
                TestServer::setRunning(true);
            qunsetenv(Server::DatabaseVariable);
        });
        if (stopped) {
            QVERIFY(TestServer::setRunning(false));
        } else {
            QVERIFY(silent.listen(QHostAddress::LocalHost));
            qputenv(Server::DatabaseVariable, QStringLiteral("host=127.0.0.1 port=%1 dbname=%2")
                                                  .arg(silent.serverPort())
                                                  .arg(folder.database())
                                                  .toUtf8());
        }
        const std::pair<QString, std::function<void()>> commands[] = {
            {QStringLiteral("open a table"), [&] { openFirm(folder.data()); }},
            {QStringLiteral("record a print"), [&] { recordPrint(folder.data(), QStringLiteral("0000000001")); }},
        };
        for (const auto &[name, command] : commands) {
            QElapsedTimer waited;
            waited.start();
            QString shown;
            try {
                command();
            } catch (const Failure &failure) {
                shown = failure.text();
            }
            const qint64 elapsed = waited.elapsed();
            QVERIFY2(shown.startsWith(QStringLiteral("Няма връзка със сървъра")), qPrintable(name + QStringLiteral(": ") + shown));
            QVERIFY2(elapsed < ReportedWithinMs, qPrintable(QStringLiteral("%1: %2 ms").arg(name).arg(elapsed)));
        }

        if (stopped)
            QVERIFY(TestServer::setRunning(true));
        qunsetenv(Server::DatabaseVariable);
        openFirm(folder.data());
        QCOMPARE(int(recordPrint(folder.data(), QStringLiteral("0000000001"))), int(Recorded::NewDocument));
    }

    // The machine of the server goes while a connection is kept for the next
    // command: the loopback of the test's own network taken down, nothing
    // answers, not even a refusal. The test command runs it through
    // tests/helpers/own_network.sh.
    void vanishedServerReportedWithinSeconds()
    {
        if (qEnvironmentVariable("BILVARO_OWN_NETWORK") != QLatin1String("1"))
            QSKIP("needs a network of its own: the test command runs it through tests/helpers/own_network.sh");
        REQUIRE_TEST_SERVER();
        EngineFolder folder(QStringLiteral("PostgreSQL"));
        QVERIFY(folder.makeOwnCompany());
        openFirm(folder.data());  // its connection kept for the next command
        const auto back = qScopeGuard([] { setLoopback("up"); });
        QVERIFY(setLoopback("down"));
        for (const QString &command : {QStringLiteral("on the kept connection"), QStringLiteral("on a new one")}) {
            QElapsedTimer waited;
            waited.start();
            QString shown;
            try {
                openFirm(folder.data());
            } catch (const Failure &failure) {
                shown = failure.text();
            }
            const qint64 elapsed = waited.elapsed();
            QVERIFY2(shown.contains(QStringLiteral("сървъра")), qPrintable(command + QStringLiteral(": ") + shown));
            QVERIFY2(elapsed < VanishedReportedWithinMs, qPrintable(QStringLiteral("%1: %2 ms").arg(command).arg(elapsed)));
        }
        QVERIFY(setLoopback("up"));
        openFirm(folder.data());
    }
};

QTEST_MAIN(tst_ServerOutage)
#include "tst_serveroutage.moc"
