// Precompiled for the tests without a window: Qt Test (which brings all of
// Qt Core) and what most of them include.
#include "plain.h"
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
