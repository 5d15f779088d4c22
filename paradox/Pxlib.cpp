#include "paradox/Pxlib.h"

namespace {

Pxlib load()
{
    Pxlib functions;
#ifdef BILVARO_PXLIB_LINKED
#define BILVARO_TAKE(name) BILVARO_TAKE_LINKED(functions, name);
#else
    LibraryOnDemand library(QStringLiteral("libpx"), 0, QStringLiteral("преноса на таблиците от Paradox"));
#define BILVARO_TAKE(name) BILVARO_RESOLVE(library, functions, name);
#endif
    BILVARO_PXLIB_FUNCTIONS(BILVARO_TAKE)
#undef BILVARO_TAKE
    return functions;
}

} // namespace

const Pxlib &pxlib()
{
    // A failed load throws out of the initialisation, so the next call tries again.
    static const Pxlib loaded = load();
    return loaded;
}
