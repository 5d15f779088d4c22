#include "backup/Backup.h"

#include "backup/TarFile.h"
#include "common/Failure.h"
#include "reference/Schema.h"
#include "store/SqliteSnapshot.h"
#include "server/ServerConnection.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTemporaryDir>
#include <algorithm>

namespace Backup {

namespace {

const QString TablesFolder = QStringLiteral("DB/");
const QString PagesFolder = QStringLiteral("archive/");
const QString SettingsName = QStringLiteral("mem.txt");
const QString MemoryName = QStringLiteral("backup.txt");
const QString AutomaticPattern = QStringLiteral("Bilvaro-*.tar");

QString native(const QString &path) { return QDir::toNativeSeparators(path); }

// The SQLite files of a start folder: the register and the four tables, in
// the order a print locks the register and Firm.db (see SqliteSnapshot).
QStringList tableFiles()
{
    QStringList names{Schema::Register::FileName};
    for (const Schema::Table &table : Schema::tables())
        names << table.fileName;
    return names;
}

QStringList pageFiles(const QString &archive)
{
    return QDir(archive).entryList({QStringLiteral("*.bmp"), QStringLiteral("*.pdf"), QStringLiteral("*.xml")},
                                   QDir::Files, QDir::Name);
}

struct Entry {
    qint64 size = 0;
    QByteArray sha256;
    QString staged;  // the unpacked bytes
};

// Where an entry of the file goes, or nothing for a name no backup holds.
std::optional<QString> destination(const QString &name, const Folders &to)
{
    if (name == SettingsName)
        return QDir(to.start).filePath(SettingsName);
    if (name.startsWith(TablesFolder) && tableFiles().contains(name.mid(TablesFolder.size())))
        return QDir(to.start).filePath(name);
    const QString page = name.mid(PagesFolder.size());
    if (name.startsWith(PagesFolder) && !page.contains(u'/') && !page.contains(u'\\') && !page.startsWith(u'.')
        && (page.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive) || page.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)
            || page.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive)))
        return QDir(to.archive).filePath(page);
    return std::nullopt;
}

Failure damaged(const QString &file, const QString &entry, const QString &what)
{
    return Failure(QStringLiteral("Резервното копие „%1“ е повредено: „%2“ %3. Нищо не е възстановено.")
                       .arg(native(file), entry, what));
}

} // namespace

QString serverBackupCommand(const QString &connection)
{
    return QStringLiteral("pg_dump --format=custom --file=firm.dump \"%1\"").arg(connection);
}

Made make(const Folders &from, const QString &file, Progress &progress)
{
    const QDir data(QDir(from.start).filePath(QStringLiteral("DB")));
    Made made{file, 0, 0, std::nullopt};
    QTemporaryDir copies;
    if (!copies.isValid())
        throw Failure(QStringLiteral("Няма място за временните копия на таблиците: %1").arg(copies.errorString()));
    QStringList tables;
    // The copies of the tables, made while other programs write them, can
    // give no count.
    std::optional<ProgressStep> copying(std::in_place, progress, BackingUpText, 0);
    if (const std::optional<QString> server = Server::connectionString(data.path())) {
        made.serverNote = QStringLiteral("Таблиците и регистърът са на сървъра на PostgreSQL и не са в това "
                                         "копие: копието им прави сървърът с командата\n%1\n(вижте "
                                         "docs/admin-guide.md, „Several machines“).")
                              .arg(serverBackupCommand(*server));
    } else {
        QList<std::pair<QString, QString>> pairs;
        for (const QString &name : tableFiles()) {
            if (QFile::exists(data.filePath(name))) {
                tables << name;
                pairs.append({data.filePath(name), QDir(copies.path()).filePath(name)});
            }
        }
        SqliteSnapshot::copy(pairs);
    }
    copying.reset();
    const QString settings = QDir(from.start).filePath(SettingsName);
    const QStringList pages = pageFiles(from.archive);
    // Stopped before the commit, the half-written file is removed.
    ProgressStep step(progress, BackingUpText, tables.size() + 1 + pages.size(), BackupStoppedText);
    qint64 done = 0;

    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        throw Failure(QStringLiteral("Резервното копие „%1“ не може да бъде записано: %2").arg(native(file), out.errorString()));
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    TarFile::Writer writer(out);
    QJsonArray entries;
    const auto add = [&](const QString &name, const QString &path) {
        QFile source(path);
        if (!source.open(QIODevice::ReadOnly))
            throw Failure(QStringLiteral("Файлът „%1“ не може да бъде прочетен: %2").arg(native(path), source.errorString()));
        const qint64 size = source.size();
        const QByteArray hash = writer.add(name, source, size);
        entries.append(QJsonObject{{QStringLiteral("name"), name},
                                   {QStringLiteral("size"), size},
                                   {QStringLiteral("sha256"), QString::fromLatin1(hash)}});
        step.advance(++done);
    };
    for (const QString &name : std::as_const(tables)) {
        add(TablesFolder + name, QDir(copies.path()).filePath(name));
        ++made.tables;
    }
    if (QFile::exists(settings))
        add(SettingsName, settings);
    else
        step.advance(++done);
    for (const QString &page : pages) {
        add(PagesFolder + page, QDir(from.archive).filePath(page));
        ++made.pages;
    }
    // The manifest last: a file cut short before it is no backup.
    QJsonObject manifest{{QStringLiteral("program"), QStringLiteral("BILVARO 2007")},
                         {QStringLiteral("made"), QDateTime::currentDateTime().toString(Qt::ISODate)},
                         {QStringLiteral("entries"), entries}};
    writer.add(QString::fromLatin1(ManifestName), QJsonDocument(manifest).toJson());
    writer.finish();
    if (!out.commit())
        throw Failure(QStringLiteral("Резервното копие „%1“ не може да бъде записано: %2").arg(native(file), out.errorString()));
    return made;
}

Restored restore(const QString &file, const Folders &to, Progress &progress)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Резервното копие „%1“ не може да бъде отворено: %2").arg(native(file), in.errorString()));
    if (!QDir().mkpath(to.start))
        throw Failure(QStringLiteral("Папката „%1“ не може да бъде създадена.").arg(native(to.start)));
    // The entries are unpacked beside their places and moved there only when
    // every one of them matches the manifest.
    QTemporaryDir staging(QDir(to.start).filePath(QStringLiteral(".restore-XXXXXX")));
    if (!staging.isValid())
        throw Failure(QStringLiteral("Папката „%1“ не може да бъде записана: %2").arg(native(to.start), staging.errorString()));
    std::optional<ProgressStep> step(std::in_place, progress, RestoringText, in.size() / 1024, RestoreStoppedText);
    QMap<QString, Entry> found;
    QByteArray manifestBytes;
    std::optional<QString> afterManifest;
    const TarFile::Read read = TarFile::read(in, [&](const QString &name, qint64, const std::function<QByteArray(qint64)> &next) {
        if (!manifestBytes.isEmpty() && !afterManifest)
            afterManifest = name;
        if (name == QLatin1String(ManifestName)) {
            for (QByteArray chunk = next(1 << 20); !chunk.isEmpty(); chunk = next(1 << 20))
                manifestBytes += chunk;
            return;
        }
        if (!destination(name, to) || found.contains(name))
            throw damaged(file, name, QStringLiteral("не е част от резервно копие на програмата"));
        Entry entry;
        entry.staged = staging.filePath(QString::number(found.size()));
        QFile part(entry.staged);
        if (!part.open(QIODevice::WriteOnly))
            throw Failure(QStringLiteral("Папката „%1“ не може да бъде записана: %2").arg(native(to.start), part.errorString()));
        QCryptographicHash hash(QCryptographicHash::Sha256);
        for (QByteArray chunk = next(1 << 20); !chunk.isEmpty(); chunk = next(1 << 20)) {
            hash.addData(chunk);
            entry.size += chunk.size();
            if (part.write(chunk) != chunk.size())
                throw Failure(QStringLiteral("Папката „%1“ не може да бъде записана: %2").arg(native(to.start), part.errorString()));
            step->advance(in.pos() / 1024);
        }
        entry.sha256 = hash.result().toHex();
        found.insert(name, entry);
    });
    if (!read.whole)
        throw damaged(file, read.lastEntry.isEmpty() ? QStringLiteral("началото") : read.lastEntry,
                      QStringLiteral("е последният цял запис; след него копието е прекъснато или развалено"));
    if (manifestBytes.isEmpty())
        throw Failure(QStringLiteral("„%1“ не е цяло резервно копие: липсва описанието на съдържанието му (%2). "
                                     "Нищо не е възстановено.")
                          .arg(native(file), QLatin1String(ManifestName)));
    if (afterManifest)
        throw damaged(file, *afterManifest, QStringLiteral("стои след описанието на съдържанието"));
    const QJsonArray listed = QJsonDocument::fromJson(manifestBytes).object().value(QStringLiteral("entries")).toArray();
    if (listed.isEmpty())
        throw damaged(file, QLatin1String(ManifestName), QStringLiteral("не може да бъде прочетено"));
    QStringList names;
    for (const QJsonValue &value : listed) {
        const QJsonObject object = value.toObject();
        const QString name = object.value(QStringLiteral("name")).toString();
        names << name;
        if (!found.contains(name))
            throw damaged(file, name, QStringLiteral("липсва"));
        const Entry &entry = found[name];
        if (entry.size != object.value(QStringLiteral("size")).toInteger(-1)
            || entry.sha256 != object.value(QStringLiteral("sha256")).toString().toLatin1())
            throw damaged(file, name, QStringLiteral("не съвпада с контролната си сума (SHA-256)"));
    }
    for (auto it = found.cbegin(); it != found.cend(); ++it) {
        if (!names.contains(it.key()))
            throw damaged(file, it.key(), QStringLiteral("не е в описанието на съдържанието"));
        if (QFile::exists(*destination(it.key(), to)))
            throw Failure(QStringLiteral("В „%1“ вече има „%2“: резервно копие се възстановява само в празна "
                                         "папка. Нищо не е възстановено.")
                              .arg(native(to.start), native(*destination(it.key(), to))));
    }
    // All read and checked: the last moment to stop. Once the files go in
    // place, the step is no longer stopped.
    step->advance(in.size() / 1024);
    step.reset();
    Restored restored;
    for (auto it = found.cbegin(); it != found.cend(); ++it) {
        const QString &name = it.key();
        const QString target = *destination(name, to);
        QDir().mkpath(QFileInfo(target).path());
        if (!QFile::rename(it->staged, target))
            throw Failure(QStringLiteral("Файлът „%1“ не може да бъде записан.").arg(native(target)));
        restored.settings |= name == SettingsName;
        restored.tables += name.startsWith(TablesFolder);
        restored.pages += name.startsWith(PagesFolder);
    }
    return restored;
}

Memory remembered(const QString &dataFolder)
{
    Memory memory;
    QFile file(QDir(dataFolder).filePath(MemoryName));
    if (!file.open(QIODevice::ReadOnly))
        return memory;
    const QList<QByteArray> lines = file.readAll().split('\n');
    const auto date = [&](int line) -> std::optional<QDate> {
        const QDate day = QDate::fromString(QString::fromLatin1(lines.value(line).trimmed()), Qt::ISODate);
        return day.isValid() ? std::optional(day) : std::nullopt;
    };
    memory.lastBackup = date(0);
    bool number = false;
    const int keep = lines.value(1).trimmed().toInt(&number);
    memory.keep = number && keep > 0 ? keep : DefaultKeep;
    memory.lastReminder = date(2);
    return memory;
}

void remember(const QString &dataFolder, const Memory &memory)
{
    const auto day = [](const std::optional<QDate> &date) { return date ? date->toString(Qt::ISODate) : QString(); };
    QSaveFile file(QDir(dataFolder).filePath(MemoryName));
    const QString text = QStringLiteral("%1\n%2\n%3\n").arg(day(memory.lastBackup)).arg(memory.keep).arg(day(memory.lastReminder));
    if (!QDir().mkpath(dataFolder) || !file.open(QIODevice::WriteOnly) || file.write(text.toLatin1()) < 0 || !file.commit())
        throw Failure(QStringLiteral("Файлът „%1“ не може да бъде записан: %2")
                          .arg(native(QDir(dataFolder).filePath(MemoryName)), file.errorString()));
}

bool reminderDue(const Memory &memory, const QDate &today)
{
    // A folder's first week counts from its first run, which the caller
    // remembers as a reminder.
    if (!memory.lastBackup && !memory.lastReminder)
        return false;
    const auto weekAgo = [&](const std::optional<QDate> &date) { return !date || date->daysTo(today) >= ReminderDays; };
    return weekAgo(memory.lastBackup) && weekAgo(memory.lastReminder);
}

QString automaticFolder(const QString &startFolder)
{
    return QDir(startFolder).filePath(QStringLiteral("DB/backups"));
}

void rememberMade(const QString &startFolder, const QDate &today)
{
    const QString data = QDir(startFolder).filePath(QStringLiteral("DB"));
    Memory memory = remembered(data);
    memory.lastBackup = today;
    remember(data, memory);
}

Made makeAutomatic(const Folders &from, const QDateTime &now, Progress &progress)
{
    const QString folder = automaticFolder(from.start);
    if (!QDir().mkpath(folder))
        throw Failure(QStringLiteral("Папката „%1“ не може да бъде създадена.").arg(native(folder)));
    // The name sorts as the moment: the newest last.
    Made made = make(from, QDir(folder).filePath(QStringLiteral("Bilvaro-%1.tar").arg(now.toString(QStringLiteral("yyyyMMdd-HHmmss")))), progress);
    rememberMade(from.start, now.date());
    keepNewest(folder, remembered(QDir(from.start).filePath(QStringLiteral("DB"))).keep);
    return made;
}

QStringList keepNewest(const QString &folder, int keep)
{
    QStringList names = QDir(folder).entryList({AutomaticPattern}, QDir::Files, QDir::Name | QDir::Reversed);
    const QStringList old = names.mid(std::max(keep, 1));
    for (const QString &name : old)
        QFile::remove(QDir(folder).filePath(name));
    return old;
}

} // namespace Backup
