#include "server/Libpq.h"

const Libpq &libpq()
{
    // A failed load throws out of the initialisation, so the next call tries again.
    static const Libpq loaded = [] {
        LibraryOnDemand library(QStringLiteral("libpq"), 5, QStringLiteral("връзката със сървъра с таблиците"));
        return BILVARO_RESOLVE_ALL(Libpq, BILVARO_LIBPQ_FUNCTIONS, library);
    }();
    return loaded;
}
