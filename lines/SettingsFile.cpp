#include "lines/SettingsFile.h"

#include "common/Cp1251.h"
#include "common/Failure.h"

#include <QFile>
#include <QSaveFile>

namespace SettingsFile {

QStringList defaults()
{
    return {QStringLiteral("20%"), QStringLiteral("ФАКТУРА"), QString(), QString(76, u'.'),
            QStringLiteral("неначисляване на ДДС и за нулева ставка")};
}

QStringList defaultsIn(Currency currency)
{
    return defaults() << selectorText(currency);
}

QStringList parse(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    const QString text = Cp1251::decode(nul < 0 ? bytes : bytes.left(nul));
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
    QByteArray bytes;
    for (const QString &item : items) {
        // One item a line: a line break pasted into an item would split it
        // and shift every item after it, and a zero byte ends the file.
        QByteArray line = Cp1251::encode(item);
        for (char &c : line) {
            if (c == '\r' || c == '\n' || c == '\0')
                c = ' ';
        }
        bytes += line + "\r\n";
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
