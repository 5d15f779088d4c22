#pragma once

#include <QStringList>

// The legal texts behind the grounds for not charging VAT, in the order the
// "?" box shows them, one per line.
QStringList legalTexts();
