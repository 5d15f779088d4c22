#include "lines/SettingsFile.h"

#include "common/Failure.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// The file is in the Windows Cyrillic code page on every platform.
constexpr char Codepage[] = "windows-1251";

template <typename Converter> Converter converter()
{
    Converter result(Codepage);
    if (!result.isValid())
        throw Failure(QStringLiteral("Кодовата таблица windows-1251 на файла с настройките не е налична в "
                                     "тази инсталация на Qt."));
    return result;
}

} // namespace

namespace SettingsFile {

QStringList defaults()
{
    return {QStringLiteral("20%"), QStringLiteral("ФАКТУРА"), QString(), QString(76, u'.'),
            QStringLiteral("неначисляване на ДДС и за нулева ставка")};
}

QStringList parse(const QByteArray &bytes)
{
    auto decoder = converter<QStringDecoder>();
    const qsizetype nul = bytes.indexOf('\0');
    const QString text = decoder.decode(nul < 0 ? bytes : bytes.left(nul));
    QStringList items;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        items.append(text.mid(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        items.append(text.mid(start));
    return items;
}

QByteArray encode(const QStringList &items)
{
    // One encoder for the whole file; only an item with a character the code
    // page lacks is gone through character by character, with a fresh
    // encoder after each such character (an encoder keeps its error).
    auto encoder = converter<QStringEncoder>();
    QByteArray bytes;
    for (const QString &item : items) {
        // The code page has one byte for every character it knows; one it
        // lacks may come out as the substitute character 0x1A.
        const QByteArray whole = encoder.encode(item);
        if (!encoder.hasError() && whole.size() == item.size()
            && whole.count('\x1a') == item.count(QChar(0x1a))) {
            bytes += whole;
            bytes += "\r\n";
            continue;
        }
        encoder = converter<QStringEncoder>();
        for (qsizetype i = 0; i < item.size(); ++i) {
            const QChar c = item.at(i);
            if (c.isSurrogate()) {
                // No character outside the basic plane has a code; a pair is one character.
                if (c.isHighSurrogate() && i + 1 < item.size() && item.at(i + 1).isLowSurrogate())
                    ++i;
                bytes += '?';
                continue;
            }
            const QByteArray code = encoder.encode(QStringView(&c, 1));
            if (encoder.hasError() || code.size() != 1 || (code == "\x1a" && c != QChar(0x1a))) {
                bytes += '?';
                encoder = converter<QStringEncoder>();
            } else {
                bytes += code;
            }
        }
        bytes += "\r\n";
    }
    return bytes;
}

QStringList load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Файлът „%1“ не може да бъде прочетен: %2")
                          .arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Failure(QStringLiteral("Файлът „%1“ не може да бъде прочетен: %2")
                          .arg(path, file.errorString()));
    return parse(bytes);
}

void save(const QString &path, const QStringList &items)
{
    // Unbuffered: a buffered QSaveFile flushes only in commit(), where a
    // failed write (a full disk) does not stop it from replacing the file
    // with an empty one.
    const QByteArray bytes = encode(items);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size()
        || !file.commit())
        throw Failure(QStringLiteral("Файлът „%1“ не може да бъде записан: %2")
                          .arg(path, file.errorString()));
}

} // namespace SettingsFile
