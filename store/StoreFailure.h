#pragma once

#include "common/BusyWait.h"
#include "common/Failure.h"

#include <QString>

class QSqlError;

// The failure the user sees when SQLite refuses an action on a table: the
// action ("Записът не може да бъде съхранен") and the reason in words. SQLite's
// own text goes to the log only: it is English and names no way out.
Failure storeFailure(const QString &action, int sqliteCode, const QString &sqliteText);
Failure storeFailure(const QString &action, const QSqlError &error);
