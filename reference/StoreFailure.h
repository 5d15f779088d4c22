#pragma once

#include "common/Failure.h"

#include <QString>

class QSqlError;

// How long a table that another program is writing is waited for before an
// action on it gives up.
constexpr int BusyTimeoutSeconds = 5;

// The failure the user sees when SQLite refuses an action on a table: the
// action ("Записът не може да бъде съхранен") and the reason in words. SQLite's
// own text goes to the log only: it is English and names no way out.
Failure storeFailure(const QString &action, int sqliteCode, const QString &sqliteText);
Failure storeFailure(const QString &action, const QSqlError &error);
