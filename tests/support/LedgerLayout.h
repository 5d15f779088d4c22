#pragma once

#include "common/Cp1251.h"

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

// A reader of PRODAGBI.TXT, POKUPKI.TXT and DEKLAR.TXT made from the agency's layout
// table (code, position, width, kind), not from the writer's code, and a
// reader of CSV files through Python's csv module, for the tests of the
// ledger's files.
namespace LedgerLayout {

enum class Kind { Text, Number, Amount, Date, Period };
struct Field {
    const char *code;
    int position;  // 1-based, as the layout table gives it
    int width;
    Kind kind;
};
using Layout = QList<Field>;

inline const Layout SalesLayout = {
    {"02-00", 1, 15, Kind::Text},     {"02-01", 16, 6, Kind::Period},   {"02-02", 22, 4, Kind::Number},
    {"02-03", 26, 15, Kind::Number},  {"02-04", 41, 2, Kind::Text},     {"02-05", 43, 20, Kind::Text},
    {"02-06", 63, 10, Kind::Date},    {"02-07", 73, 15, Kind::Text},    {"02-08", 88, 50, Kind::Text},
    {"02-09", 138, 30, Kind::Text},   {"02-10", 168, 15, Kind::Amount}, {"02-20", 183, 15, Kind::Amount},
    {"02-11", 198, 15, Kind::Amount}, {"02-21", 213, 15, Kind::Amount}, {"02-12", 228, 15, Kind::Amount},
    {"02-26", 243, 15, Kind::Amount}, {"02-22", 258, 15, Kind::Amount}, {"02-23", 273, 15, Kind::Amount},
    {"02-13", 288, 15, Kind::Amount}, {"02-24", 303, 15, Kind::Amount}, {"02-14", 318, 15, Kind::Amount},
    {"02-15", 333, 15, Kind::Amount}, {"02-16", 348, 15, Kind::Amount}, {"02-17", 363, 15, Kind::Amount},
    {"02-18", 378, 15, Kind::Amount}, {"02-19", 393, 15, Kind::Amount}, {"02-25", 408, 15, Kind::Amount},
    {"02-27", 423, 2, Kind::Text},
};

inline const Layout PurchaseLayout = {
    {"03-02", 1, 15, Kind::Text},     {"03-01", 16, 6, Kind::Period},   {"03-03", 22, 4, Kind::Number},
    {"03-04", 26, 15, Kind::Number},  {"03-05", 41, 2, Kind::Text},     {"03-06", 43, 20, Kind::Text},
    {"03-07", 63, 10, Kind::Date},    {"03-08", 73, 15, Kind::Text},    {"03-09", 88, 50, Kind::Text},
    {"03-10", 138, 30, Kind::Text},   {"03-30", 168, 15, Kind::Amount}, {"03-31", 183, 15, Kind::Amount},
    {"03-41", 198, 15, Kind::Amount}, {"03-32", 213, 15, Kind::Amount}, {"03-42", 228, 15, Kind::Amount},
    {"03-43", 243, 15, Kind::Amount}, {"03-44", 258, 15, Kind::Amount}, {"03-45", 273, 2, Kind::Text},
};

// The return's table gives the order and the widths; positions follow.
inline Layout returnLayout()
{
    Layout layout = {{"00-01", 0, 15, Kind::Text},   {"00-02", 0, 50, Kind::Text},
                     {"00-03", 0, 6, Kind::Period},  {"00-04", 0, 50, Kind::Text},
                     {"00-05", 0, 15, Kind::Number}, {"00-06", 0, 15, Kind::Number}};
    for (const char *code : {"01-01", "01-20", "01-11", "01-21", "01-12", "01-22", "01-23", "01-13", "01-24",
                             "01-14", "01-15", "01-16", "01-17", "01-18", "01-19", "01-30", "01-31", "01-41",
                             "01-32", "01-42", "01-43"})
        layout.append({code, 0, 15, Kind::Amount});
    layout.append({"01-33", 0, 4, Kind::Text});
    for (const char *code : {"01-40", "01-50", "01-60", "01-70", "01-71", "01-80", "01-81", "01-82"})
        layout.append({code, 0, 15, Kind::Amount});
    int position = 1;
    for (Field &field : layout) {
        field.position = position;
        position += field.width;
    }
    return layout;
}

using Record = QHash<QString, QString>;

// VIES.TXT: each record of its own width, told by its first three letters.
struct ViesRecordLayout {
    int width;
    Layout fields;
};
inline const QHash<QString, ViesRecordLayout> ViesLayouts = {
    {"VHR", {15, {{"code", 1, 3, Kind::Text}, {"period", 4, 7, Kind::Text}, {"count", 11, 5, Kind::Number}}}},
    {"VDR", {373, {{"code", 1, 3, Kind::Text}, {"id", 4, 15, Kind::Text}, {"name", 19, 150, Kind::Text},
                   {"city", 169, 50, Kind::Text}, {"postcode", 219, 4, Kind::Text}, {"address", 223, 150, Kind::Text},
                   {"capacity", 373, 1, Kind::Text}}}},
    {"VTR", {368, {{"code", 1, 3, Kind::Text}, {"vat", 4, 15, Kind::Text}, {"name", 19, 150, Kind::Text},
                   {"address", 169, 200, Kind::Text}}}},
    {"TTR", {27, {{"code", 1, 3, Kind::Text}, {"total", 4, 12, Kind::Amount}, {"goods", 16, 12, Kind::Amount}}}},
    {"VIR", {66, {{"code", 1, 3, Kind::Text}, {"line", 4, 5, Kind::Number}, {"vat", 9, 15, Kind::Text},
                  {"k3", 24, 12, Kind::Amount}, {"k4", 36, 12, Kind::Amount}, {"k5", 48, 12, Kind::Amount},
                  {"k6", 60, 7, Kind::Text}}}},
    {"CHR", {8, {{"code", 1, 3, Kind::Text}, {"count", 4, 5, Kind::Number}}}},
};

// Reads fixed-width records, checking every record's width, the CR LF after
// each, and every field's alignment and form; the values come back decoded
// from Windows-1251 without their padding.
inline QList<Record> readRecords(const QByteArray &file, const Layout &layout, int width, QStringList &problems)
{
    static const QHash<Kind, QRegularExpression> forms = {
        {Kind::Number, QRegularExpression(QStringLiteral("^\\d+$"))},
        {Kind::Amount, QRegularExpression(QStringLiteral("^-?\\d+\\.\\d\\d$"))},
        {Kind::Date, QRegularExpression(QStringLiteral("^\\d\\d/\\d\\d/\\d{4}$"))},
        {Kind::Period, QRegularExpression(QStringLiteral("^\\d{6}$"))},
    };
    QList<Record> records;
    if (!file.endsWith("\r\n"))
        problems << QStringLiteral("the file does not end with CR LF");
    QList<QByteArray> lines = file.split('\n');
    lines.removeLast();
    for (const QByteArray &withCr : std::as_const(lines)) {
        const QByteArray line = withCr.chopped(1);
        if (!withCr.endsWith('\r') || line.contains('\r'))
            problems << QStringLiteral("record %1 not ended by CR LF").arg(records.size() + 1);
        if (line.size() != width)
            problems << QStringLiteral("record %1 is %2 bytes wide").arg(records.size() + 1).arg(line.size());
        Record record;
        for (const Field &field : layout) {
            const QString raw = Cp1251::decode(line.mid(field.position - 1, field.width));
            const QString value = raw.trimmed();
            const bool left = field.kind == Kind::Text || field.kind == Kind::Date || field.kind == Kind::Period;
            if (raw != (left ? value.leftJustified(field.width) : value.rightJustified(field.width)))
                problems << QStringLiteral("%1 misaligned: \"%2\"").arg(QLatin1String(field.code), raw);
            if (field.kind != Kind::Text && !forms[field.kind].match(value).hasMatch())
                problems << QStringLiteral("%1 is not in form: \"%2\"").arg(QLatin1String(field.code), raw);
            record.insert(QLatin1String(field.code), value);
        }
        records.append(record);
    }
    return records;
}

// Reads VIES.TXT: CR LF between records (after the last one too, or not),
// each record checked against the layout its code names.
inline QList<Record> readVies(const QByteArray &file, QStringList &problems)
{
    QList<Record> records;
    QByteArray rest = file.endsWith("\r\n") ? file : file + "\r\n";
    for (const QByteArray &line : rest.split('\n')) {
        if (line.isEmpty())
            continue;
        const QString code = QString::fromLatin1(line.left(3));
        if (!ViesLayouts.contains(code)) {
            problems << QStringLiteral("unknown VIES record \"%1\"").arg(code);
            continue;
        }
        const ViesRecordLayout &layout = ViesLayouts[code];
        records += readRecords(line + '\n', layout.fields, layout.width, problems);
    }
    return records;
}

// The rows of each CSV file (UTF-8 with a byte order mark, ";" between
// fields) as Python's csv module reads them; empty when python3 is missing
// or fails. One run of the interpreter reads every file: its start is slow.
inline QJsonArray csvRowsWithPython(const QStringList &paths)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        return {};
    QProcess reader;
    reader.start(python, QStringList{QStringLiteral("-c"),
                                     QStringLiteral("import csv, json, sys\n"
                                                    "def rows(p):\n"
                                                    "    with open(p, encoding='utf-8-sig', newline='') as f:\n"
                                                    "        return list(csv.reader(f, delimiter=';'))\n"
                                                    "print(json.dumps([rows(p) for p in sys.argv[1:]]))\n")}
                             + paths);
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(reader.readAllStandardOutput()).array();
}

} // namespace LedgerLayout
