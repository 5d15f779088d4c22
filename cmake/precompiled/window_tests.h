// Precompiled for the tests of windows.
#include "widgets.h"
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
