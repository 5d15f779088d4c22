#include "upper/Up.h"

int upward() { return up(); }
