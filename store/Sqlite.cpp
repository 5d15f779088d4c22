#include "store/Sqlite.h"

const Sqlite &sqlite()
{
    // A failed load throws out of the initialisation, so the next call tries again.
    static const Sqlite loaded = BILVARO_LINKED_OR_LOADED(BILVARO_SQLITE_LINKED, Sqlite, BILVARO_SQLITE_FUNCTIONS,
                                                          "libsqlite3", 0, "таблиците");
    return loaded;
}
