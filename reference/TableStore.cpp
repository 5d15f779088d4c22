#include "reference/TableStore.h"

#include "common/Failure.h"
#include "common/Logging.h"
#include "reference/Schema.h"
#include "reference/StoreFailure.h"
#include "reference/Transaction.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <algorithm>
#include <limits>
#include <sqlite3.h>

namespace {

using Schema::quoted;

// Every key the store gives ends in a serial number of its own (the low 32
// bits), counted on in the file's user_version, so that no key is ever given
// twice: a program still showing a record that another program deleted can
// never reach a record added after it. The bits above place the record.
constexpr int SerialBits = 32;
constexpr __int128 SerialPeriod = __int128(1) << SerialBits;
// Keys of the table maker's records end in 24 zero bits: no serial does.
constexpr quint32 MakerKeyBits = (quint32(1) << 24) - 1;
// Gap left between the keys of records appended at the end; a record inserted
// between two others takes a key near the middle of their gap.
constexpr qint64 KeyStep = qint64(1) << 40;
// Records whose gap is used up are spread out again to at least this gap,
// which holds a key for any serial.
constexpr qint64 MinimumGap = qint64(1) << (SerialBits + 2);
constexpr qsizetype CacheLimit = 4096;

const QString CannotStore = QStringLiteral("Записът не може да бъде съхранен");
const QString DeletedByOther = QStringLiteral("Записът не може да бъде съхранен: друга програма го е изтрила.");
const QString ChangedByOther = QStringLiteral("Записът не може да бъде съхранен: друга програма го е променила.");
const QString ChangedWhileEditing = QStringLiteral(
    "Записът е променен от друга програма, докато го редактирахте, и промените ви не са съхранени. "
    "Таблицата е прочетена отново; въведеното от вас е оставено в записа: съхранете го отново, "
    "за да замени промяната на другата програма.");
const QString DeletedWhileEditing = QStringLiteral(
    "Записът е изтрит от друга програма, докато го редактирахте, и промените ви не са съхранени. "
    "Таблицата е прочетена отново; въведеното от вас е оставено в нов запис на мястото на изтрития: "
    "съхранете го, за да го запишете отново.");
const QString ChangedBeforeDelete = QStringLiteral(
    "Записът не е изтрит: друга програма го е променила, след като е показан. "
    "Таблицата е прочетена отново; прегледайте записа и го изтрийте отново, ако още е нужно.");

// The key strictly between low and high, nearest their middle, that ends in
// the serial; nothing when the gap holds none.
std::optional<qint64> keyWithSerial(__int128 low, __int128 high, quint32 serial)
{
    const __int128 middle = low + (high - low) / 2;
    __int128 below = (middle - serial) % SerialPeriod;
    if (below < 0)
        below += SerialPeriod;
    __int128 key = middle - below;
    if (key <= low)
        key += SerialPeriod;
    if (key <= low || key >= high)
        return std::nullopt;
    return qint64(key);
}

QString missingField(const QString &name)
{
    return QStringLiteral("Полето „%1“ не е намерено.").arg(name);
}

int connectionCounter = 0;

} // namespace

bool isBitmap(const QByteArray &data)
{
    // "BM", then the file header (14 bytes) and the size of the info header
    // that follows, which is one of the sizes the BMP versions define.
    if (data.size() < 26 || !data.startsWith("BM"))
        return false;
    const auto byte = [&](int i) { return quint32(quint8(data[i])); };
    const quint32 infoSize = byte(14) | byte(15) << 8 | byte(16) << 16 | byte(17) << 24;
    const quint32 pixelsAt = byte(10) | byte(11) << 8 | byte(12) << 16 | byte(13) << 24;
    const bool knownInfo = infoSize == 12 || infoSize == 16 || infoSize == 40 || infoSize == 52
                           || infoSize == 56 || infoSize == 64 || infoSize == 108 || infoSize == 124;
    return knownInfo && pixelsAt >= 14 + infoSize && pixelsAt <= quint32(data.size());
}

// A prepared statement on the connection's SQLite handle, for the reads that
// go through many records at once.
class TableStore::Statement {
public:
    Statement(sqlite3 *database, const QString &sql) : m_database(database)
    {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(database, text.constData(), int(text.size()), &m_statement, nullptr) != SQLITE_OK)
            fail();
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool step()
    {
        const int result = sqlite3_step(m_statement);
        if (result == SQLITE_ROW)
            return true;
        if (result != SQLITE_DONE)
            fail();
        return false;
    }
    void reset() { sqlite3_reset(m_statement); }
    void bind(int parameter, qint64 value) { sqlite3_bind_int64(m_statement, parameter, value); }
    qint64 key(int column) const { return sqlite3_column_int64(m_statement, column); }

    // A value as the store holds it: a text (numbers as their shortest text),
    // the bytes of a picture, or nothing.
    QVariant value(int column) const
    {
        switch (sqlite3_column_type(m_statement, column)) {
        case SQLITE_INTEGER:
            return QString::number(sqlite3_column_int64(m_statement, column));
        case SQLITE_FLOAT:
            return QString::number(sqlite3_column_double(m_statement, column), 'g',
                                   QLocale::FloatingPointShortest);
        case SQLITE_TEXT: {
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
            return QString::fromUtf8(text, sqlite3_column_bytes(m_statement, column));
        }
        case SQLITE_BLOB: {
            const auto *bytes = static_cast<const char *>(sqlite3_column_blob(m_statement, column));
            return QByteArray(bytes, sqlite3_column_bytes(m_statement, column));
        }
        default:
            return QVariant();
        }
    }

    // Adds the value's text, folded as a search compares it (see foldCase).
    void appendFolded(int column, FoldedColumn &to) const
    {
        if (sqlite3_column_type(m_statement, column) != SQLITE_TEXT) {
            to.append(foldCase(displayText(value(column))));
            return;
        }
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        to.appendUtf8(QByteArrayView(text, sqlite3_column_bytes(m_statement, column)));
    }

private:
    [[noreturn]] void fail()
    {
        const int code = sqlite3_errcode(m_database);
        const QString message = QString::fromUtf8(sqlite3_errmsg(m_database));
        if (m_statement)
            sqlite3_reset(m_statement);
        throw storeFailure(QStringLiteral("Таблицата не може да бъде прочетена"), code, message);
    }

    sqlite3 *m_database;
    sqlite3_stmt *m_statement = nullptr;
};

// Announces a change of the rows as a whole around the change.
class TableStore::ResetScope {
public:
    explicit ResetScope(TableStore *store) : m_store(store) { Q_EMIT m_store->aboutToReset(); }
    ~ResetScope() { Q_EMIT m_store->wasReset(); }

private:
    TableStore *m_store;
};

TableStore::TableStore(QObject *parent) : QObject(parent) {}

TableStore::~TableStore()
{
    if (!m_connection.isEmpty()) {
        m_fetch.reset();
        m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

QString TableStore::tablePath() const
{
    return QDir(m_directory).filePath(m_fileName);
}

QString TableStore::openAction() const
{
    return QStringLiteral("Таблицата „%1“ не може да бъде отворена").arg(QDir::toNativeSeparators(tablePath()));
}

QString TableStore::failureText(const QString &what) const
{
    return openAction() + QStringLiteral(": ") + what;
}

sqlite3 *TableStore::handle() const
{
    const QVariant handle = m_database.driver()->handle();
    return *static_cast<sqlite3 *const *>(handle.constData());
}

void TableStore::requireActive() const
{
    if (!isActive())
        throw Failure(QStringLiteral("Таблицата не е отворена."));
}

// ---------------------------------------------------------------- open, close

void TableStore::open()
{
    if (isActive())
        return;
    if (m_directory.isEmpty() || !QFileInfo(m_directory).isDir())
        throw Failure(QStringLiteral("Папката с таблиците „%1“ не съществува.")
                          .arg(QDir::toNativeSeparators(m_directory)));
    const QString path = tablePath();
    if (!QFileInfo(path).isFile())
        throw Failure(QStringLiteral("Таблицата „%1“ не съществува.").arg(QDir::toNativeSeparators(path)));

    ResetScope reset(this);
    m_connection = QStringLiteral("bilvaro.table.%1").arg(++connectionCounter);
    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    // Read and write, but never create: a file that vanished since the check
    // above fails to open instead of coming back empty.
    m_database.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutSeconds * 1000));
    m_database.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)
                               + QStringLiteral("?mode=rw"));
    try {
        if (!m_database.open())
            throw storeFailure(openAction(), m_database.lastError());
        readFields();
        m_parsedFilter = parseFilter(m_filterText);
        m_dataVersion = dataVersion();
        readKeys();
    } catch (...) {
        m_fields.clear();
        m_order.clear();
        m_keys.clear();
        m_fetch.reset();
        m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
        m_connection.clear();
        throw;
    }
    m_state = State::Browse;
    m_cursor = m_keys.isEmpty() ? -1 : 0;
    if (filterActive())
        applyFilter();
}

void TableStore::close()
{
    std::optional<Failure> dropped;
    if (isActive()) {
        // A change the user made is stored, not lost with the table.
        dropped = postOrDropPending();
        ResetScope reset(this);
        m_state = State::Inactive;
        m_columns.clear();
        m_scan = Scan();
        m_cache.clear();
        m_fetch.reset();
        m_fields.clear();
        m_order.clear();
        m_keys.clear();
        m_visible.clear();
        m_mask.clear();
        m_buffer.clear();
        m_changed.clear();
        m_modified = false;
        m_cursor = m_insertPosition = m_insertRow = -1;
        m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
        m_connection.clear();
    }
    Q_EMIT afterClose();
    if (dropped)
        throw *dropped;
}

void TableStore::readFields()
{
    QSqlQuery tables(m_database);
    if (!tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                    "AND name NOT LIKE 'sqlite~_%' ESCAPE '~' ORDER BY rowid")))
        throw storeFailure(openAction(), tables.lastError());
    QStringList names;
    while (tables.next())
        names << tables.value(0).toString();
    tables.finish();
    if (names.isEmpty())
        throw Failure(failureText(QStringLiteral("файлът не съдържа таблица")));
    // The table named like its file, else the first one.
    const QString baseName = QFileInfo(m_fileName).completeBaseName();
    m_sqlTable = names.first();
    for (const QString &name : names) {
        if (name.compare(baseName, Qt::CaseInsensitive) == 0)
            m_sqlTable = name;
    }

    QSqlQuery columns(m_database);
    if (!columns.exec(QStringLiteral("PRAGMA table_info(%1)").arg(quoted(m_sqlTable))))
        throw storeFailure(openAction(), columns.lastError());
    struct Column {
        QString name, type;
        int key;
    };
    QList<Column> found;
    int keyColumns = 0;
    while (columns.next()) {
        found.append({columns.value(1).toString(), columns.value(2).toString().toUpper(),
                      columns.value(5).toInt()});
        if (found.last().key > 0)
            ++keyColumns;
    }
    columns.finish();

    m_fields.clear();
    for (const Column &column : found) {
        // An INTEGER PRIMARY KEY is the record's key and place, not data.
        if (keyColumns == 1 && column.key == 1 && column.type == QLatin1String("INTEGER"))
            continue;
        // Records are addressed by their rowid, which a column of that name would hide.
        if (column.name.compare(QLatin1String("rowid"), Qt::CaseInsensitive) == 0)
            throw Failure(failureText(QStringLiteral("колоната „%1“ закрива номера на записа").arg(column.name)));
        Field field;
        field.name = column.name;
        field.folded = foldCase(column.name);
        field.sqlName = quoted(column.name);
        if (column.type.contains(QLatin1String("BLOB")) || column.type.contains(QLatin1String("GRAPHIC"))
            || column.type.contains(QLatin1String("IMAGE")) || column.type.contains(QLatin1String("PICTURE")))
            field.kind = FieldKind::Picture;
        else if (column.type.contains(QLatin1String("CLOB")) || column.type.contains(QLatin1String("MEMO")))
            field.kind = FieldKind::Memo;
        static const QRegularExpression declaredWidth(QStringLiteral("CHAR\\s*\\(\\s*(\\d+)\\s*\\)"));
        if (const auto match = declaredWidth.match(column.type); match.hasMatch())
            field.width = match.captured(1).toInt();
        m_fields.append(field);
    }
    m_order.clear();
    for (int i = 0; i < m_fields.size(); ++i)
        m_order.append(i);
}

void TableStore::readKeys()
{
    Statement keys(handle(), QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid").arg(quoted(m_sqlTable)));
    m_keys.clear();
    while (keys.step())
        m_keys.append(keys.key(0));
    m_columns.clear();
    m_scan = Scan();
    m_cache.clear();
}

qint64 TableStore::dataVersion() const
{
    Statement version(handle(), QStringLiteral("PRAGMA data_version"));
    return version.step() ? version.key(0) : 0;
}

// ---------------------------------------------------------------- columns

QStringList TableStore::fieldNames() const
{
    QStringList names;
    for (int field : m_order)
        names << m_fields[field].name;
    return names;
}

QString TableStore::fieldName(int column) const
{
    return m_fields[m_order[column]].name;
}

TableStore::FieldKind TableStore::fieldKind(int column) const
{
    return m_fields[m_order[column]].kind;
}

int TableStore::fieldWidth(int column) const
{
    return m_fields[m_order[column]].width;
}

int TableStore::fieldIndex(const QString &name) const
{
    const QString folded = foldCase(name);
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].folded == folded)
            return i;
    }
    return -1;
}

int TableStore::requireField(const QString &name) const
{
    requireActive();
    const int field = fieldIndex(name);
    if (field < 0)
        throw Failure(missingField(name));
    return field;
}

int TableStore::findField(const QString &name) const
{
    const int field = fieldIndex(name);
    return field < 0 ? -1 : int(m_order.indexOf(field));
}

int TableStore::fieldByName(const QString &name) const
{
    return int(m_order.indexOf(requireField(name)));
}

void TableStore::moveFieldToFront(const QString &name)
{
    const int field = requireField(name);
    ResetScope reset(this);
    m_order.removeOne(field);
    m_order.prepend(field);
}

// ---------------------------------------------------------------- values

QString TableStore::displayText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    return QString();
}

const QList<QVariant> &TableStore::cachedRecord(qint64 key) const
{
    auto found = m_cache.constFind(key);
    if (found != m_cache.cend())
        return *found;
    if (m_cache.size() >= CacheLimit)
        m_cache.clear();
    return *m_cache.insert(key, fetchRecord(key));
}

QList<QVariant> TableStore::fetchRecord(qint64 key) const
{
    return storedRecord(key).value_or(QList<QVariant>(m_fields.size()));
}

std::optional<QList<QVariant>> TableStore::storedRecord(qint64 key) const
{
    if (!m_fetch) {
        QStringList columns;
        for (const Field &field : m_fields)
            columns << field.sqlName;
        const QString list = columns.isEmpty() ? QStringLiteral("NULL") : columns.join(u',');
        m_fetch = std::make_unique<Statement>(
            handle(), QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(list, quoted(m_sqlTable)));
    }
    std::optional<QList<QVariant>> values;
    m_fetch->bind(1, key);
    try {
        if (m_fetch->step()) {
            values.emplace(m_fields.size());
            for (int i = 0; i < m_fields.size(); ++i)
                (*values)[i] = m_fetch->value(i);
        }
    } catch (...) {
        m_fetch->reset();
        throw;
    }
    m_fetch->reset();
    return values;
}

std::optional<qint64> TableStore::findRecord(const QList<QVariant> &values, qint64 near) const
{
    // A record of blanks only, or one never read, cannot be told from another.
    if (values.size() != m_fields.size()
        || std::all_of(values.cbegin(), values.cend(), [](const QVariant &value) { return value.isNull(); }))
        return std::nullopt;
    QStringList columns{QStringLiteral("rowid")};
    for (const Field &field : m_fields)
        columns << field.sqlName;
    Statement records(handle(), QStringLiteral("SELECT %1 FROM %2").arg(columns.join(u','), quoted(m_sqlTable)));
    std::optional<qint64> found;
    const auto distance = [near](qint64 key) { return key > near ? __int128(key) - near : __int128(near) - key; };
    while (records.step()) {
        bool same = true;
        for (int i = 0; same && i < m_fields.size(); ++i)
            same = records.value(i + 1) == values[i];
        if (same && (!found || distance(records.key(0)) < distance(*found)))
            found = records.key(0);
    }
    return found;
}

bool TableStore::othersWrote() const
{
    return dataVersion() != m_dataVersion;
}

std::optional<qint64> TableStore::recordInFile(qint64 key, const QList<QVariant> &read, bool *changed) const
{
    *changed = false;
    if (!othersWrote())
        return key;
    if (const auto stored = storedRecord(key)) {
        *changed = *stored != read;
        return key;
    }
    // Spreading out keys moves records without changing them.
    return findRecord(read, key);
}

QVariant TableStore::currentValue(int field) const
{
    if (m_state == State::Edit || m_state == State::Insert)
        return m_buffer[field];
    if (m_cursor < 0)
        return QVariant();
    return cachedRecord(m_keys[m_cursor])[field];
}

void TableStore::setCurrentValue(int field, const QVariant &value)
{
    if (m_state != State::Edit && m_state != State::Insert)
        throw Failure(QStringLiteral("Записът не е в режим на редактиране."));
    if (m_buffer[field] == value && m_buffer[field].isNull() == value.isNull())
        return;
    m_buffer[field] = value;
    m_changed[field] = true;
    m_modified = true;
    Q_EMIT rowChanged(currentRow());
}

QString TableStore::text(const QString &field) const
{
    const int index = requireField(field);
    return displayText(currentValue(index));
}

void TableStore::setText(const QString &field, const QString &text)
{
    const int index = requireField(field);
    if (m_fields[index].kind == FieldKind::Picture)
        throw Failure(QStringLiteral("Полето „%1“ съдържа картина, а не текст.").arg(m_fields[index].name));
    setCurrentValue(index, text.isEmpty() ? QVariant() : QVariant(text));
}

QByteArray TableStore::picture(const QString &field) const
{
    const int index = requireField(field);
    const QVariant value = currentValue(index);
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

void TableStore::setPicture(const QString &field, const QByteArray &data)
{
    const int index = requireField(field);
    setCurrentValue(index, isBitmap(data) ? QVariant(data) : QVariant());
}

// ---------------------------------------------------------------- cursor

bool TableStore::isVisible(int position) const
{
    return !filterActive() || m_mask[position];
}

int TableStore::visibleIndex(int position) const
{
    if (position < 0)
        return -1;
    if (!filterActive())
        return position;
    const auto it = std::lower_bound(m_visible.cbegin(), m_visible.cend(), position);
    return (it != m_visible.cend() && *it == position) ? int(it - m_visible.cbegin()) : -1;
}

bool TableStore::hasCurrent() const
{
    return isActive() && (m_state == State::Insert || m_cursor >= 0);
}

void TableStore::setCursor(int position)
{
    if (position == m_cursor)
        return;
    m_cursor = position;
    Q_EMIT currentRowChanged();
}

int TableStore::recordCount() const
{
    if (!isActive())
        return 0;
    return filterActive() ? int(m_visible.size()) : int(m_keys.size());
}

void TableStore::first()
{
    requireActive();
    postPending();
    if (recordCount() > 0)
        setCursor(filterActive() ? m_visible.first() : 0);
}

void TableStore::last()
{
    requireActive();
    postPending();
    if (recordCount() > 0)
        setCursor(filterActive() ? m_visible.last() : int(m_keys.size()) - 1);
}

int TableStore::recNo() const
{
    if (m_state == State::Insert)
        return m_insertPosition + 1;
    return m_cursor + 1;
}

void TableStore::setRecNo(int number)
{
    requireActive();
    postPending();
    const int position = number - 1;
    if (position >= 0 && position < m_keys.size() && isVisible(position))
        setCursor(position);
}

bool TableStore::locate(const QString &field, const QString &prefix)
{
    const int index = requireField(field);
    postPending();
    const FoldedColumn &values = foldedColumn(index);
    // One pass that also keeps the records equal to the text and those not
    // less than it: the search filters on the same text next.
    Scan scan;
    scan.field = index;
    scan.text = searchKey(foldCase(prefix)).toString();
    const FoldedColumn::Probe text = FoldedColumn::probe(scan.text);
    int found = -1;
    // Written in place: half a large table or more may be not less.
    scan.notLess.resize(values.size());
    int *notLess = scan.notLess.data();
    for (int position = 0; position < values.size(); ++position) {
        const int order = values.compare(position, text);
        if (order < 0)
            continue;
        *notLess++ = position;
        if (order == 0)
            scan.equal.append(position);
        if (found < 0 && isVisible(position) && values.startsWith(position, text))
            found = position;
    }
    scan.notLess.resize(notLess - scan.notLess.constData());
    m_scan = std::move(scan);
    if (found < 0)
        return false;
    setCursor(found);
    return true;
}

const FoldedColumn &TableStore::foldedColumn(int field) const
{
    auto found = m_columns.find(field);
    if (found != m_columns.end())
        return found->second;
    // Keys and values both come in key order: a record that another program
    // added since the keys were read is passed over, one it deleted reads blank.
    Statement values(handle(), QStringLiteral("SELECT rowid, %1 FROM %2 ORDER BY rowid")
                                   .arg(m_fields[field].sqlName, quoted(m_sqlTable)));
    FoldedColumn folded;
    folded.reserve(m_keys.size());
    bool more = values.step();
    for (qint64 key : m_keys) {
        while (more && values.key(0) < key)
            more = values.step();
        if (more && values.key(0) == key) {
            values.appendFolded(1, folded);
            more = values.step();
        } else {
            folded.append(QStringView());
        }
    }
    return m_columns.emplace(field, std::move(folded)).first->second;
}

// ---------------------------------------------------------------- filter

FilterExpression TableStore::parseFilter(const QString &expression) const
{
    // Without an open table the column is checked when one opens.
    FilterExpression parsed = FilterExpression::parse(expression);
    if (!parsed.isBlank() && !m_connection.isEmpty() && fieldIndex(parsed.column()) < 0)
        throw Failure(missingField(parsed.column()));
    return parsed;
}

void TableStore::setFilter(const QString &expression)
{
    FilterExpression parsed = parseFilter(expression);
    if (isActive())
        postPending();
    m_filterText = expression;
    m_parsedFilter = parsed;
    if (isActive() && m_filtered) {
        ResetScope reset(this);
        applyFilter();
    }
}

void TableStore::setFiltered(bool on)
{
    if (isActive())
        postPending();
    if (on == m_filtered)
        return;
    m_filtered = on;
    if (isActive()) {
        ResetScope reset(this);
        applyFilter();
    }
}

void TableStore::applyFilter()
{
    m_filterStale = false;
    if (!filterActive()) {
        m_visible.clear();
        m_mask.clear();
        if (m_cursor < 0 && !m_keys.isEmpty())
            setCursor(0);
        return;
    }
    const int field = fieldIndex(m_parsedFilter.column());
    const QString &text = m_parsedFilter.foldedText();
    if (m_scan.field == field && m_scan.text == text && !m_parsedFilter.isPrefix()) {
        // The search's locate has just gone through the column for this text.
        m_visible = m_parsedFilter.op() == FilterExpression::Operator::NotLess ? m_scan.notLess : m_scan.equal;
    } else {
        // As FilterExpression::matchesFolded(), through the column's comparison.
        const FoldedColumn &values = foldedColumn(field);
        const FoldedColumn::Probe probe = FoldedColumn::probe(text);
        const auto passes = [&](int position) {
            if (m_parsedFilter.op() == FilterExpression::Operator::NotLess)
                return values.compare(position, probe) >= 0;
            if (m_parsedFilter.isPrefix())
                return values.startsWith(position, probe);
            return values.compare(position, probe) == 0;
        };
        m_visible.clear();
        for (int position = 0; position < values.size(); ++position) {
            if (passes(position))
                m_visible.append(position);
        }
    }
    // A new list: Qt 6.4's fill() with a size asserts on a list that has
    // room at its front after removals.
    m_mask = QList<char>(m_keys.size(), 0);
    for (int position : std::as_const(m_visible))
        m_mask[position] = 1;
    // The cursor stays on its record while the filter lets it through.
    if (m_cursor < 0 || !m_mask[m_cursor])
        setCursor(m_visible.isEmpty() ? -1 : m_visible.first());
}

// ---------------------------------------------------------------- editing

void TableStore::edit()
{
    requireActive();
    if (m_state != State::Browse)
        return;
    if (m_cursor < 0)
        throw Failure(QStringLiteral("Няма текущ запис."));
    m_original = cachedRecord(m_keys[m_cursor]);
    m_buffer = m_original;
    m_changed = QList<bool>(m_fields.size(), false);
    m_modified = false;
    m_state = State::Edit;
}

void TableStore::insert()
{
    requireActive();
    postPending();
    ResetScope reset(this);
    m_insertPosition = m_cursor >= 0 ? m_cursor : int(m_keys.size());
    m_insertRow = m_cursor >= 0 ? visibleIndex(m_cursor) : recordCount();
    m_buffer = QList<QVariant>(m_fields.size());
    m_changed = QList<bool>(m_fields.size(), false);
    m_modified = false;
    m_state = State::Insert;
    Q_EMIT currentRowChanged();
}

void TableStore::cancel()
{
    if (m_state == State::Insert) {
        ResetScope reset(this);
        m_state = State::Browse;
        m_insertPosition = m_insertRow = -1;
        m_buffer.clear();
        m_modified = false;
        Q_EMIT currentRowChanged();
    } else if (m_state == State::Edit) {
        m_state = State::Browse;
        m_buffer.clear();
        m_modified = false;
        Q_EMIT rowChanged(currentRow());
    }
}

std::optional<Failure> TableStore::postOrDropPending(bool keepRefused)
{
    try {
        m_refusal.clear();
        postPending();
        return std::nullopt;
    } catch (const Failure &failure) {
        // A change refused for what another program wrote meanwhile has had
        // the table read again and waits to be posted again, when kept.
        if (keepRefused && !m_refusal.isEmpty())
            return failure;
        // A change that cannot be stored (a read-only file, a locked table)
        // would otherwise block every later action.
        cancel();
        const QString why = m_refusal.isEmpty() ? failure.text() : m_refusal;
        return Failure(why + QStringLiteral(" Промяната е отказана."));
    }
}

void TableStore::postPending()
{
    if (m_state == State::Edit || m_state == State::Insert) {
        if (m_modified)
            post();
        else
            cancel();
    }
}

void TableStore::post()
{
    requireActive();
    if (m_state == State::Edit)
        postEdit();
    else if (m_state == State::Insert)
        postInsert();
}

void TableStore::postEdit()
{
    QStringList assignments;
    QList<int> changed;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_changed[i]) {
            assignments << m_fields[i].sqlName + QStringLiteral(" = ?");
            changed << i;
        }
    }
    const qint64 shownKey = m_keys[m_cursor];
    qint64 key = shownKey;
    if (!changed.isEmpty()) {
        Transaction transaction(m_database);
        // Another program may have written since the table was read: the
        // record is written only as it was when the edit began.
        bool changedByOther = false;
        const std::optional<qint64> inFile = recordInFile(shownKey, m_original, &changedByOther);
        if (!inFile || changedByOther) {
            transaction.rollback();
            refuseEdit(inFile.has_value());
        }
        key = *inFile;
        QSqlQuery update(m_database);
        update.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                           .arg(quoted(m_sqlTable), assignments.join(QStringLiteral(", "))));
        for (int field : changed)
            update.addBindValue(m_buffer[field]);
        update.addBindValue(key);
        if (!update.exec())
            throw storeFailure(CannotStore, update.lastError());
        update.finish();
        // Kept as stored: a column may keep a text as a number.
        const std::optional<QList<QVariant>> stored = storedRecord(key);
        transaction.commit();
        m_cache.remove(shownKey);
        m_cache.insert(key, stored.value_or(m_buffer));
    }
    if (!changed.isEmpty())
        m_scan = Scan();
    for (int field : changed) {
        auto column = m_columns.find(field);
        if (column != m_columns.end())
            column->second.replace(m_cursor, foldCase(displayText(m_buffer[field])));
        if (filterActive() && field == fieldIndex(m_parsedFilter.column()))
            m_filterStale = true;
    }
    m_state = State::Browse;
    m_buffer.clear();
    m_original.clear();
    m_modified = false;
    if (key != shownKey)
        reload(key);  // the record had been moved: its keys are read again
    else
        Q_EMIT rowChanged(currentRow());
}

void TableStore::refuseEdit(bool recordExists)
{
    // The table is read again; what the user typed stays, over the record as
    // it is stored now, or, when it is gone, in a new record at its place.
    const QList<QVariant> typed = m_buffer;
    const QList<bool> changed = m_changed;
    const qint64 key = m_keys[m_cursor];
    if (!recordExists) {
        // Before the record that followed it, wherever that is now.
        m_state = State::Insert;
        m_insertPosition = m_cursor + 1;
        m_changed = QList<bool>(m_fields.size(), true);
        m_modified = true;
        if (m_cursor + 1 < m_keys.size())
            m_cursor = m_cursor + 1;
        reload(key);
        Q_EMIT currentRowChanged();
        m_refusal = DeletedByOther;
        throw Failure(DeletedWhileEditing);
    }
    m_state = State::Browse;
    m_buffer.clear();
    m_modified = false;
    reload(key);
    if (m_cursor < 0 || m_keys[m_cursor] != key) {
        // Changed by the other program so that the filter hides it now.
        m_refusal = ChangedByOther;
        throw Failure(ChangedByOther + QStringLiteral(" Промените ви не са съхранени."));
    }
    edit();
    for (int i = 0; i < m_fields.size() && typed.size() == m_fields.size(); ++i) {
        if (changed[i])
            setCurrentValue(i, typed[i]);
    }
    m_refusal = ChangedByOther;
    throw Failure(ChangedWhileEditing);
}

bool TableStore::changeStored(const QString &field,
                              const std::function<std::optional<QString>(const QString &)> &change)
{
    const int index = requireField(field);
    postPending();
    if (m_cursor < 0)
        throw Failure(QStringLiteral("Няма текущ запис."));
    const qint64 shownKey = m_keys[m_cursor];
    std::optional<qint64> key = shownKey;
    bool others = false;
    bool written = false;
    {
        Transaction transaction(m_database);
        others = othersWrote();
        std::optional<QList<QVariant>> stored = storedRecord(shownKey);
        if (!stored) {
            key = others ? findRecord(m_cache.value(shownKey), shownKey) : std::nullopt;
            if (key)
                stored = storedRecord(*key);
        }
        if (stored) {
            const std::optional<QString> text = change(displayText((*stored)[index]));
            if (text) {
                QSqlQuery update(m_database);
                update.prepare(QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?")
                                   .arg(quoted(m_sqlTable), m_fields[index].sqlName));
                update.addBindValue(text->isEmpty() ? QVariant() : QVariant(*text));
                update.addBindValue(*key);
                if (!update.exec())
                    throw storeFailure(CannotStore, update.lastError());
                update.finish();
                transaction.commit();
                written = true;
            }
        }
    }
    if (others || !key) {
        // The table shows what the change was made against.
        reload(key.value_or(shownKey));
        if (!key)
            throw Failure(DeletedByOther);
    } else if (written) {
        m_cache.remove(shownKey);
        m_scan = Scan();
        m_columns.erase(index);
        if (filterActive() && index == fieldIndex(m_parsedFilter.column()))
            m_filterStale = true;
        Q_EMIT rowChanged(currentRow());
    }
    return written;
}

qint64 TableStore::lowestKey() const
{
    // Keys start above 0; a table made elsewhere may hold lower ones.
    return m_keys.isEmpty() ? 0 : std::min<qint64>(0, m_keys.first() - 1);
}

quint32 TableStore::takeSerial()
{
    // Runs inside the write, which stores the count with the record.
    QSqlQuery query(m_database);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        throw storeFailure(CannotStore, query.lastError());
    quint32 serial = quint32(query.value(0).toInt());
    do
        ++serial;
    while ((serial & MakerKeyBits) == 0);
    if (!query.exec(QStringLiteral("PRAGMA user_version = %1").arg(qint32(serial))))
        throw storeFailure(CannotStore, query.lastError());
    return serial;
}

std::optional<qint64> TableStore::newKeyBetween(qint64 low, qint64 high)
{
    for (;;) {
        const std::optional<qint64> key = keyWithSerial(low, high, takeSerial());
        // A key that a table made elsewhere already holds takes the next serial.
        if (!key || !std::binary_search(m_keys.cbegin(), m_keys.cend(), *key))
            return key;
    }
}

qint64 TableStore::keyBefore(int position)
{
    // The key for a record placed before the record at this position, or at
    // the end: near the middle of the gap between the neighbours' keys.
    const qint64 low = position > 0 ? m_keys[position - 1] : lowestKey();
    const qint64 high = position < m_keys.size()
                            ? m_keys[position]
                            : qint64(std::min<__int128>(__int128(low) + 2 * KeyStep, std::numeric_limits<qint64>::max()));
    if (const std::optional<qint64> key = newKeyBetween(low, high))
        return *key;
    respaceAround(position);
    return keyBefore(position);
}

void TableStore::respaceAround(int position)
{
    // The neighbours' gap is used up: take the smallest stretch of records
    // around the place whose key range leaves room for all of them and one
    // more, and spread their keys evenly over it. Runs inside the insert's
    // transaction, on the keys as stored at its start; the records get new
    // keys, never given before, which no other program can still be holding.
    const int count = int(m_keys.size());
    int from = position;
    int to = position;  // records [from, to) move
    for (int reach = 1;; reach *= 2) {
        from = std::max(0, position - reach);
        to = std::min(count, position + reach);
        const __int128 low = from > 0 ? m_keys[from - 1] : lowestKey();
        const __int128 high = to < count ? m_keys[to] : std::numeric_limits<qint64>::max() / 2;
        const __int128 slots = (to - from) + 2;
        if (high - low >= slots * MinimumGap || (from == 0 && to == count))
            break;
    }
    const __int128 low = from > 0 ? m_keys[from - 1] : lowestKey();
    const __int128 high = to < count ? m_keys[to] : std::numeric_limits<qint64>::max() / 2;
    const __int128 gap = (high - low) / ((to - from) + 2);

    QList<qint64> keys;
    for (int i = from; i < to; ++i) {
        // One slot is left free before the record at the insert's place.
        const int slot = (i - from) + 1 + (i >= position ? 1 : 0);
        const __int128 middle = low + gap * slot;
        const std::optional<qint64> key = newKeyBetween(qint64(middle - gap / 2), qint64(middle + gap / 2));
        if (!key)
            throw Failure(CannotStore + QStringLiteral(": няма място за нов запис в таблицата."));
        keys << *key;
    }
    // New keys are free, so the records move straight to them.
    QSqlQuery move(m_database);
    move.prepare(QStringLiteral("UPDATE %1 SET rowid = ? WHERE rowid = ?").arg(quoted(m_sqlTable)));
    for (int i = from; i < to; ++i) {
        move.addBindValue(keys[i - from]);
        move.addBindValue(m_keys[i]);
        if (!move.exec())
            throw storeFailure(CannotStore, move.lastError());
    }
    move.finish();
    for (int i = from; i < to; ++i)
        m_keys[i] = keys[i - from];
    m_cache.clear();
}

void TableStore::postInsert()
{
    qint64 key = 0;
    {
        Transaction transaction(m_database);
        // Another program may have added, deleted or moved records since the
        // table was read: the new key is found among the keys stored now.
        if (othersWrote()) {
            reload();
            if (m_buffer.size() != m_fields.size())
                throw Failure(CannotStore + QStringLiteral(": друга програма е променила колоните на таблицата."));
        }
        const QList<qint64> keysBefore = m_keys;
        try {
            key = keyBefore(m_insertPosition);
            QStringList columns{QStringLiteral("rowid")};
            QStringList marks{QStringLiteral("?")};
            for (const Field &field : m_fields) {
                columns << field.sqlName;
                marks << QStringLiteral("?");
            }
            QSqlQuery insert(m_database);
            insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                               .arg(quoted(m_sqlTable), columns.join(u','), marks.join(u',')));
            insert.addBindValue(key);
            for (const QVariant &value : std::as_const(m_buffer))
                insert.addBindValue(value);
            if (!insert.exec())
                throw storeFailure(CannotStore, insert.lastError());
            insert.finish();
            const std::optional<QList<QVariant>> stored = storedRecord(key);
            transaction.commit();
            m_cache.insert(key, stored.value_or(m_buffer));
        } catch (...) {
            // Keys spread out in memory went back with the rollback.
            if (m_keys != keysBefore) {
                m_keys = keysBefore;
                m_cache.clear();
            }
            throw;
        }
    }

    ResetScope reset(this);
    const int position = m_insertPosition;
    m_keys.insert(position, key);
    m_scan = Scan();
    for (auto &[field, values] : m_columns)
        values.insert(position, foldCase(displayText(m_buffer[field])));
    if (filterActive()) {
        // The new record stays in sight until the filter is applied again.
        for (int &visible : m_visible) {
            if (visible >= position)
                ++visible;
        }
        m_visible.insert(m_insertRow, position);
        m_mask.insert(position, 1);
        m_filterStale = true;
    }
    m_state = State::Browse;
    m_buffer.clear();
    m_modified = false;
    m_insertPosition = m_insertRow = -1;
    m_cursor = position;
    Q_EMIT currentRowChanged();
}

void TableStore::remove()
{
    requireActive();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_state == State::Edit)
        cancel();
    if (m_cursor < 0)
        throw Failure(QStringLiteral("Няма запис за изтриване."));
    const int position = m_cursor;
    const qint64 shownKey = m_keys[position];
    bool changedByOther = false;
    std::optional<qint64> key;
    {
        Transaction transaction(m_database);
        key = recordInFile(shownKey, cachedRecord(shownKey), &changedByOther);
        if (key && !changedByOther) {
            QSqlQuery erase(m_database);
            erase.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoted(m_sqlTable)));
            erase.addBindValue(*key);
            if (!erase.exec())
                throw storeFailure(QStringLiteral("Записът не може да бъде изтрит"), erase.lastError());
            erase.finish();
            transaction.commit();
        }
    }
    if (!key || *key != shownKey || changedByOther) {
        // Gone already, moved or changed: the table is read again.
        reload(shownKey);
        if (changedByOther)
            throw Failure(ChangedBeforeDelete);
        return;
    }

    ResetScope reset(this);
    const int row = visibleIndex(position);
    m_keys.remove(position);
    m_cache.remove(shownKey);
    m_scan = Scan();
    for (auto &[field, values] : m_columns)
        values.remove(position);
    if (filterActive()) {
        m_mask.remove(position);
        m_visible.remove(row);
        for (int &visible : m_visible) {
            if (visible > position)
                --visible;
        }
    }
    // The record that followed takes its place; after the last, the one before.
    const int rows = recordCount();
    const int next = rows == 0 ? -1 : std::min(row, rows - 1);
    m_cursor = next < 0 ? -1 : (filterActive() ? m_visible[next] : next);
    Q_EMIT currentRowChanged();
}

// ---------------------------------------------------------------- refresh

void TableStore::refresh()
{
    requireActive();
    const std::optional<Failure> dropped = postOrDropPending(true);
    if (othersWrote()) {
        reload();
    } else if (m_filterStale) {
        ResetScope reset(this);
        applyFilter();
    } else {
        // Nothing changed in the file; the rows are shown afresh all the same.
        ResetScope reset(this);
        m_cache.clear();
    }
    if (dropped)
        throw *dropped;
}

void TableStore::reload(std::optional<qint64> keep)
{
    ResetScope reset(this);
    qint64 currentKey = keep.value_or(m_cursor >= 0 ? m_keys[m_cursor] : 0);
    const int oldPosition = m_cursor;
    // A record being inserted keeps its place before the same record.
    qint64 insertBefore = m_state == State::Insert && m_insertPosition < m_keys.size()
                              ? m_keys[m_insertPosition]
                              : std::numeric_limits<qint64>::max();
    const QList<QVariant> currentValues = m_cache.value(currentKey);
    const QList<QVariant> insertBeforeValues = m_cache.value(insertBefore);
    const QStringList oldOrder = fieldNames();
    m_fetch.reset();
    readFields();
    // A column moved to the front stays there.
    if (!oldOrder.isEmpty()) {
        const int front = fieldIndex(oldOrder.first());
        if (front >= 0) {
            m_order.removeOne(front);
            m_order.prepend(front);
        }
    }
    m_dataVersion = dataVersion();
    readKeys();
    // Records that another program only moved to other keys are followed.
    const auto follow = [this](qint64 &key, const QList<QVariant> &values) {
        if (!std::binary_search(m_keys.cbegin(), m_keys.cend(), key)) {
            if (const std::optional<qint64> moved = findRecord(values, key))
                key = *moved;
        }
    };
    follow(currentKey, currentValues);
    follow(insertBefore, insertBeforeValues);
    try {
        m_parsedFilter = parseFilter(m_filterText);
    } catch (const Failure &failure) {
        // The filter's column is gone: nothing is filtered any more.
        qCWarning(lcReference) << "filter dropped on reading the table again:" << failure.text();
        m_parsedFilter = FilterExpression();
        m_filtered = false;
    }
    m_cursor = -1;
    int position = int(std::lower_bound(m_keys.cbegin(), m_keys.cend(), currentKey) - m_keys.cbegin());
    if (position >= m_keys.size() || m_keys[position] != currentKey)
        position = std::min(oldPosition, int(m_keys.size()) - 1);
    m_cursor = position;
    applyFilter();
    if (m_cursor < 0 && !m_keys.isEmpty() && !filterActive())
        m_cursor = 0;
    if (m_state == State::Insert) {
        m_insertPosition = int(std::lower_bound(m_keys.cbegin(), m_keys.cend(), insertBefore) - m_keys.cbegin());
        m_insertRow = filterActive() ? int(std::lower_bound(m_visible.cbegin(), m_visible.cend(), m_insertPosition)
                                           - m_visible.cbegin())
                                     : m_insertPosition;
    }
    Q_EMIT currentRowChanged();
}

// ---------------------------------------------------------------- rows

int TableStore::rowCount() const
{
    return recordCount() + (m_state == State::Insert ? 1 : 0);
}

int TableStore::currentRow() const
{
    if (m_state == State::Insert)
        return m_insertRow;
    return visibleIndex(m_cursor);
}

int TableStore::rowPosition(int row) const
{
    if (m_state == State::Insert && row > m_insertRow)
        --row;
    return filterActive() ? m_visible[row] : row;
}

void TableStore::moveToRow(int row)
{
    requireActive();
    if (row < 0 || row >= rowCount() || row == currentRow())
        return;
    int position = rowPosition(row);
    if (m_state == State::Insert) {
        const int insertedAt = m_insertPosition;
        const bool keeps = m_modified;
        postPending();
        // A posted record pushed the ones after it one place on.
        if (keeps && position >= insertedAt)
            ++position;
    } else {
        postPending();
    }
    setCursor(position);
}

QVariant TableStore::rowValue(int row, int column) const
{
    if (!isActive() || row < 0 || row >= rowCount() || column < 0 || column >= m_order.size())
        return QVariant();
    const int field = m_order[column];
    if ((m_state == State::Insert || m_state == State::Edit) && row == currentRow())
        return m_buffer[field];
    return cachedRecord(m_keys[rowPosition(row)])[field];
}

QString TableStore::rowText(int row, int column) const
{
    return displayText(rowValue(row, column));
}

void TableStore::setRowText(int row, int column, const QString &text)
{
    moveToRow(row);
    if (m_state == State::Browse)
        edit();
    setText(fieldName(column), text);
}
