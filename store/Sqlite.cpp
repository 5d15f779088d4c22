#include "store/Sqlite.h"

const Sqlite &sqlite()
{
    // A failed load throws out of the initialisation, so the next call tries again.
#ifdef BILVARO_SQLITE_LINKED
    static const Sqlite loaded = BILVARO_TAKE_ALL_LINKED(Sqlite, BILVARO_SQLITE_FUNCTIONS);
#else
    static const Sqlite loaded =
        BILVARO_LOAD_ALL(Sqlite, BILVARO_SQLITE_FUNCTIONS, "libsqlite3", 0, "таблиците");
#endif
    return loaded;
}
