#include "store/SqliteFile.h"

#include "store/Sqlite.h"
#include "store/StoreFailure.h"

#include <QDir>
#include <QFile>

SqliteFile::SqliteFile(const QString &path, Mode mode) : m_sqlite(sqlite()), m_path(path)
{
    const int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY
                      : SQLITE_OPEN_READWRITE | (mode == Mode::Create ? SQLITE_OPEN_CREATE : 0);
    if (m_sqlite.sqlite3_open_v2(QFile::encodeName(path).constData(), &m_handle, flags, nullptr) != SQLITE_OK)
        fail(QStringLiteral("Файлът „%1“ не може да бъде отворен").arg(QDir::toNativeSeparators(path)));
}

SqliteFile::~SqliteFile() { m_sqlite.sqlite3_close(m_handle); }

void SqliteFile::execute(const QString &sql)
{
    if (m_sqlite.sqlite3_exec(m_handle, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(QStringLiteral("Файлът „%1“ не може да бъде записан").arg(QDir::toNativeSeparators(m_path)));
}

void SqliteFile::fail(const QString &action)
{
    const int code = m_sqlite.sqlite3_errcode(m_handle);
    const QString message = QString::fromUtf8(m_sqlite.sqlite3_errmsg(m_handle));
    throw storeFailure(action, code, message);
}
