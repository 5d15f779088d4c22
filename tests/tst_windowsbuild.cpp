// The Windows build's programs as files, read on any system: the program is
// a windowed one (no console window opens beside it), the table tool a
// console one (the setup reads its output), and the program embeds the
// project's release key. Skipped where there is no Windows build.
#include <QFile>
#include <QtTest>
#include <optional>

namespace {

quint32 littleEndian(const QByteArray &bytes, qsizetype at, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | quint8(bytes[at + i]);
    return value;
}

// The Subsystem field of a PE file's optional header (2: windowed, 3: console).
std::optional<int> peSubsystem(const QByteArray &file)
{
    if (file.size() < 0x40 || !file.startsWith("MZ"))
        return std::nullopt;
    const qsizetype header = littleEndian(file, 0x3C, 4);
    // The signature, the 20-byte file header, then 68 bytes of the optional one.
    const qsizetype subsystem = header + 4 + 20 + 68;
    if (subsystem + 2 > file.size() || file.mid(header, 4) != QByteArray("PE\0\0", 4))
        return std::nullopt;
    return int(littleEndian(file, subsystem, 2));
}

QByteArray projectKeyLine()
{
    QFile pem(QStringLiteral(PROJECT_KEY_FILE));
    if (!pem.open(QIODevice::ReadOnly))
        return {};
    QByteArray line;
    for (const QByteArray &part : pem.readAll().split('\n'))
        line += part.startsWith("-----") ? QByteArray() : part.trimmed();
    return line;
}

} // namespace

class tst_WindowsBuild : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void programs_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("subsystem");
        QTest::addColumn<bool>("projectKey");
        QTest::newRow("the program") << QStringLiteral(WINDOWS_PROGRAM) << 2 << true;
        QTest::newRow("the table tool") << QStringLiteral(WINDOWS_TABLE_TOOL) << 3 << false;
    }

    void programs()
    {
        QFETCH(QString, file);
        QFile program(file);
        if (!program.open(QIODevice::ReadOnly))
            QSKIP("no Windows build here (scripts/build-windows.sh makes one)");
        const QByteArray bytes = program.readAll();
        QTEST(peSubsystem(bytes).value_or(-1), "subsystem");
        QTEST(bytes.contains(projectKeyLine()), "projectKey");
    }

    // The reader itself, on headers made here: it must not take any file for a program.
    void peReader_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("subsystem");  // -1: not a PE file
        QByteArray pe(0x200, '\0');
        pe.replace(0, 2, "MZ");
        pe[0x3C] = char(0x80);
        pe.replace(0x80, 4, QByteArray("PE\0\0", 4));
        QByteArray windowed = pe, console = pe;
        windowed[0x80 + 24 + 68] = 2;
        console[0x80 + 24 + 68] = 3;
        QByteArray noSignature = windowed;
        noSignature[0x80] = 'X';
        QTest::newRow("windowed") << windowed << 2;
        QTest::newRow("console") << console << 3;
        QTest::newRow("no PE signature") << noSignature << -1;
        QTest::newRow("cut short") << windowed.left(0x80 + 24 + 69) << -1;
        QTest::newRow("an ELF file") << QByteArray("\x7f" "ELF") + QByteArray(0x200, '\0') << -1;
    }

    void peReader()
    {
        QFETCH(QByteArray, file);
        QTEST(peSubsystem(file).value_or(-1), "subsystem");
    }
};

QTEST_GUILESS_MAIN(tst_WindowsBuild)
#include "tst_windowsbuild.moc"
