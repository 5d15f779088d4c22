#include "app/ParadoxOffer.h"

#include "paradox/MovingIn.h"
#include "platform/ProgressDialog.h"
#include "platform/Prompts.h"

#include <QDir>

void offerParadoxConversion(const QString &startFolder, const QDateTime &now)
{
    const QString data = QDir(startFolder).filePath(QStringLiteral("DB"));
    const QStringList found = MovingIn::paradoxTables(data);
    if (found.isEmpty())
        return;
    const QString question =
        QStringLiteral("В папката „%1“ има таблици на Paradox от старата програма (%2). Програмата работи "
                       "със свои таблици и не може да ги отвори.\n\n"
                       "Да бъдат ли преобразувани сега? Всички записи, колони, бележки и картини ще бъдат "
                       "пренесени, а файловете на Paradox ще бъдат запазени непроменени в папка "
                       "„paradox-<дата>-<час>“ в „DB“.")
            .arg(QDir::toNativeSeparators(data), found.join(QStringLiteral(", ")));
    if (!prompts().question(question))
        return;
    ProgressDialog progress;
    const MovingIn::Outcome outcome = MovingIn::convert(startFolder, now, progress);
    progress.finish();
    prompts().information(MovingIn::summaryText(outcome));
}
