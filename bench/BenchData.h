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

// The goods description column, and a prefix a user types into the search.
inline QString descriptionField() { return Schema::Goods::Description.name; }
inline const QString TypedPrefix = QStringLiteral("Монитор „Витоша“ В");

} // namespace BenchData
