// Stands in for a library that the Newfon engine needs loaded before it: it only has to exist.

#include "tests/standins/Journal.h"

VX_STANDIN_EXPORT int companion() { return 1; }
