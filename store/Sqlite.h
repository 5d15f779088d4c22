#pragma once

#include "common/LibraryOnDemand.h"

#include <sqlite3.h>

// The functions of SQLite the store calls itself, on the handle of Qt's own
// SQLite connection (the very library Qt's driver loads, see
// CMakeLists.txt) and for the files it makes and copies. Loaded when the
// first table opens, not before the rate dialog: linking it cost every start.
#define BILVARO_SQLITE_FUNCTIONS(F)                                                                      \
    F(sqlite3_open_v2) F(sqlite3_close) F(sqlite3_exec) F(sqlite3_errcode) F(sqlite3_errmsg)             \
    F(sqlite3_errstr) F(sqlite3_prepare_v2) F(sqlite3_finalize) F(sqlite3_step) F(sqlite3_reset)         \
    F(sqlite3_bind_int64) F(sqlite3_bind_text) F(sqlite3_column_count) F(sqlite3_column_type)            \
    F(sqlite3_column_int64) F(sqlite3_column_double) F(sqlite3_column_text) F(sqlite3_column_blob)       \
    F(sqlite3_column_bytes) F(sqlite3_backup_init) F(sqlite3_backup_step) F(sqlite3_backup_finish)

struct Sqlite {
    BILVARO_SQLITE_FUNCTIONS(BILVARO_FUNCTION_POINTER)
};

// Loads the library at the first call; a Failure when it cannot.
const Sqlite &sqlite();
