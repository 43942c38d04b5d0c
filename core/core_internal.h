// Inside the runtime core: what the string buffer and the record of library blocks keep to themselves.
#pragma once

#include "core.h"

// Bytes the string buffer holds before it must grow.
int32_t StringBufferCapacity();

// Library blocks the record has room for before it first grows.
constexpr size_t LIBRARY_BLOCK_RECORD_INITIAL = 64;
