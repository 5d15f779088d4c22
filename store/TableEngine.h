#pragma once

#include "store/FoldedColumn.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <functional>
#include <optional>

// A column as the table declares it.
struct TableColumn {
    QString name;
    bool isKey = false;       // the record's key (SQLite's rowid, the server's "__order"), not data
    bool isPicture = false;   // BLOB, GRAPHIC, IMAGE, PICTURE; bytea
    bool isMemo = false;      // CLOB, MEMO; text
    int width = 0;            // CHAR(n); 0 for no limit
};
struct TableLayout {
    QString name;
    QList<TableColumn> columns;
};

// Where the records of one reference table are kept: an SQLite file
// (SqliteEngine) or a table on a PostgreSQL server (PostgresTable). The
// table store asks it for nothing else, so that no window knows which one
// it has. Records are addressed by their integer key, which is their place
// in the table's order. Values are as the store holds them: a text (numbers
// as their shortest text), the bytes of a picture, or nothing.
//
// Every failure throws the store's Failure with the text the user sees.
class TableEngine {
public:
    virtual ~TableEngine() = default;

    // The table as the user's messages name it, in quotation marks.
    virtual QString place() const = 0;
    // The table's columns, in its order; `openAction` opens the message of a failure.
    virtual TableLayout readTable(const QString &openAction) = 0;
    // The columns that records are read and written by from now on, quoted, in the table's order.
    virtual void useColumns(const QStringList &columns) = 0;
    // The keys of the records, ascending.
    virtual QList<qint64> readKeys() = 0;

    // Takes the table as read now; othersWrote() tells whether another
    // program wrote to it since. Inside a write, what it tells holds until the commit.
    virtual void markRead() = 0;
    virtual bool othersWrote() = 0;

    // A write: the table's write lock first (another program's write is
    // waited for up to the busy time), then everything up to the commit or
    // the rollback as one transaction.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;
    // The next serial of the table's keys, never given before (see RecordKeys).
    virtual quint32 takeSerial() = 0;

    // The record's values, or nothing when no record has the key.
    virtual std::optional<QList<QVariant>> readRecord(qint64 key) = 0;
    // The key of a record holding exactly these values, the nearest to `near`.
    virtual std::optional<qint64> findRecord(const QList<QVariant> &values, qint64 near) = 0;
    // Whether the database holds a table of this name beside this one.
    virtual bool hasTable(const QString &sqlName) = 0;
    // The folded values of one column, for each of the keys (blank for a key
    // no record has any more), read in one pass.
    virtual FoldedColumn readFolded(const QString &column, const QList<qint64> &keys) = 0;
    // The same read as a task that another thread runs on a connection of its
    // own while this one goes on; once `stopped` is set it may give up and
    // return a part. Empty where the engine has none: the column is then read
    // when it is needed.
    using FoldTask = std::function<FoldedColumn(const std::atomic_bool &stopped)>;
    virtual FoldTask foldTask(const QString &column, const QList<qint64> &keys)
    {
        Q_UNUSED(column);
        Q_UNUSED(keys);
        return {};
    }
    // A fold task's read of the keys: a large table (from SplitFoldFrom
    // records) in two halves, on two threads where there are two cores
    // (folding is most of the work), the second half on a thread of its own.
    static constexpr qsizetype SplitFoldFrom = 20000;
    using PartRead = std::function<FoldedColumn(const QList<qint64> &part)>;
    static FoldedColumn readInHalves(const QList<qint64> &keys, const PartRead &readPart);

    // The writes; each runs inside begin() and commit().
    virtual void updateRecord(qint64 key, const QStringList &columns, const QList<QVariant> &values) = 0;
    // A record with a value for each column in use.
    virtual void insertRecord(qint64 key, const QList<QVariant> &values) = 0;
    virtual void deleteRecord(qint64 key) = 0;
    // Gives the records of the keys `from` the keys `to`, which no record holds.
    virtual void moveRecords(const QList<qint64> &from, const QList<qint64> &to) = 0;
};

// One write on an engine: begun on construction, rolled back on destruction
// unless committed, so a failure half-way leaves the table as it was.
class EngineWrite {
public:
    explicit EngineWrite(TableEngine &engine) : m_engine(engine)
    {
        m_engine.begin();
        m_open = true;
    }
    ~EngineWrite() { rollback(); }
    EngineWrite(const EngineWrite &) = delete;
    EngineWrite &operator=(const EngineWrite &) = delete;

    void commit()
    {
        m_engine.commit();
        m_open = false;
    }
    void rollback() noexcept
    {
        if (m_open)
            m_engine.rollback();
        m_open = false;
    }

private:
    TableEngine &m_engine;
    bool m_open = false;
};
