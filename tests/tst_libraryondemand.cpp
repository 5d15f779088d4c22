// The libraries the program loads when a command first needs them: what a
// missing one says, and that the program does not load them at start.

#include "common/Failure.h"
#include "common/LibraryOnDemand.h"
#include "server/Libpq.h"

#include <QProcess>
#include <QtTest>

class tst_LibraryOnDemand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void missingLibraryOrFunction_data()
    {
        QTest::addColumn<QString>("library");
        QTest::addColumn<int>("version");
        QTest::addColumn<QByteArray>("function");
        QTest::addColumn<QStringList>("named");  // in the message
        QTest::newRow("no such library") << QStringLiteral("libbilvaro-none") << 1 << QByteArray("f")
                                         << QStringList{"„libbilvaro-none“", "нужна за опита"};
        QTest::newRow("a library of another version")
            << QStringLiteral("libpq") << 5 << QByteArray("PQnoSuchFunction")
            << QStringList{"„libpq", "нужна за опита", "няма функцията PQnoSuchFunction"};
    }

    void missingLibraryOrFunction()
    {
        QFETCH(QString, library);
        QFETCH(int, version);
        QFETCH(QByteArray, function);
        QFETCH(QStringList, named);
        try {
            LibraryOnDemand loaded(library, version, QStringLiteral("опита"));
            loaded.function<void (*)()>(function.constData());
            QFAIL("no failure");
        } catch (const Failure &failure) {
            for (const QString &part : named)
                QVERIFY2(failure.text().contains(part), qPrintable(failure.text()));
        }
    }

    void functionsWorkThroughTheLoadedLibrary()
    {
        LibraryOnDemand library(QStringLiteral("libpq"), 5, QStringLiteral("опита"));
        QVERIFY(library.function<decltype(&PQlibVersion)>("PQlibVersion")() >= 130000);
        // Every function the program lists is in the installed library.
        char *error = nullptr;
        PQconninfoOption *options = libpq().PQconninfoParse("dbname=stock host=office", &error);
        QVERIFY(options);
        QString database;
        for (const PQconninfoOption *option = options; option->keyword; ++option) {
            if (qstrcmp(option->keyword, "dbname") == 0)
                database = QString::fromUtf8(option->val);
        }
        libpq().PQconninfoFree(options);
        QCOMPARE(database, QStringLiteral("stock"));
    }

    void programDoesNotLoadThemAtStart_data()
    {
        QTest::addColumn<QString>("library");
        QTest::newRow("PostgreSQL's client") << QStringLiteral("libpq.so");
        QTest::newRow("pxlib") << QStringLiteral("libpx.so");
        QTest::newRow("CUPS") << QStringLiteral("libcups.so");
        QTest::newRow("SQLite") << QStringLiteral("libsqlite3.so");
        QTest::newRow("libsodium") << QStringLiteral("libsodium.so");
        QTest::newRow("libcurl") << QStringLiteral("libcurl.so");
        // Nor Qt's network library, with Kerberos and the proxy library it brings.
        QTest::newRow("Qt Network") << QStringLiteral("libQt6Network.so");
    }

    void programDoesNotLoadThemAtStart()
    {
        QFETCH(QString, library);
        QProcess ldd;
        ldd.start(QStringLiteral("ldd"), {QStringLiteral(PROGRAM_FILE)});
        QVERIFY(ldd.waitForFinished());
        const QString loaded = QString::fromLocal8Bit(ldd.readAllStandardOutput());
        QVERIFY2(loaded.contains(QLatin1String("libQt6Widgets.so")), qPrintable(loaded));
        QVERIFY2(!loaded.contains(library), qPrintable(loaded));
    }
};

QTEST_GUILESS_MAIN(tst_LibraryOnDemand)
#include "tst_libraryondemand.moc"
