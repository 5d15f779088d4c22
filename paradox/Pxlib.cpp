#include "paradox/Pxlib.h"

const Pxlib &pxlib()
{
    // A failed load throws out of the initialisation, so the next call tries again.
#ifdef BILVARO_PXLIB_LINKED
    static const Pxlib loaded = BILVARO_TAKE_ALL_LINKED(Pxlib, BILVARO_PXLIB_FUNCTIONS);
#else
    static const Pxlib loaded =
        BILVARO_LOAD_ALL(Pxlib, BILVARO_PXLIB_FUNCTIONS, "libpx", 0, "преноса на таблиците от Paradox");
#endif
    return loaded;
}
