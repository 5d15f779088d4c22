#include "document/EuroWords.h"

#include "common/Failure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <Numbertext.hxx>

#include <memory>

namespace {

const QString ModuleFile = QStringLiteral("bg.sor");

bool holdsModule(const QString &folder)
{
    return !folder.isEmpty() && QFileInfo(QDir(folder).filePath(ModuleFile)).isReadable();
}

// One interpreter per data folder: it reads the module once, on first use.
Numbertext &interpreter(const QString &folder)
{
    static QString loadedFolder;
    static std::unique_ptr<Numbertext> numbertext;
    if (!numbertext || loadedFolder != folder) {
        numbertext = std::make_unique<Numbertext>();
        // The library opens its files by a name of 8-bit characters: the
        // system's encoding of file names (the ANSI code page on Windows).
        numbertext->set_prefix(QFile::encodeName(QDir(folder).absolutePath()).toStdString() + '/');
        loadedFolder = folder;
    }
    return *numbertext;
}

} // namespace

QString numberTextFolder()
{
    const QString chosen = qEnvironmentVariable("BILVARO_NUMBERTEXT_DIR");
    if (!chosen.isEmpty())
        return chosen;
    QStringList candidates;
    if (QCoreApplication::instance())
        candidates << QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("numbertext"));
    // The data package's folder; none on Windows, where the data travel with the program.
    const QString installed = QStringLiteral(BILVARO_NUMBERTEXT_DATA_DIR);
    if (!installed.isEmpty())
        candidates << installed;
    for (const QString &folder : candidates) {
        if (holdsModule(folder))
            return folder;
    }
    return candidates.value(candidates.size() - 1);
}

QString euroInWords(const QString &amount)
{
    static const QRegularExpression form(QStringLiteral("^[0-9]+(\\.[0-9]{0,2})?$"));
    if (!form.match(amount).hasMatch())
        throw Failure(QStringLiteral("Сумата „%1“ не може да бъде изписана словом.").arg(amount));

    const QString folder = numberTextFolder();
    if (!holdsModule(folder))
        throw Failure(QStringLiteral("Сумата не може да бъде изписана словом в евро: липсват данните "
                                     "на libnumbertext („%1“ в папката „%2“). Инсталирайте пакета "
                                     "libnumbertext-data или посочете папката с данните в "
                                     "BILVARO_NUMBERTEXT_DIR.")
                          .arg(ModuleFile, QDir::toNativeSeparators(folder)));

    // A lone point would not read as an amount: "12." is "12.00".
    std::string text = "EUR " + (amount.endsWith(u'.') ? amount + u'0' : amount).toStdString();
    if (!interpreter(folder).numbertext(text, "bg") || text.empty())
        throw Failure(QStringLiteral("Сумата „%1“ не може да бъде изписана словом: данните на "
                                     "libnumbertext в папката „%2“ не са годни.")
                          .arg(amount, QDir::toNativeSeparators(folder)));
    return QString::fromStdString(text);
}
