#pragma once

#include "common/LibraryOnDemand.h"

// pxlib's header declares no C linkage of its own.
extern "C" {
#include <paradox.h>
}

// The functions of pxlib the program calls. Where pxlib is a shared library
// it is loaded at the first Paradox table read: a start without old tables
// never loads it, nor the GLib and libgsf it loads in turn. The Windows
// build links its static library.
#define BILVARO_PXLIB_FUNCTIONS(F)                                                                             \
    F(PX_new3) F(PX_open_fp) F(PX_delete) F(PX_get_num_fields) F(PX_get_fields) F(PX_get_recordsize)          \
    F(PX_get_num_records) F(PX_get_record) F(PX_get_data_long) F(PX_get_data_short) F(PX_get_data_double)    \
    F(PX_get_data_byte) F(PX_get_data_bcd) F(PX_get_data_bytes)

struct Pxlib {
    BILVARO_PXLIB_FUNCTIONS(BILVARO_FUNCTION_POINTER)
};

// Loads the library at the first call; a Failure when it cannot.
const Pxlib &pxlib();
