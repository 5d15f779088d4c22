#include "paradox/Pxlib.h"

const Pxlib &pxlib()
{
    // A failed load throws out of the initialisation, so the next call tries again.
    static const Pxlib loaded = [] {
#ifdef BILVARO_PXLIB_LINKED
        return BILVARO_TAKE_ALL_LINKED(Pxlib, BILVARO_PXLIB_FUNCTIONS);
#else
        LibraryOnDemand library(QStringLiteral("libpx"), 0, QStringLiteral("преноса на таблиците от Paradox"));
        return BILVARO_RESOLVE_ALL(Pxlib, BILVARO_PXLIB_FUNCTIONS, library);
#endif
    }();
    return loaded;
}
