#include "server/Libpq.h"

namespace {

Libpq load()
{
    LibraryOnDemand library(QStringLiteral("libpq"), 5, QStringLiteral("връзката със сървъра с таблиците"));
    Libpq functions;
#define BILVARO_TAKE(name) BILVARO_RESOLVE(library, functions, name);
    BILVARO_LIBPQ_FUNCTIONS(BILVARO_TAKE)
#undef BILVARO_TAKE
    return functions;
}

} // namespace

const Libpq &libpq()
{
    // A failed load throws out of the initialisation, so the next call tries again.
    static const Libpq loaded = load();
    return loaded;
}
