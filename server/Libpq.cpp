#include "server/Libpq.h"

const Libpq &libpq()
{
    // A failed load throws out of the initialisation, so the next call tries again.
    static const Libpq loaded =
        BILVARO_LOAD_ALL(Libpq, BILVARO_LIBPQ_FUNCTIONS, "libpq", 5, "връзката със сървъра с таблиците");
    return loaded;
}
