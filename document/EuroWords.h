#pragma once

#include <QString>

// A euro amount in Bulgarian words, spelt by libnumbertext's Bulgarian
// module: "123.45" -> "сто двадесет и три евро и четиридесет и пет цента",
// "1.00" -> "едно евро". The euro is neuter ("едно", "две"), the cents have
// their own words, ".00" adds no cents, and millions and more are spelt.
//
// `amount` is digits with an optional "." and at most two decimals; a
// missing decimal counts as zero ("2.4" is 2.40). Anything else, and a
// missing or unreadable data folder, throws a Failure.
QString euroInWords(const QString &amount);

// The folder of libnumbertext's language data (bg.sor) that euroInWords
// reads: the folder named by the environment variable BILVARO_NUMBERTEXT_DIR
// when it is set, otherwise the first of the "numbertext" folder beside the
// executable and the system's folder that holds the data.
QString numberTextFolder();
