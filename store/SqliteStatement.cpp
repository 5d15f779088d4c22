#include "store/SqliteStatement.h"

#include "store/CaseFolding.h"
#include "store/FoldedColumn.h"
#include "store/Sqlite.h"
#include "store/StoreFailure.h"

#include <QLocale>

SqliteStatement::SqliteStatement(sqlite3 *database, const QString &sql, const QString &action)
    : m_sqlite(sqlite()), m_database(database), m_action(action)
{
    const QByteArray text = sql.toUtf8();
    if (m_sqlite.sqlite3_prepare_v2(database, text.constData(), int(text.size()), &m_statement, nullptr) != SQLITE_OK)
        fail();
}

SqliteStatement::~SqliteStatement() { m_sqlite.sqlite3_finalize(m_statement); }

bool SqliteStatement::step()
{
    const int result = m_sqlite.sqlite3_step(m_statement);
    if (result == SQLITE_ROW)
        return true;
    if (result != SQLITE_DONE)
        fail();
    return false;
}

void SqliteStatement::reset() { m_sqlite.sqlite3_reset(m_statement); }

void SqliteStatement::bind(int parameter, qint64 value) { m_sqlite.sqlite3_bind_int64(m_statement, parameter, value); }

void SqliteStatement::bindText(int parameter, QByteArrayView utf8)
{
    m_sqlite.sqlite3_bind_text(m_statement, parameter, utf8.data(), int(utf8.size()), SQLITE_STATIC);
}

qint64 SqliteStatement::key(int column) const { return m_sqlite.sqlite3_column_int64(m_statement, column); }

int SqliteStatement::columnCount() const { return m_sqlite.sqlite3_column_count(m_statement); }

QByteArrayView SqliteStatement::text(int column) const
{
    return QByteArrayView(reinterpret_cast<const char *>(m_sqlite.sqlite3_column_text(m_statement, column)),
                          m_sqlite.sqlite3_column_bytes(m_statement, column));
}

QVariant SqliteStatement::value(int column) const
{
    switch (m_sqlite.sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return QString::number(m_sqlite.sqlite3_column_int64(m_statement, column));
    case SQLITE_FLOAT:
        return QString::number(m_sqlite.sqlite3_column_double(m_statement, column), 'g', QLocale::FloatingPointShortest);
    case SQLITE_TEXT: {
        const auto *text = reinterpret_cast<const char *>(m_sqlite.sqlite3_column_text(m_statement, column));
        return QString::fromUtf8(text, m_sqlite.sqlite3_column_bytes(m_statement, column));
    }
    case SQLITE_BLOB: {
        const auto *bytes = static_cast<const char *>(m_sqlite.sqlite3_column_blob(m_statement, column));
        return QByteArray(bytes, m_sqlite.sqlite3_column_bytes(m_statement, column));
    }
    default:
        return QVariant();
    }
}

void SqliteStatement::appendFolded(int column, FoldedColumn &to) const
{
    if (m_sqlite.sqlite3_column_type(m_statement, column) != SQLITE_TEXT) {
        // A number reads as its text; a picture or nothing as blank.
        const QVariant shown = value(column);
        to.append(foldCase(shown.typeId() == QMetaType::QString ? shown.toString() : QString()));
        return;
    }
    const auto *text = reinterpret_cast<const char *>(m_sqlite.sqlite3_column_text(m_statement, column));
    to.appendUtf8(QByteArrayView(text, m_sqlite.sqlite3_column_bytes(m_statement, column)));
}

void SqliteStatement::fail()
{
    const int code = m_sqlite.sqlite3_errcode(m_database);
    const QString message = QString::fromUtf8(m_sqlite.sqlite3_errmsg(m_database));
    if (m_statement)
        m_sqlite.sqlite3_reset(m_statement);
    throw storeFailure(m_action, code, message);
}
