#pragma once

// pxlib's header declares no C linkage of its own.
extern "C" {
#include <paradox.h>
}
