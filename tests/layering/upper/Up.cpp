#include "upper/Up.h"
#include "lower/Low.h"

int up() { return low() + 1; }
