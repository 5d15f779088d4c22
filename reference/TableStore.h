#pragma once

#include "common/Failure.h"
#include "reference/FilterExpression.h"
#include "store/FoldedColumn.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>

class TableEngine;

// One reference table: an SQLite file holding one table, or the table of that
// name on the PostgreSQL server that the data folder names (see
// Server::connectionString), with a cursor on its current record, a record
// being edited or inserted, and a filter.
//
// Records keep their own order: the table's integer key (its rowid) is the
// place of the record, and a record inserted at the cursor takes a key between
// its neighbours, one that no record has ever had. The store keeps the keys in
// memory and reads records as they are shown.
//
// Another program may write to the same table at any time. Every write of the
// store takes the table's write lock first and then checks, by the engine's
// count of writes, whether another program wrote since the table was read: a
// record is changed or deleted only as it was read (a record merely moved by
// the spreading out of keys is followed), and a new record takes its key
// among the keys stored now. A column that is searched is read once, folded, and kept
// current as records change, so that a locate or a filter is one pass over
// memory; a filter on the text just located needs no pass of its own.
//
// Every failure throws a Failure with the text the user sees.
class TableStore : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    enum class FieldKind { Text, Memo, Picture };

    explicit TableStore(QObject *parent = nullptr);
    ~TableStore() override;

    // The data directory and the table's file name in it.
    void setDatabaseName(const QString &directory) { m_directory = directory; }
    QString databaseName() const { return m_directory; }
    void setTableName(const QString &fileName) { m_fileName = fileName; }
    QString tableName() const { return m_fileName; }

    // Opens the table; a missing folder or file, or a file that is not a
    // table, fails and creates nothing.
    void open();
    // Closes the table, storing a pending change first; always announces
    // afterClose(). A change that cannot be stored is dropped so that the
    // table still closes, and the failure is passed on afterwards.
    void close();
    bool isActive() const { return m_state != State::Inactive; }
    State state() const { return m_state; }

    // Columns, in the order shown: the table's order, with a column moved to
    // the front first.
    QStringList fieldNames() const;
    int fieldCount() const { return int(m_order.size()); }
    QString fieldName(int column) const;
    FieldKind fieldKind(int column) const;
    // The most characters a text column takes, as declared ("VARCHAR(40)");
    // 0 where the table sets no limit.
    int fieldWidth(int column) const;
    // The place of a column in the order shown, found ignoring letter case; -1 when missing.
    int findField(const QString &name) const;
    // As findField(), but a missing column fails.
    int fieldByName(const QString &name) const;
    void moveFieldToFront(const QString &name);

    // The current record. A memo reads and takes its whole text; a number
    // stored as a number reads as its shortest text.
    QString text(const QString &field) const;
    void setText(const QString &field, const QString &text);
    QByteArray picture(const QString &field) const;
    // Stores a bitmap; anything else empties the column.
    void setPicture(const QString &field, const QByteArray &data);

    // The cursor. Record numbers are 1-based places in the table's order.
    bool hasCurrent() const;
    void first();
    void last();
    int recNo() const;
    // A number that is not a record under the filter leaves the cursor where it is.
    void setRecNo(int number);
    // The key of the current record (see RecordKeys), which stays with the
    // record while others are added or deleted; nothing without one.
    std::optional<qint64> currentKey() const;
    // Moves to the record with the key; false (and no move) when no record
    // under the filter has it.
    bool setCurrentKey(qint64 key);
    // The records under the filter in force.
    int recordCount() const;
    // Whether the table's database (its file, or the server's database)
    // holds a table of this name beside it.
    bool hasTable(const QString &sqlName) const;
    // Moves to the first record under the filter whose column begins with
    // the text, ignoring letter case; false (and no move) when there is none.
    bool locate(const QString &field, const QString &prefix);
    // Starts reading the column a search on the field needs, on a thread of
    // its own, so that the first keystroke finds it read (a locate or a
    // filter on it waits for the rest); the read ahead of another column
    // stops unless it is done. Nothing when it is read already or the engine
    // reads only on its own connection.
    void foldAhead(const QString &field);
    // Whether a column is still being read ahead (a search may wait for it).
    bool isFoldingAhead() const;
    // Whether the last locate met a record whose column equals its text,
    // letter case not counting (anywhere in the table, filter or not).
    bool locatedEqual() const { return !m_scan.equal.isEmpty(); }

    // The filter expression (see FilterExpression) and whether it applies.
    // An expression that cannot be read, or names a missing column, fails
    // and leaves expression and filter as they were.
    QString filter() const { return m_filterText; }
    void setFilter(const QString &expression);
    bool isFiltered() const { return m_filtered; }
    void setFiltered(bool on);

    void edit();
    // Starts a new empty record before the current one.
    void insert();
    // Deletes the current record (a record being inserted is dropped). A
    // record that another program changed meanwhile is not deleted.
    void remove();
    // Stores the record being edited or inserted, as one transaction. An
    // edit of a record that another program changed or deleted meanwhile is
    // refused: the table is read again and the typed values stay, over the
    // record as stored now or in a new record at the place of a deleted one,
    // so that posting again stores them.
    void post();
    void cancel();
    // Changes one column of the current record from its value as stored now,
    // in one write that no other program can come between: `change` gets the
    // stored text and gives the new one, or nothing to leave the record as it
    // is. Returns whether it wrote. When another program wrote since the table
    // was read, the table is read again afterwards, so it shows the result.
    bool changeStored(const QString &field, const std::function<std::optional<QString>(const QString &stored)> &change);
    // Stores a changed record and drops an untouched new one, as moving the
    // cursor does.
    void postPending();
    bool isModified() const { return m_modified; }
    // Stores a pending change and reads the table again, with whatever
    // another program changed in it. A change refused for what another
    // program wrote stays to be posted again (see post()); one that cannot be
    // stored otherwise is dropped, as by close().
    void refresh();

    // The rows a grid shows: the records under the filter and, while one is
    // inserted, the new record at its place.
    int rowCount() const;
    int currentRow() const;
    void moveToRow(int row);
    QVariant rowValue(int row, int column) const;
    QString rowText(int row, int column) const;
    void setRowText(int row, int column, const QString &text);

Q_SIGNALS:
    // The rows, columns or table changed as a whole.
    void aboutToReset();
    void wasReset();
    // One row's values changed.
    void rowChanged(int row);
    void currentRowChanged();
    // After every close, successful or not.
    void afterClose();

private:
    struct Field {
        QString name;
        QString folded;
        QString sqlName;
        FieldKind kind = FieldKind::Text;
        int width = 0;
    };
    class ResetScope;

    void requireActive() const;
    std::optional<Failure> postOrDropPending(bool keepRefused = false);
    QString openAction() const;
    QString failureText(const QString &what) const;
    QString tablePath() const;
    void readFields();
    void readKeys();
    QStringList sqlNames() const;  // of the columns, in the table's order
    QList<QVariant> fetchRecord(qint64 key) const;
    std::optional<QList<QVariant>> storedRecord(qint64 key) const;
    // The key of a stored record holding exactly these values, the nearest to `near`.
    std::optional<qint64> findRecord(const QList<QVariant> &values, qint64 near) const;
    bool othersWrote() const;
    // Inside a write: the key under which the record read with these values
    // is stored now (nothing when it is gone), and whether another program
    // changed it.
    std::optional<qint64> recordInFile(qint64 key, const QList<QVariant> &read, bool *changed) const;
    const QList<QVariant> &cachedRecord(qint64 key) const;
    const FoldedColumn &foldedColumn(int field) const;
    int fieldIndex(const QString &name) const;  // index into m_fields or -1
    int requireField(const QString &name) const;
    QVariant currentValue(int field) const;
    void setCurrentValue(int field, const QVariant &value);
    static QString displayText(const QVariant &value);

    FilterExpression parseFilter(const QString &expression) const;
    bool filterActive() const { return m_filtered && !m_parsedFilter.isBlank(); }
    void applyFilter();
    bool isVisible(int position) const;
    int visibleIndex(int position) const;
    int rowPosition(int row) const;
    void setCursor(int position);

    void postEdit();
    [[noreturn]] void refuseEdit(bool recordExists);
    void postInsert();
    // The key for a record placed before the record at this position, or at the end.
    qint64 keyBefore(int position);
    // Reads the table again, the cursor staying on the record with the key
    // (by default the current one) while it exists.
    void reload(std::optional<qint64> keep = std::nullopt);

    QString m_directory;
    QString m_fileName;
    std::unique_ptr<TableEngine> m_engine;
    State m_state = State::Inactive;

    QList<Field> m_fields;
    QList<int> m_order;  // shown column -> m_fields index
    QList<qint64> m_keys;  // record keys in table order
    // Folded values of the columns searched so far, by position.
    mutable std::map<int, FoldedColumn> m_columns;
    // Columns being read ahead on other threads (see foldAhead), each taken
    // into m_columns when a search needs it or before a write of this store.
    struct ColumnAhead {
        std::unique_ptr<std::atomic_bool> stopped;
        std::future<FoldedColumn> column;
    };
    mutable std::map<int, ColumnAhead> m_ahead;
    // Waits for the column read ahead (or all of them) and keeps it, unless
    // its read failed.
    void takeColumnAhead(int field) const;
    void takeColumnsAhead() const;
    // Stops the reads ahead and drops what they read (the keys change).
    void dropColumnsAhead();
    // What the last locate found on its way through a column.
    struct Scan {
        int field = -1;
        QString text;
        QList<int> equal;    // positions whose value equals the text
        QList<int> notLess;  // positions whose value is not less than it
    };
    Scan m_scan;
    mutable QHash<qint64, QList<QVariant>> m_cache;

    QString m_filterText;
    FilterExpression m_parsedFilter;
    bool m_filtered = false;
    bool m_filterStale = false;
    QList<int> m_visible;  // positions under the filter, ascending
    QList<char> m_mask;    // per position: under the filter

    int m_cursor = -1;  // position of the current record
    QList<QVariant> m_buffer;
    QList<QVariant> m_original;  // the edited record as it was read
    // Why the last post was refused, for a change then dropped.
    QString m_refusal;
    QList<bool> m_changed;
    bool m_modified = false;
    int m_insertPosition = -1;  // where the new record goes
    int m_insertRow = -1;       // the row it is shown in
};
