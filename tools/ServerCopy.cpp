#include "tools/ServerCopy.h"

#include "common/Failure.h"
#include "platform/PrivateFiles.h"
#include "reference/PriceConversion.h"
#include "reference/Schema.h"
#include "reference/ServerTables.h"
#include "register/RegisterStore.h"
#include "server/ServerConnection.h"
#include "store/SqlDialect.h"
#include "store/StoreFailure.h"
#include "tools/TableMaker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <algorithm>
#include <memory>
#include <optional>

namespace ServerCopy {

namespace {

using Schema::KeyColumn;
using Schema::quoted;

const QString CannotMove = QStringLiteral("Таблиците не са прехвърлени на сървъра");
const QString CannotBackUp = QStringLiteral("Таблиците не са свалени от сървъра");

// One column of a table as both ends hold it.
struct Field {
    Schema::Column column;  // the name, and the kind the values are copied as
    QString fileType;       // the type the SQLite file declares
};

// A named connection, closed and forgotten with the object.
class Connection {
public:
    Connection() : m_name(QStringLiteral("bilvaro.copy.") + QUuid::createUuid().toString(QUuid::Id128)) {}
    ~Connection()
    {
        m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void openServer(const QString &connection) { m_database = Server::connect(m_name, connection); }
    void openFile(const QString &path, bool readOnly)
    {
        m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        m_database.setDatabaseName(path);
        if (readOnly)
            m_database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!m_database.open())
            throw storeFailure(QStringLiteral("Файлът „%1“ не може да бъде отворен").arg(QDir::toNativeSeparators(path)),
                               m_database.lastError());
    }
    QSqlDatabase &database() { return m_database; }
    const SqlDialect &dialect() const { return SqlDialect::of(m_database); }

private:
    QString m_name;
    QSqlDatabase m_database;
};

QSqlQuery exec(Connection &connection, const QString &sql, const QVariantList &values, const QString &action)
{
    return connection.dialect().run(connection.database(), sql, values, action);
}

Schema::Kind kindOf(const QString &declaredType)
{
    const QString type = declaredType.toUpper();
    for (const char *picture : {"BLOB", "GRAPHIC", "IMAGE", "PICTURE", "BYTEA"}) {
        if (type.contains(QLatin1String(picture)))
            return Schema::Kind::Picture;
    }
    if (type.contains(QLatin1String("CLOB")) || type.contains(QLatin1String("MEMO")))
        return Schema::Kind::Memo;
    if (type.contains(QLatin1String("INT")))
        return Schema::Kind::Integer;
    return Schema::Kind::Text;
}

int widthOf(const QString &declaredType)
{
    static const QRegularExpression width(QStringLiteral("CHAR[A-Z ]*\\(\\s*(\\d+)\\s*\\)"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = width.match(declaredType);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

std::optional<Schema::Column> schemaColumn(const Schema::Table &table, const QString &name)
{
    for (const Schema::Column &column : table.columns) {
        if (column.name == name)
            return column;
    }
    return std::nullopt;
}

Field field(const Schema::Table &table, const QString &name, const QString &declaredType)
{
    if (const std::optional<Schema::Column> known = schemaColumn(table, name))
        return {*known, Schema::declaredType(*known)};
    return {{name, kindOf(declaredType), widthOf(declaredType)}, declaredType};
}

// The table inside a file: the one named like the file, else the first.
QString fileTable(Connection &file, const QString &fileName)
{
    const QStringList tables = file.dialect().tables(file.database(), CannotMove);
    QString found;
    for (const QString &name : tables) {
        if (found.isEmpty() || name.compare(QFileInfo(fileName).completeBaseName(), Qt::CaseInsensitive) == 0)
            found = name;
    }
    if (found.isEmpty())
        throw Failure(CannotMove + QStringLiteral(": файлът „%1“ не съдържа таблица.").arg(fileName));
    return found;
}

QList<Field> fileFields(Connection &file, const Schema::Table &schema, const QString &table)
{
    QList<Field> fields;
    for (const SqlDialect::ColumnInfo &column : file.dialect().columns(file.database(), table, CannotMove)) {
        if (column.name != KeyColumn)
            fields << field(schema, column.name, column.type);
    }
    return fields;
}

// The columns of a server's table, the file's type of each: the schema's for
// the program's own columns, the one a user's column was moved with, else
// the nearest to the server's type.
QList<Field> serverFields(Connection &server, const Schema::Table &schema, const QString &table)
{
    QList<Field> fields;
    for (const SqlDialect::ColumnInfo &column : server.dialect().columns(server.database(), table, CannotBackUp)) {
        if (column.name == KeyColumn)
            continue;
        QString type = column.remark;
        if (type.isEmpty()) {
            const QString serverType = column.type;
            type = serverType == u"bytea"                             ? QStringLiteral("BLOB")
                   : serverType == u"bigint" || serverType == u"integer" ? QStringLiteral("INTEGER")
                   : widthOf(serverType) > 0 ? QStringLiteral("VARCHAR(%1)").arg(widthOf(serverType))
                                             : QStringLiteral("TEXT");
        }
        fields << field(schema, column.name, type);
    }
    return fields;
}

QString columnList(const QList<Field> &fields)
{
    QStringList names;
    for (const Field &field : fields)
        names << quoted(field.column.name);
    return names.join(u',');
}

// A value as the other end stores it: bytes, a whole number or a text.
QVariant converted(const QVariant &value, Schema::Kind kind)
{
    if (value.isNull())
        return {};
    switch (kind) {
    case Schema::Kind::Picture:
        return value.toByteArray();
    case Schema::Kind::Integer: {
        // A file holds whatever was put into a column; what is no whole
        // number stays a text, which a server's bigint refuses: the move
        // stops rather than change a value.
        if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
            return value.toLongLong();
        bool whole = false;
        const qlonglong number = value.toString().toLongLong(&whole);
        return whole ? QVariant(number) : QVariant(value.toString());
    }
    case Schema::Kind::Text:
    case Schema::Kind::Memo:
        break;
    }
    return value.toString();
}

// A table's place: its name on that end and the column of the record key
// ("rowid" in a file, "__order" on a server; none where a column of the
// table is the key).
struct Place {
    QString table;
    QString key;
};

// Copies the rows in key order, many to a statement: one statement a row
// would cost a trip to the server for each record of a large catalogue.
qint64 copyRows(Connection &from, const Place &source, Connection &to, const Place &target,
                const QList<Field> &fields, const QString &action)
{
    QSqlQuery read = exec(from,
                          QStringLiteral("SELECT %1, %2 FROM %3 ORDER BY %4")
                              .arg(source.key.isEmpty() ? QStringLiteral("NULL") : source.key, columnList(fields),
                                   quoted(source.table),
                                   source.key.isEmpty() ? quoted(fields.first().column.name) : source.key),
                          {}, action);
    QStringList targetNames;
    if (!target.key.isEmpty())
        targetNames << target.key;
    targetNames << columnList(fields);
    const qsizetype perRow = fields.size() + (target.key.isEmpty() ? 0 : 1);
    const QString row = u'(' + QStringList(perRow, QStringLiteral("?")).join(u',') + u')';
    // Well below the parameters a statement may have on either end.
    const qsizetype rowsPerStatement = std::max<qsizetype>(1, 8000 / perRow);
    QVariantList values;
    qint64 count = 0;
    const auto flush = [&] {
        if (values.isEmpty())
            return;
        QSqlQuery write(to.database());
        write.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                          .arg(quoted(target.table), targetNames.join(u','),
                               QStringList(values.size() / perRow, row).join(u',')));
        for (const QVariant &value : std::as_const(values))
            write.addBindValue(value);
        if (!write.exec()) {
            const QString where = QStringLiteral("%1 (таблица „%2“)").arg(action, target.table);
            throw to.dialect().failure(where, write.lastError());
        }
        values.clear();
    };
    while (read.next()) {
        if (!target.key.isEmpty())
            values << read.value(0).toLongLong();
        for (int i = 0; i < fields.size(); ++i)
            values << converted(read.value(i + 1), fields[i].column.kind);
        if (++count % rowsPerStatement == 0)
            flush();
    }
    flush();
    return count;
}

// The rows of a table, key first, each value as text (bytes in hex); a blank
// text is a blank whether it is stored empty or as NULL, as the program shows it.
QStringList rowsOf(Connection &connection, const Place &place, const QList<Field> &fields, const QString &action)
{
    QSqlQuery read = exec(connection,
                          QStringLiteral("SELECT %1, %2 FROM %3 ORDER BY %4")
                              .arg(place.key.isEmpty() ? QStringLiteral("NULL") : place.key, columnList(fields),
                                   quoted(place.table),
                                   place.key.isEmpty() ? quoted(fields.first().column.name) : place.key),
                          {}, action);
    QStringList rows;
    while (read.next()) {
        QStringList values{read.value(0).toString()};
        for (int i = 0; i < fields.size(); ++i) {
            const QVariant value = read.value(i + 1);
            if (fields[i].column.kind == Schema::Kind::Picture)
                values << (value.isNull() ? QStringLiteral("-") : u'x' + QString::fromLatin1(value.toByteArray().toHex()));
            else if (fields[i].column.kind == Schema::Kind::Integer)
                values << (value.isNull() ? QStringLiteral("-") : value.toString());
            else
                values << value.toString();
        }
        rows << values.join(QChar(0x1f));
    }
    return rows;
}

// Compares a table at both ends, record by record and value by value;
// returns the report's line.
QString compare(Connection &file, const Place &inFile, Connection &server, const Place &onServer,
                const QList<Field> &fields, const QString &shownName, const QString &action)
{
    const QStringList there = rowsOf(file, inFile, fields, action);
    const QStringList here = rowsOf(server, onServer, fields, action);
    if (there.size() != here.size())
        throw Failure(action + QStringLiteral(": „%1“ има %2 записа във файла и %3 на сървъра.")
                                   .arg(shownName)
                                   .arg(there.size())
                                   .arg(here.size()));
    for (qsizetype i = 0; i < there.size(); ++i) {
        if (there[i] != here[i])
            throw Failure(action + QStringLiteral(": запис %1 на „%2“ се различава във файла и на сървъра.")
                                       .arg(i + 1)
                                       .arg(shownName));
    }
    return QStringLiteral("%1: %2 записа, сверени стойност по стойност.").arg(shownName).arg(there.size());
}

// The register's fields that the source has: an older register lacks the
// columns added since (RegisterStore::missingColumns), which stay empty.
QList<Field> registerFields(const Schema::Table &table, const QSqlDatabase &source)
{
    QStringList missing;
    if (&table == &Schema::Register::documents()) {
        for (const Schema::Column &column : RegisterStore::missingColumns(source))
            missing << column.name;
    }
    QList<Field> fields;
    for (const Schema::Column &column : table.columns) {
        if (!missing.contains(column.name))
            fields << Field{column, Schema::declaredType(column)};
    }
    return fields;
}

// The register's tables with the key of their records (a document's id is a column of its own).
QList<std::pair<const Schema::Table *, bool>> registerTables()
{
    using namespace Schema::Register;
    return {{&documents(), false}, {&lines(), true}, {&noteRows(), true}, {&payments(), true}, {&purchases(), true}};
}

// Whether the database holds the table (a register made before payments or
// purchases were kept has none of theirs).
bool hasTable(Connection &connection, const QString &table, const QString &action)
{
    const auto [statement, values] = connection.dialect().tableExists(table);
    QSqlQuery query = exec(connection, statement, values, action);
    return query.next() && query.value(0).toBool();
}

// The mark of goods whose prices are in euro goes with them: without it the
// program would take their prices for leva and convert them again.
void copyCurrencyMark(Connection &from, Connection &to, const QString &action)
{
    if (!hasTable(from, QLatin1String(PriceConversion::MarkTableName), action))
        return;
    exec(to, PriceConversion::markTableStatement(), {}, action);
    const QString table = quoted(QLatin1String(PriceConversion::MarkTableName));
    QSqlQuery rows = exec(from, QStringLiteral("SELECT * FROM %1").arg(table), {}, action);
    while (rows.next()) {
        QVariantList row;
        for (int column = 0; column < rows.record().count(); ++column)
            row << rows.value(column);
        exec(to, QStringLiteral("INSERT INTO %1 VALUES (?, ?, ?, ?)").arg(table), row, action);
    }
}

// The register's keys go on past the copied ones.
void continueRegisterKeys(Connection &server)
{
    using namespace Schema::Register;
    const std::pair<const Schema::Table *, QString> keys[] = {
        {&documents(), Id.name}, {&lines(), KeyColumn}, {&noteRows(), KeyColumn}, {&payments(), KeyColumn},
        {&purchases(), KeyColumn}};
    for (const auto &[table, column] : keys)
        server.dialect().continueKeys(server.database(), table->sqlName, column, CannotMove);
}

QString shown(const Schema::Table &table)
{
    return QStringLiteral("„%1“ (%2)").arg(table.sqlName, table.fileName);
}

} // namespace

QStringList toServer(const QString &startFolder, const QString &connection, Progress &progress)
{
    const QDir data(QDir(startFolder).filePath(QStringLiteral("DB")));
    // Every file is opened before the server is touched.
    struct Source {
        Schema::Table schema;
        std::unique_ptr<Connection> file;
        QString table;
        QList<Field> fields;
        quint32 serial = 0;
    };
    std::vector<Source> sources;
    for (const Schema::Table &schema : Schema::tables()) {
        const QString path = data.filePath(schema.fileName);
        if (!QFileInfo(path).isFile())
            throw Failure(CannotMove + QStringLiteral(": таблицата „%1“ липсва.").arg(QDir::toNativeSeparators(path)));
        Source source{schema, std::make_unique<Connection>(), {}, {}, 0};
        source.file->openFile(path, true);
        source.table = fileTable(*source.file, schema.fileName);
        source.fields = fileFields(*source.file, schema, source.table);
        source.serial = source.file->dialect().serial(source.file->database(), source.table, CannotMove);
        sources.push_back(std::move(source));
    }
    std::unique_ptr<Connection> registerFile;
    if (QFileInfo(RegisterStore::filePath(data.path())).isFile()) {
        registerFile = std::make_unique<Connection>();
        registerFile->openFile(RegisterStore::filePath(data.path()), true);
    }

    Connection server;
    server.openServer(connection);
    // The register's longest column name is cut to the server's limit, in every statement alike.
    exec(server, QStringLiteral("SET client_min_messages = warning"), {}, CannotMove);
    exec(server, QStringLiteral("BEGIN"), {}, CannotMove);
    if (ServerTables::exists(server.database(), Schema::Register::documents().sqlName))
        throw Failure(CannotMove + QStringLiteral(": базата на сървъра вече има регистъра на издадените документи."));
    ServerTables::create(server.database());
    RegisterStore::createTables(server.database());

    QStringList report;
    // Stopped before the commit, the server keeps none of it.
    ProgressStep step(progress, MovingToServerText, qint64(sources.size() + registerTables().size()), MoveStoppedText);
    qint64 copied = 0;
    for (const Source &source : sources) {
        const QString table = source.schema.sqlName;
        for (const Field &field : source.fields) {
            if (schemaColumn(source.schema, field.column.name))
                continue;
            exec(server, QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                             .arg(quoted(table), quoted(field.column.name), server.dialect().columnType(field.column)),
                 {}, CannotMove);
            // The file's own type, for the way back.
            for (const QString &statement : server.dialect().remark(table, field.column.name, field.fileType))
                exec(server, statement, {}, CannotMove);
        }
        const Place inFile{source.table, source.file->dialect().rowKey()};
        const Place onServer{table, server.dialect().rowKey()};
        copyRows(*source.file, inFile, server, onServer, source.fields, CannotMove);
        server.dialect().setSerial(server.database(), table, source.serial, CannotMove);
        if (source.schema.fileName == Schema::Goods::FileName)
            copyCurrencyMark(*source.file, server, CannotMove);
        report << compare(*source.file, inFile, server, onServer, source.fields, shown(source.schema), CannotMove);
        step.advance(++copied);
    }
    for (const auto &[table, hiddenKey] : registerTables()) {
        const Place onServer{table->sqlName, hiddenKey ? server.dialect().rowKey() : QString()};
        if (registerFile && !hasTable(*registerFile, table->sqlName, CannotMove)) {
            report << QStringLiteral("%1: няма я във файла, на сървъра е празна.").arg(shown(*table));
        } else if (registerFile) {
            const Place inFile{table->sqlName, hiddenKey ? registerFile->dialect().rowKey() : QString()};
            const QList<Field> fields = registerFields(*table, registerFile->database());
            copyRows(*registerFile, inFile, server, onServer, fields, CannotMove);
            report << compare(*registerFile, inFile, server, onServer, fields, shown(*table), CannotMove);
        } else {
            report << QStringLiteral("%1: няма файл, регистърът на сървъра е празен.").arg(shown(*table));
        }
        step.advance(++copied);
    }
    continueRegisterKeys(server);
    exec(server, QStringLiteral("COMMIT"), {}, CannotMove);
    // The server plans a read by the table's statistics and reads an index
    // alone where its map of the table says every row is visible, both of
    // which a table just filled lacks until autovacuum comes by: without them
    // it sorted a column of the goods on disk instead of reading it in key
    // order (73 ms against 16 at 100,000 records), and the keys took 20 ms
    // instead of 13. The move is done whether or not this succeeds.
    QSqlQuery(server.database()).exec(QStringLiteral("VACUUM ANALYZE"));
    report << QStringLiteral("Таблиците са прехвърлени на %1.").arg(Server::address(connection).describe());
    return report;
}

QStringList fromServer(const QString &startFolder, const QString &connection, Progress &progress)
{
    const QDir data(QDir(startFolder).filePath(QStringLiteral("DB")));
    QStringList files;
    for (const Schema::Table &schema : Schema::tables())
        files << schema.fileName;
    files << Schema::Register::FileName;
    for (const QString &file : std::as_const(files)) {
        if (QFileInfo::exists(data.filePath(file)))
            throw Failure(CannotBackUp + QStringLiteral(": файлът „%1“ вече съществува. Свалете таблиците в "
                                                        "празна папка.")
                                             .arg(QDir::toNativeSeparators(data.filePath(file))));
    }
    if (!PrivateFiles::makeFolder(data.path()))
        throw Failure(CannotBackUp + QStringLiteral(": папката „%1“ не може да бъде създадена.")
                                         .arg(QDir::toNativeSeparators(data.path())));

    Connection server;
    server.openServer(connection);
    exec(server, QStringLiteral("SET client_min_messages = warning"), {}, CannotBackUp);
    // One picture of the database, however other machines write meanwhile.
    exec(server, QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"), {}, CannotBackUp);
    QStringList made;
    QStringList report;
    ProgressStep step(progress, MovingFromServerText, Schema::tables().size() + 1, MoveStoppedText);
    qint64 tablesWritten = 0;
    try {
        for (const Schema::Table &schema : Schema::tables()) {
            if (!ServerTables::exists(server.database(), schema.sqlName))
                throw Failure(CannotBackUp + QStringLiteral(": на сървъра няма таблица „%1“.").arg(schema.sqlName));
            TableMaker::TableDefinition definition = TableMaker::referenceTable(schema.fileName);
            const QList<Field> fields = serverFields(server, schema, schema.sqlName);
            definition.columns.clear();
            for (const Field &field : fields)
                definition.columns.append({field.column.name, field.fileType});
            const quint32 lastSerial = server.dialect().serial(server.database(), schema.sqlName, CannotBackUp);
            QSqlQuery count = exec(server, QStringLiteral("SELECT count(*) FROM %1").arg(quoted(schema.sqlName)), {},
                                   CannotBackUp);
            const qsizetype records = count.next() ? count.value(0).toLongLong() : 0;
            const Place onServer{schema.sqlName, server.dialect().rowKey()};
            QSqlQuery read = exec(server,
                                  QStringLiteral("SELECT %1, %2 FROM %3 ORDER BY %1")
                                      .arg(onServer.key, columnList(fields), quoted(schema.sqlName)),
                                  {}, CannotBackUp);
            const bool written = TableMaker::makeTable(
                data.path(), definition, records,
                [&](qsizetype) {
                    QVariantMap record;
                    if (!read.next())
                        throw Failure(CannotBackUp + QStringLiteral(": „%1“ свърши по-рано.").arg(schema.sqlName));
                    record.insert(KeyColumn, read.value(0).toLongLong());
                    for (int i = 0; i < fields.size(); ++i)
                        record.insert(fields[i].column.name, converted(read.value(i + 1), fields[i].column.kind));
                    return record;
                },
                lastSerial);
            if (!written)
                throw Failure(CannotBackUp + QStringLiteral(": файлът „%1“ се появи междувременно.")
                                                 .arg(QDir::toNativeSeparators(data.filePath(schema.fileName))));
            made << data.filePath(schema.fileName);
            Connection file;
            file.openFile(data.filePath(schema.fileName), false);
            if (schema.fileName == Schema::Goods::FileName)
                copyCurrencyMark(server, file, CannotBackUp);
            report << compare(file, {schema.sqlName, file.dialect().rowKey()}, server, onServer, fields, shown(schema),
                              CannotBackUp);
            step.advance(++tablesWritten);
        }

        // The register, made under a passing name and renamed into place whole.
        const QString target = RegisterStore::filePath(data.path());
        const QString partial = target + QStringLiteral(".part-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        made << partial;
        {
            Connection file;
            file.openFile(partial, false);
            exec(file, QStringLiteral("BEGIN"), {}, CannotBackUp);
            RegisterStore::createTables(file.database());
            const bool onServer = ServerTables::exists(server.database(), Schema::Register::documents().sqlName);
            for (const auto &[table, hiddenKey] : registerTables()) {
                const Place inFile{table->sqlName, hiddenKey ? file.dialect().rowKey() : QString()};
                const Place there{table->sqlName, hiddenKey ? server.dialect().rowKey() : QString()};
                if (!onServer || !hasTable(server, table->sqlName, CannotBackUp)) {
                    report << QStringLiteral("%1: няма го на сървъра, файлът е празен.").arg(shown(*table));
                    continue;
                }
                const QList<Field> fields = registerFields(*table, server.database());
                copyRows(server, there, file, inFile, fields, CannotBackUp);
                report << compare(file, inFile, server, there, fields, shown(*table), CannotBackUp);
            }
            step.advance(++tablesWritten);
            exec(file, QStringLiteral("COMMIT"), {}, CannotBackUp);
        }
        if (!QFile::rename(partial, target))
            throw Failure(CannotBackUp + QStringLiteral(": файлът „%1“ не може да бъде създаден.")
                                             .arg(QDir::toNativeSeparators(target)));
    } catch (...) {
        for (const QString &file : std::as_const(made))
            QFile::remove(file);
        throw;
    }
    exec(server, QStringLiteral("COMMIT"), {}, CannotBackUp);
    report << QStringLiteral("Таблиците от %1 са записани в „%2“.")
                  .arg(Server::address(connection).describe(), QDir::toNativeSeparators(data.path()));
    return report;
}

} // namespace ServerCopy
