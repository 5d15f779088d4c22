#include "lower/Low.h"

int low() { return 1; }
