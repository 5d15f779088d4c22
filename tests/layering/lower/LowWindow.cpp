#include "lower/LowWindow.h"
#include "lower/Low.h"

int lowWindow() { return low(); }
