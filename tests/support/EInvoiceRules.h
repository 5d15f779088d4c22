#pragma once

// The EN 16931 rules (tests/einvoice/, the CEN/TC 434 artefacts as XSLT) and
// XPath read-backs, run with Saxon-HE in one Java VM per batch of files.
// Where Java or Saxon-HE is missing (the Windows tests under Wine) available()
// says why, and the tests that need them skip.

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QXmlStreamReader>
#include <optional>

namespace EInvoiceRules {

inline QString saxonJar()
{
    const QString set = qEnvironmentVariable("SAXON_JAR");
    return set.isEmpty() ? QStringLiteral("/usr/share/java/Saxon-HE.jar") : set;
}

inline QString rulesFile() { return QStringLiteral(BILVARO_EINVOICE_RULES); }

// Why the rules cannot run here; nothing when they can.
inline std::optional<QString> unavailable()
{
    if (QStandardPaths::findExecutable(QStringLiteral("java")).isEmpty())
        return QStringLiteral(
            "no Java runtime here (apt install default-jre-headless): the EN 16931 rules are not run");
    if (!QFileInfo::exists(saxonJar()))
        return QStringLiteral(
            "Saxon-HE is missing (apt install libsaxonhe-java): the EN 16931 rules are not run");
    return std::nullopt;
}

struct Run {
    bool ran = false;
    QString output;
};

inline Run java(const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("java"), QStringList{QStringLiteral("-cp"), saxonJar()} + arguments);
    const bool finished = process.waitForFinished(240000);
    return {finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
            QString::fromUtf8(process.readAll())};
}

// One failed rule of a file: its id ("BR-CO-16") and flag ("fatal", "warning").
struct FailedRule {
    QString id;
    QString flag;
    QString text;
};

// Every file of the folder through the rules in one VM: the failed rules per file name.
inline std::optional<QHash<QString, QList<FailedRule>>> validate(const QString &folder, QString *log)
{
    QTemporaryDir reports;
    const Run run = java({QStringLiteral("net.sf.saxon.Transform"), QStringLiteral("-s:") + folder,
                          QStringLiteral("-xsl:") + rulesFile(), QStringLiteral("-o:") + reports.path()});
    *log = run.output;
    if (!run.ran)
        return std::nullopt;
    QHash<QString, QList<FailedRule>> failed;
    for (const QFileInfo &report : QDir(reports.path()).entryInfoList(QDir::Files)) {
        QFile file(report.filePath());
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        QList<FailedRule> &rules = failed[report.fileName()];
        QXmlStreamReader svrl(&file);
        while (!svrl.atEnd()) {
            if (svrl.readNext() == QXmlStreamReader::StartElement && svrl.name() == u"failed-assert") {
                FailedRule rule{svrl.attributes().value(QStringLiteral("id")).toString(),
                                svrl.attributes().value(QStringLiteral("flag")).toString(),
                                {}};
                while (!(svrl.readNext() == QXmlStreamReader::EndElement && svrl.name() == u"failed-assert")
                       && !svrl.atEnd())
                    rule.text += svrl.text();
                rule.text = rule.text.simplified();
                rules << rule;
            }
        }
        if (svrl.hasError())
            return std::nullopt;
    }
    return failed;
}

// XPath expressions, each over one file, evaluated in one VM: the values of
// each as one text, its items joined by "|", in the order asked.
struct Probe {
    QString file;
    QString xpath;
};
inline std::optional<QStringList> evaluate(const QList<Probe> &probes, QString *log)
{
    QTemporaryDir work;
    QStringList items;
    const auto literal = [](QString text) {
        return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
    };
    for (const Probe &probe : probes)
        items << QStringLiteral("string-join(doc(%1) ! (%2) ! string(.), '|')")
                     .arg(literal(QUrl::fromLocalFile(probe.file).toString()), probe.xpath);
    const QString query =
        QStringLiteral("declare namespace cac = "
                       "\"urn:oasis:names:specification:ubl:schema:xsd:CommonAggregateComponents-2\";\n"
                       "declare namespace cbc = "
                       "\"urn:oasis:names:specification:ubl:schema:xsd:CommonBasicComponents-2\";\n"
                       "string-join((\n%1\n) ! replace(., '&#10;', ' '), '&#10;')\n")
            .arg(items.join(QStringLiteral(",\n")));
    QFile file(work.filePath(QStringLiteral("probes.xq")));
    if (!file.open(QIODevice::WriteOnly))
        return std::nullopt;
    file.write(query.toUtf8());
    file.close();
    QProcess process;
    process.start(QStringLiteral("java"),
                  {QStringLiteral("-cp"), saxonJar(), QStringLiteral("net.sf.saxon.Query"),
                   QStringLiteral("-q:") + file.fileName(), QStringLiteral("!method=text"),
                   QStringLiteral("!encoding=UTF-8")});
    process.waitForFinished(240000);
    *log = QString::fromUtf8(process.readAllStandardError());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    QStringList values = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n');
    while (values.size() > probes.size() && values.last().isEmpty())
        values.removeLast();
    while (values.size() < probes.size())
        values << QString();
    return values;
}

}  // namespace EInvoiceRules
