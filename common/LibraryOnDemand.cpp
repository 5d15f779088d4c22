#include "common/LibraryOnDemand.h"

#include "common/Failure.h"

#include <QFileInfo>

LibraryOnDemand::LibraryOnDemand(const QString &fileName, int majorVersion, const QString &purpose)
    : m_library(fileName, majorVersion), m_purpose(purpose)
{
    // Loaded for good: the functions taken from it are kept for the rest of the run.
    if (!m_library.load())
        throw Failure(failureText(m_library.errorString()));
}

QFunctionPointer LibraryOnDemand::resolve(const char *name)
{
    const QFunctionPointer function = m_library.resolve(name);
    // A library of another version than the one the program was built with.
    if (!function)
        throw Failure(failureText(QStringLiteral("в нея няма функцията %1").arg(QLatin1String(name))));
    return function;
}

QString LibraryOnDemand::failureText(const QString &reason) const
{
    return QStringLiteral("Библиотеката „%1“, нужна за %2, не може да бъде заредена: %3. Инсталирайте "
                          "програмата отново.")
        .arg(QFileInfo(m_library.fileName()).fileName(), m_purpose, reason);
}
