#pragma once

#include "reference/TableStore.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// A temporary start folder whose DB folder holds the tables of one test.
class TableFolder {
public:
    QString data() const { return m_dir.filePath(QStringLiteral("DB")); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // An empty DB folder; false when the temporary folder could not be made.
    bool emptyFolder() const
    {
        return m_dir.isValid() && QDir(data()).removeRecursively() && QDir().mkpath(data());
    }

    std::unique_ptr<TableStore> open(const QString &file) const
    {
        auto table = std::make_unique<TableStore>();
        table->setDatabaseName(data() + u'/');
        table->setTableName(file);
        table->open();
        return table;
    }

private:
    QTemporaryDir m_dir;
};

// One column of the rows a table shows, as the grid reads them.
inline QStringList column(TableStore &table, const QString &field)
{
    QStringList values;
    const int at = table.fieldByName(field);
    for (int row = 0; row < table.rowCount(); ++row)
        values << table.rowText(row, at);
    return values;
}
