#include "store/SqlNames.h"

namespace Store {

const QString KeyColumn = QStringLiteral("__order");

QString quoted(const QString &identifier)
{
    QString text = identifier;
    text.replace(u'"', QStringLiteral("\"\""));
    return u'"' + text + u'"';
}

QString sqliteType(const Column &column)
{
    switch (column.kind) {
    case Kind::Memo:
        return QStringLiteral("CLOB");
    case Kind::Picture:
        return QStringLiteral("BLOB");
    case Kind::Integer:
        return QStringLiteral("INTEGER");
    case Kind::Text:
        break;
    }
    return column.width > 0 ? QStringLiteral("VARCHAR(%1)").arg(column.width) : QStringLiteral("TEXT");
}

QString postgresType(const Column &column)
{
    switch (column.kind) {
    case Kind::Memo:
        return QStringLiteral("text");
    case Kind::Picture:
        return QStringLiteral("bytea");
    case Kind::Integer:
        return QStringLiteral("bigint");
    case Kind::Text:
        break;
    }
    return column.width > 0 ? QStringLiteral("varchar(%1)").arg(column.width) : QStringLiteral("text");
}

} // namespace Store
