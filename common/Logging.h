#pragma once

#include <QLoggingCategory>

// One logging category per folder. The program has no log of its own: a
// failure it swallows on purpose (the search, the add action's computation, a
// record that cannot be shown) is written as a warning through Qt's logging,
// which goes to the standard error output and can be switched per category
// with QT_LOGGING_RULES, e.g. "bilvaro.reference.warning=false".
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcLines)
Q_DECLARE_LOGGING_CATEGORY(lcReference)
Q_DECLARE_LOGGING_CATEGORY(lcDocument)
Q_DECLARE_LOGGING_CATEGORY(lcPrint)
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
Q_DECLARE_LOGGING_CATEGORY(lcTools)
Q_DECLARE_LOGGING_CATEGORY(lcServer)
