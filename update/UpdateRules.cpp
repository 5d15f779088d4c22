#include "update/UpdateRules.h"

#include "common/Failure.h"
#include "platform/Executable.h"
#include "update/ReleaseKey.h"
#include "update/UpdateConfig.h"

#include <QFileInfo>
#include <QLocale>
#include <QUrl>
#include <cmath>

namespace {

const QString UpdateFolder = QStringLiteral("/VEZOZEVURE/");

QString withoutTrailingSlash(QString address)
{
    while (address.endsWith(u'/'))
        address.chop(1);
    return address;
}

// The whole number after the last "."; nothing when it is not one. Qt's own
// conversion would skip blanks and line breaks around the digits.
std::optional<qint64> buildNumber(const QString &version)
{
    const QString last = version.section(u'.', -1);
    if (last.isEmpty() || last.size() > 18)
        return std::nullopt;
    for (const QChar c : last) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    return last.toLongLong();
}

// A version text as a message shows it: long error pages cut short.
QString shown(const QString &version)
{
    return version.size() <= 40 ? version : version.left(40) + u'…';
}

} // namespace

UpdateSettings buildUpdateSettings()
{
    UpdateSettings settings;
    const QString overridden = qEnvironmentVariable("BILVARO_UPDATE_URL");
    settings.baseAddress = overridden.isEmpty() ? QStringLiteral(BILVARO_UPDATE_BASE_URL) : overridden;
    settings.publicKey = embeddedReleaseKey();
    settings.maxProgramBytes = 10 * QFileInfo(runningExecutablePath()).size();
    return settings;
}

QString versionFileAddress(const QString &baseAddress)
{
    return withoutTrailingSlash(baseAddress) + UpdateFolder + QStringLiteral("Bilvaro2007.txt");
}

QString downloadAddress(const QString &baseAddress, const QString &executableName)
{
    return withoutTrailingSlash(baseAddress) + UpdateFolder + executableName;
}

void checkBaseAddress(const QString &baseAddress)
{
    if (baseAddress.isEmpty())
        throw Failure(QStringLiteral("Тази инсталация на програмата няма сървър за обновяване: "
                                     "програмата не може да се обнови оттук."));
    const QUrl url(baseAddress, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https") || url.host().isEmpty())
        throw Failure(QStringLiteral("Адресът на сървъра за обновяване „%1“ не е адрес http:// или https://.")
                          .arg(baseAddress));
}

void checkReleaseKey(const QByteArray &publicKey)
{
    // Without a key nothing could tell a release from any other program.
    if (publicKey.isEmpty())
        throw Failure(QStringLiteral("Тази инсталация на програмата няма ключ, с който да провери подписа на "
                                     "обновяванията: обновяване не се инсталира."));
}

bool isSuccessStatus(int status) { return status >= 200 && status <= 299; }

QString versionAnswer(const HttpResponse &response, const QByteArray &body)
{
    if (response.status == 0 || !response.contentLength)
        return {};
    if (!isSuccessStatus(response.status))
        throw Failure(QStringLiteral("Сървърът за обновяване отговори с грешка %1.").arg(response.status));
    if (!isCompleteDownload(response))
        return {};
    const qsizetype zero = body.indexOf('\0');
    return QString::fromLatin1(zero < 0 ? body : body.left(zero));
}

bool isNewerBuild(const QString &local, const QString &remote)
{
    const std::optional<qint64> localBuild = buildNumber(local);
    if (!localBuild)
        throw Failure(QStringLiteral("Версията на програмата „%1“ не завършва с цяло число.").arg(shown(local)));
    const std::optional<qint64> remoteBuild = buildNumber(remote);
    if (!remoteBuild)
        throw Failure(QStringLiteral("Версията на сървъра за обновяване „%1“ не завършва с цяло число.")
                          .arg(shown(remote)));
    return *localBuild < *remoteBuild;
}

bool isCompleteDownload(const HttpResponse &response)
{
    return response.transferred && isSuccessStatus(response.status) && response.contentLength
           && response.received == *response.contentLength;
}

QString progressCaption(qint64 written, qint64 length)
{
    // Whole kilobytes written against whole kilobytes announced; a download
    // under a kilobyte would divide by zero that way, so it counts in bytes.
    double percent = 100;
    if (length / 1024 > 0)
        percent = double(written / 1024 * 100) / double(length / 1024);
    else if (length > 0)
        percent = double(written) * 100 / double(length);
    percent = std::round(percent * 10000) / 10000;
    return QString::number(percent, 'f', QLocale::FloatingPointShortest) + u'%';
}
