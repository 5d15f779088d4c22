#pragma once

#include "common/LibraryOnDemand.h"

#include <libpq-fe.h>

// The functions of PostgreSQL's client library the program calls itself
// (the tables go through Qt's PostgreSQL driver, a plugin of its own). It is
// loaded at the first connection to a server: a program whose tables are
// files never loads it.
#define BILVARO_LIBPQ_FUNCTIONS(F)                                                                  \
    F(PQconninfoParse) F(PQconninfoFree) F(PQfreemem) F(PQconnectdbParams) F(PQfinish) F(PQstatus)  \
    F(PQtransactionStatus) F(PQserverVersion) F(PQerrorMessage) F(PQconnectionNeedsPassword)        \
    F(PQconnectionUsedPassword) F(PQexec) F(PQexecParams) F(PQresultStatus) F(PQresultErrorField)   \
    F(PQclear) F(PQntuples) F(PQftype) F(PQgetisnull) F(PQgetvalue) F(PQgetlength) F(PQescapeLiteral)

struct Libpq {
    BILVARO_LIBPQ_FUNCTIONS(BILVARO_FUNCTION_POINTER)
};

// Loads the library at the first call; a Failure when it cannot.
const Libpq &libpq();
