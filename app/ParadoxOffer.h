#pragma once

#include <QDateTime>
#include <QString>

// At start-up: where the start folder's DB folder holds the old program's
// Paradox tables in place of this program's, says so and offers to convert
// them (through the prompt seam), then shows what the conversion did. A
// failed or stopped conversion throws, with the Paradox files left where
// they were.
void offerParadoxConversion(const QString &startFolder, const QDateTime &now = QDateTime::currentDateTime());
