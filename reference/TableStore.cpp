#include "reference/TableStore.h"

#include "common/BitmapCheck.h"
#include "common/Failure.h"
#include "common/Logging.h"
#include "common/ParadoxFormat.h"
#include "reference/Schema.h"
#include "server/ServerConnection.h"
#include "store/PostgresTable.h"
#include "store/RecordKeys.h"
#include "store/SqliteEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <limits>

namespace {

using Schema::quoted;

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

QString missingField(const QString &name)
{
    return QStringLiteral("Полето „%1“ не е намерено.").arg(name);
}

int connectionCounter = 0;

// The table a file's name stands for on a server: the one inside the file the table maker makes.
QString serverTable(const QString &fileName)
{
    for (const Schema::Table &table : Schema::tables()) {
        if (table.fileName.compare(fileName, Qt::CaseInsensitive) == 0)
            return table.sqlName;
    }
    return QFileInfo(fileName).completeBaseName();
}

// Fails, creating nothing, unless the folder holds a table file at the
// path (a Paradox table of the old program is named as such).
void requireTable(const QString &directory, const QString &path)
{
    if (directory.isEmpty() || !QFileInfo(directory).isDir())
        throw Failure(QStringLiteral("Папката с таблиците „%1“ не съществува.").arg(QDir::toNativeSeparators(directory)));
    if (!QFileInfo(path).isFile())
        throw Failure(QStringLiteral("Таблицата „%1“ не съществува.").arg(QDir::toNativeSeparators(path)));
    if (QFile file(path); file.open(QIODevice::ReadOnly) && Paradox::looksLikeTable(file.read(Paradox::HeaderBytes)))
        throw Failure(QStringLiteral("Таблицата „%1“ е таблица на Paradox от старата програма. Програмата "
                                     "предлага да я преобразува при пускането си; може и с "
                                     "„bilvaro-make-tables <папка> --from-paradox“.")
                          .arg(QDir::toNativeSeparators(path)));
}

} // namespace

// Announces a change of the rows as a whole around the change.
class TableStore::ResetScope {
public:
    explicit ResetScope(TableStore *store) : m_store(store) { Q_EMIT m_store->aboutToReset(); }
    ~ResetScope() { Q_EMIT m_store->wasReset(); }

private:
    TableStore *m_store;
};

TableStore::TableStore(QObject *parent) : QObject(parent) {}

TableStore::~TableStore() { dropColumnsAhead(); }

QString TableStore::tablePath() const
{
    return QDir(m_directory).filePath(m_fileName);
}

QString TableStore::openAction() const
{
    const QString place = m_engine ? m_engine->place() : u'„' + QDir::toNativeSeparators(tablePath()) + u'“';
    return QStringLiteral("Таблицата %1 не може да бъде отворена").arg(place);
}

QString TableStore::failureText(const QString &what) const
{
    return openAction() + QStringLiteral(": ") + what;
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
    // The data folder names the server, if any; else the table is a file in it.
    const std::optional<QString> server =
        m_directory.isEmpty() ? std::nullopt : Server::connectionString(m_directory);
    if (!server)
        requireTable(m_directory, tablePath());

    ResetScope reset(this);
    const QString connection = QStringLiteral("bilvaro.table.%1").arg(++connectionCounter);
    try {
        if (server)
            m_engine = std::make_unique<PostgresTable>(connection, *server, serverTable(m_fileName));
        else
            m_engine = std::make_unique<SqliteEngine>(connection, tablePath(), m_fileName, openAction());
        readFields();
        m_parsedFilter = parseFilter(m_filterText);
        m_engine->markRead();
        readKeys();
    } catch (...) {
        m_fields.clear();
        m_order.clear();
        m_keys.clear();
        m_engine.reset();
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
        dropColumnsAhead();
        m_columns.clear();
        m_scan = Scan();
        m_cache.clear();
        m_fields.clear();
        m_order.clear();
        m_keys.clear();
        m_visible.clear();
        m_mask.clear();
        m_buffer.clear();
        m_changed.clear();
        m_modified = false;
        m_cursor = m_insertPosition = m_insertRow = -1;
        m_engine.reset();
    }
    Q_EMIT afterClose();
    if (dropped)
        throw *dropped;
}

void TableStore::readFields()
{
    const TableLayout table = m_engine->readTable(openAction());
    m_fields.clear();
    for (const TableColumn &column : table.columns) {
        if (column.isKey)
            continue;
        // Records are addressed by their rowid, which a column of that name would hide.
        if (column.name.compare(QLatin1String("rowid"), Qt::CaseInsensitive) == 0)
            throw Failure(failureText(QStringLiteral("колоната „%1“ закрива номера на записа").arg(column.name)));
        Field field;
        field.name = column.name;
        field.folded = foldCase(column.name);
        field.sqlName = quoted(column.name);
        field.kind = column.isPicture ? FieldKind::Picture : column.isMemo ? FieldKind::Memo : FieldKind::Text;
        field.width = column.width;
        m_fields.append(field);
    }
    m_order.clear();
    for (int i = 0; i < m_fields.size(); ++i)
        m_order.append(i);
    m_engine->useColumns(sqlNames());
}

void TableStore::readKeys()
{
    dropColumnsAhead();
    m_keys = m_engine->readKeys();
    m_columns.clear();
    m_scan = Scan();
    m_cache.clear();
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

QStringList TableStore::sqlNames() const
{
    QStringList columns;
    for (const Field &field : m_fields)
        columns << field.sqlName;
    return columns;
}

std::optional<QList<QVariant>> TableStore::storedRecord(qint64 key) const
{
    return m_engine->readRecord(key);
}

std::optional<qint64> TableStore::findRecord(const QList<QVariant> &values, qint64 near) const
{
    // A record of blanks only, or one never read, cannot be told from another.
    if (values.size() != m_fields.size()
        || std::all_of(values.cbegin(), values.cend(), [](const QVariant &value) { return value.isNull(); }))
        return std::nullopt;
    return m_engine->findRecord(values, near);
}

bool TableStore::othersWrote() const
{
    return m_engine->othersWrote();
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

bool TableStore::hasTable(const QString &sqlName) const
{
    requireActive();
    return m_engine->hasTable(sqlName);
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

std::optional<qint64> TableStore::currentKey() const
{
    if (m_state == State::Insert || m_cursor < 0 || m_cursor >= m_keys.size())
        return std::nullopt;
    return m_keys[m_cursor];
}

bool TableStore::setCurrentKey(qint64 key)
{
    requireActive();
    postPending();
    const auto found = std::lower_bound(m_keys.cbegin(), m_keys.cend(), key);
    if (found == m_keys.cend() || *found != key)
        return false;
    const int position = int(found - m_keys.cbegin());
    if (!isVisible(position))
        return false;
    setCursor(position);
    return true;
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

void TableStore::foldAhead(const QString &field)
{
    requireActive();
    const int index = requireField(field);
    if (m_columns.contains(index) || m_ahead.contains(index))
        return;
    // One read at a time (each reads the whole table): the one of another
    // column is kept if it is done, and stopped if not.
    if (isFoldingAhead())
        dropColumnsAhead();
    takeColumnsAhead();
    TableEngine::FoldTask task = m_engine->foldTask(m_fields[index].sqlName, m_keys);
    if (!task)
        return;
    ColumnAhead ahead{std::make_unique<std::atomic_bool>(false), {}};
    ahead.column = std::async(std::launch::async, std::move(task), std::cref(*ahead.stopped));
    m_ahead.emplace(index, std::move(ahead));
}

bool TableStore::isFoldingAhead() const
{
    return std::any_of(m_ahead.begin(), m_ahead.end(), [](const auto &ahead) {
        return ahead.second.column.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
    });
}

void TableStore::takeColumnAhead(int field) const
{
    auto ahead = m_ahead.find(field);
    if (ahead == m_ahead.end())
        return;
    try {
        m_columns.insert_or_assign(field, ahead->second.column.get());
    } catch (const Failure &failure) {
        // Read here when it is needed, where a busy file is waited for.
        qCWarning(lcReference) << "column read ahead dropped:" << failure.text();
    }
    m_ahead.erase(ahead);
}

void TableStore::takeColumnsAhead() const
{
    while (!m_ahead.empty())
        takeColumnAhead(m_ahead.begin()->first);
}

void TableStore::dropColumnsAhead()
{
    for (auto &[field, ahead] : m_ahead)
        ahead.stopped->store(true);
    for (auto &[field, ahead] : m_ahead)
        ahead.column.wait();
    m_ahead.clear();
}

const FoldedColumn &TableStore::foldedColumn(int field) const
{
    takeColumnAhead(field);
    auto found = m_columns.find(field);
    if (found != m_columns.end())
        return found->second;
    FoldedColumn folded = m_engine->readFolded(m_fields[field].sqlName, m_keys);
    return m_columns.emplace(field, std::move(folded)).first->second;
}

// ---------------------------------------------------------------- filter

FilterExpression TableStore::parseFilter(const QString &expression) const
{
    // Without an open table the column is checked when one opens.
    FilterExpression parsed = FilterExpression::parse(expression);
    if (!parsed.isBlank() && m_engine && fieldIndex(parsed.column()) < 0)
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
    QStringList columns;
    QList<QVariant> values;
    QList<int> changed;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_changed[i]) {
            columns << m_fields[i].sqlName;
            values << m_buffer[i];
            changed << i;
        }
    }
    const qint64 shownKey = m_keys[m_cursor];
    qint64 key = shownKey;
    if (!changed.isEmpty()) {
        takeColumnsAhead();
        EngineWrite transaction(*m_engine);
        // Another program may have written since the table was read: the
        // record is written only as it was when the edit began.
        bool changedByOther = false;
        const std::optional<qint64> inFile = recordInFile(shownKey, m_original, &changedByOther);
        if (!inFile || changedByOther) {
            transaction.rollback();
            refuseEdit(inFile.has_value());
        }
        key = *inFile;
        m_engine->updateRecord(key, columns, values);
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
        takeColumnsAhead();
        EngineWrite transaction(*m_engine);
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
                m_engine->updateRecord(*key, {m_fields[index].sqlName}, {text->isEmpty() ? QVariant() : QVariant(*text)});
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

qint64 TableStore::keyBefore(int position)
{
    // Runs inside the insert's transaction, on the keys as stored at its
    // start: records spread out to make room move straight to their new
    // keys, never given before, which no other program can still be holding.
    const auto allocation = RecordKeys::allocate(m_keys, position, [this] { return m_engine->takeSerial(); });
    if (!allocation)
        throw Failure(CannotStore + QStringLiteral(": няма място за нов запис в таблицата."));
    for (const RecordKeys::Allocation::Move &move : allocation->moves)
        m_engine->moveRecords(move.from, move.to);
    if (!allocation->moves.isEmpty())
        m_cache.clear();
    return allocation->key;
}

void TableStore::postInsert()
{
    qint64 key = 0;
    {
        takeColumnsAhead();
        EngineWrite transaction(*m_engine);
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
            m_engine->insertRecord(key, m_buffer);
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
        takeColumnsAhead();
        EngineWrite transaction(*m_engine);
        key = recordInFile(shownKey, cachedRecord(shownKey), &changedByOther);
        if (key && !changedByOther) {
            m_engine->deleteRecord(*key);
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
    readFields();
    // A column moved to the front stays there.
    if (!oldOrder.isEmpty()) {
        const int front = fieldIndex(oldOrder.first());
        if (front >= 0) {
            m_order.removeOne(front);
            m_order.prepend(front);
        }
    }
    m_engine->markRead();
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
