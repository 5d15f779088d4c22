#include "paradox/Pxlib.h"

const Pxlib &pxlib()
{
    // A failed load throws out of the initialisation, so the next call tries again.
    static const Pxlib loaded = BILVARO_LINKED_OR_LOADED(BILVARO_PXLIB_LINKED, Pxlib, BILVARO_PXLIB_FUNCTIONS, "libpx",
                                                         0, "преноса на таблиците от Paradox");
    return loaded;
}
