#pragma once

#include "store/SqlDialect.h"

// The register's tables in an SQLite file (see SqlDialect): the file's write
// lock from BEGIN IMMEDIATE, the rowid as the key, Firm.db attached for a
// print, and the fast read straight from SQLite on Qt's connection.
class SqliteDialect final : public SqlDialect {
public:
    Failure failure(const QString &action, const QSqlError &error) const override;
    bool connectionLost(const QSqlError &error) const override;
    bool busy(const QSqlError &error) const override;
    QString columnType(const Store::Column &column) const override;
    QString idKey() const override;
    QString rowKey() const override;
    bool keysInCommitOrder() const override;
    QString dataVersion() const override;
    QString hiddenKeyColumn() const override;
    QString fieldName(const QString &column) const override;
    QString begin() const override;
    QStringList lockTable(const QString &table) const override;
    QString lastId() const override;
    QString contains() const override;
    std::pair<QString, QVariantList> tableExists(const QString &table) const override;
    std::pair<QString, QVariantList> indexExists(const QString &index) const override;
    std::pair<QString, QVariantList> columnExists(const QString &table, const QString &column) const override;
    QStringList beforeMaking(const QString &what) const override;
    QStringList afterMaking() const override;
    QStringList refusal(const QString &name, const QString &event, const QString &table,
                        const QString &condition) const override;
    QStringList refusalFunction() const override;
    QStringList refuseTruncate(const QString &name, const QString &table) const override;
    bool attach(QSqlDatabase &database, const QString &schema, const QString &path,
                const QString &action) const override;
    void detach(QSqlDatabase &database, const QString &schema) const override;
    QString attachedTable(const QSqlDatabase &database, const QString &schema, const QString &fileName,
                          const QString &tableName, const QString &action) const override;
    QStringList tables(const QSqlDatabase &database, const QString &action) const override;
    QList<ColumnInfo> columns(const QSqlDatabase &database, const QString &table,
                              const QString &action) const override;
    QStringList remark(const QString &table, const QString &column, const QString &text) const override;
    quint32 serial(const QSqlDatabase &database, const QString &table, const QString &action) const override;
    void setSerial(QSqlDatabase &database, const QString &table, quint32 serial,
                   const QString &action) const override;
    void continueKeys(QSqlDatabase &database, const QString &table, const QString &column,
                      const QString &action) const override;
    std::unique_ptr<RowScan> scan(const QSqlDatabase &database, const QString &sql, const QVariantList &texts,
                                  const QString &action) const override;
};
