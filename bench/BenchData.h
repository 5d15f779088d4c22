#pragma once

#include "reference/Schema.h"

#include <QString>

// Start folders for the benchmarks: a DB folder with the demo tables and a
// goods catalogue of the given size (tools' makeCatalogue), made once and
// kept in $BILVARO_BENCH_DATA (scripts/bench.sh points it into its build
// folder) or, without it, in a temporary folder for this run.
namespace BenchData {

QString startFolder(int goods);
// The goods table's file in it.
QString goodsFile(int goods);
// A fresh copy of startFolder(goods) for a benchmark that writes, gone at exit.
QString scratchFolder(int goods);

// A start folder like startFolder(1000) whose register holds that many
// issued documents, kept like the others.
QString registerStartFolder(int documents);
// Adds to the register file the documents first to last, each with its own
// number, client, date (40 a day from 1.1.2020) and currency, in SQL: the
// program's own recording takes a transaction over two files per document,
// far too slow to fill a register.
void fillRegister(const QString &registerFile, int first, int last);

// The goods description column, and a prefix a user types into the search.
inline QString descriptionField() { return Schema::Goods::Description.name; }
inline const QString TypedPrefix = QStringLiteral("Монитор „Витоша“ В");

} // namespace BenchData
