#pragma once

#include "lines/SettingsFile.h"
#include "lines/Unit1.h"
#include "reference/Schema.h"
#include "tools/TableMaker.h"

#include <QDir>
#include <QStringList>
#include <QtTest>

// The demo own companies in the data folder (made when missing), the first
// with these last invoice and proforma numbers, and the demo records of the
// other tables named.
inline void makeDemoCompanies(const QString &dataFolder, const QString &lastInvoice, const QString &lastProforma,
                              const QStringList &otherTables = {})
{
    QVERIFY(QDir().mkpath(dataFolder));
    QList<QVariantMap> companies = TableMaker::demoRecords(Schema::Firm::FileName);
    companies[0][Schema::Firm::LastInvoice.name] = lastInvoice;
    companies[0][Schema::Firm::LastProforma.name] = lastProforma;
    QVERIFY(TableMaker::makeTable(dataFolder, TableMaker::referenceTable(Schema::Firm::FileName), companies));
    for (const QString &file : otherTables)
        QVERIFY(TableMaker::makeTable(dataFolder, TableMaker::referenceTable(file), TableMaker::demoRecords(file)));
}

// The start folder remembers the five settings of a folder from before the
// euro, without a currency line: its documents are in leva, unannounced.
inline void rememberSettingsInLeva(const QString &startFolder)
{
    SettingsFile::save(QDir(startFolder).filePath(QStringLiteral("mem.txt")), SettingsFile::defaults());
}

// Stages a line of pieces ("бр.") in the line table as the goods pick does
// and adds it.
inline void addLine(const QString &name, const QString &quantity, const QString &price)
{
    Form1->Stock->setPlainText(name);
    Form1->Edit4->setText(QStringLiteral("бр."));
    Form1->Edit3->setText(quantity);
    Form1->Edit1->setText(price);
    QVERIFY(Form1->AddLine());
}
