#include "common/Cp1251.h"

#include <QtTest>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QStringDecoder>
#include <QStringEncoder>
#endif

// The system's own converter for the code page: Win32 on Windows, ICU elsewhere.
static QString systemDecode(const QByteArray &bytes)
{
#ifdef Q_OS_WIN
    std::wstring wide(bytes.size(), L'\0');
    const int n = MultiByteToWideChar(1251, 0, bytes.constData(), int(bytes.size()), wide.data(), int(wide.size()));
    return QString::fromWCharArray(wide.data(), n);
#else
    QStringDecoder decoder("windows-1251");
    return decoder.isValid() ? decoder.decode(bytes) : QString();
#endif
}

static QByteArray systemEncode(const QString &text)
{
#ifdef Q_OS_WIN
    QByteArray bytes(text.size(), '\0');
    const std::wstring wide = text.toStdWString();
    const int n = WideCharToMultiByte(1251, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()), bytes.data(),
                                      int(bytes.size()), "?", nullptr);
    bytes.truncate(n);
    return bytes;
#else
    // ICU writes SUB for a character it cannot convert and nothing at all for
    // an invisible formatting character; the program writes "?" for both.
    QStringEncoder encoder("windows-1251");
    QByteArray bytes;
    for (const QChar c : text) {
        const QByteArray one = encoder.encode(QStringView(&c, 1));
        bytes += (one.isEmpty() || (one == "\x1a" && c != u'\x1a')) ? QByteArray("?") : one;
    }
    return bytes;
#endif
}

class tst_Cp1251 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyByteReadsAsTheSystemReadsIt()
    {
        QByteArray all(256, '\0');
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        const QString decoded = Cp1251::decode(all);
        QCOMPARE(decoded, systemDecode(all));
        QCOMPARE(Cp1251::encode(decoded), all);
    }

    void everyCharacterWritesAsTheSystemWritesIt()
    {
        QString text;
        for (char16_t c = 1; c < 0xD800; ++c)
            text += QChar(c);
        for (char16_t c = 0xE000; c != 0; ++c)
            text += QChar(c);
        QCOMPARE(Cp1251::encode(text), systemEncode(text));
    }

    void replacement_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("letters") << QStringLiteral("Ябълка") << QByteArray("\xdf\xe1\xfa\xeb\xea\xe0");
        QTest::newRow("no code") << QStringLiteral("ä✓") << QByteArray("??");
        QTest::newRow("surrogate pair") << QStringLiteral("a😀b") << QByteArray("a?b");
        QTest::newRow("lone surrogate") << QStringLiteral("a") + QChar(0xDC00) + u'b' << QByteArray("a?b");
        QTest::newRow("quotes and number sign") << QStringLiteral("„№“") << QByteArray("\x84\xb9\x93");
    }

    void replacement()
    {
        QFETCH(QString, text);
        QTEST(Cp1251::encode(text), "bytes");
    }
};

QTEST_GUILESS_MAIN(tst_Cp1251)
#include "tst_cp1251.moc"
