#include "lower/LowWindow.h"

int plainWindow() { return lowWindow(); }
