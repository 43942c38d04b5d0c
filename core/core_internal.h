// Inside the runtime core: what the string buffer keeps to itself.
#pragma once

#include "core.h"

// Bytes the string buffer holds before it must grow.
int32_t StringBufferCapacity();
