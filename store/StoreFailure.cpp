#include "store/StoreFailure.h"

#include "common/Logging.h"

#include <QSqlError>
#include <sqlite3.h>

namespace {

QString reason(int code)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("таблицата е заета от друга програма и не се освободи за %1 секунди. "
                              "Опитайте отново след малко.")
            .arg(BusyTimeoutSeconds);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("файлът на таблицата е само за четене.");
    case SQLITE_FULL:
        return QStringLiteral("дискът е пълен.");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("файлът не е таблица или е повреден.");
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
        return QStringLiteral("файлът на таблицата не може да бъде прочетен или записан.");
    case SQLITE_TOOBIG:
        return QStringLiteral("стойността е твърде голяма.");
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
        return QStringLiteral("таблицата не приема тази стойност.");
    default:
        return QStringLiteral("грешка в таблицата (код %1).").arg(code);
    }
}

} // namespace

Failure storeFailure(const QString &action, int sqliteCode, const QString &sqliteText)
{
    qCWarning(lcReference).noquote() << action << "- SQLite:" << sqliteCode << sqliteText;
    return Failure(action + QStringLiteral(": ") + reason(sqliteCode));
}

Failure storeFailure(const QString &action, const QSqlError &error)
{
    bool isNumber = false;
    const int code = error.nativeErrorCode().toInt(&isNumber);
    return storeFailure(action, isNumber ? code : SQLITE_ERROR, error.text());
}
